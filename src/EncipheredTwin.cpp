#include "EncipheredTwin.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace Tolvarine {

// The key bytes "qemartuvo]ziply" and a zero byte, read as little-endian words.
const std::uint32_t twinKey[4] = {0x616d6571u, 0x76757472u, 0x697a5d6fu, 0x00796c70u};

namespace {

const std::uint32_t delta = 0x9E3779B9u;

std::uint32_t mix(std::uint32_t y, std::uint32_t z, std::uint32_t sum, std::size_t p, std::uint32_t e,
                  const std::uint32_t key[4])
{
    return (((z >> 5) ^ (y << 2)) + ((y >> 3) ^ (z << 4))) ^ ((sum ^ y) + (key[(p & 3) ^ e] ^ z));
}

// Zero-filled length of the twin for a text of `length` bytes: a multiple of 4, at least 8.
std::size_t paddedLength(std::size_t length)
{
    std::size_t padded = length;
    while (padded < 5 || padded % 4 != 0)
        ++padded;
    return padded;
}

// Words are stored little-endian whatever the machine's byte order.
std::vector<std::uint32_t> wordsFromBytes(const std::vector<unsigned char>& bytes)
{
    std::vector<std::uint32_t> words(bytes.size() / 4);
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = std::uint32_t(bytes[4 * i]) | std::uint32_t(bytes[4 * i + 1]) << 8 |
                   std::uint32_t(bytes[4 * i + 2]) << 16 | std::uint32_t(bytes[4 * i + 3]) << 24;
    return words;
}

void wordsToBytes(const std::vector<std::uint32_t>& words, std::vector<unsigned char>& bytes)
{
    for (std::size_t i = 0; i < words.size(); ++i)
        for (std::size_t b = 0; b < 4; ++b)
            bytes[4 * i + b] = static_cast<unsigned char>(words[i] >> (8 * b));
}

} // namespace

bool encipherWords(std::uint32_t* words, std::size_t count, const std::uint32_t key[4])
{
    if (count < 2)
        return false;
    std::size_t cycles = 6 + 52 / count;
    std::uint32_t sum = 0;
    std::uint32_t z = words[count - 1];
    while (cycles-- > 0) {
        sum += delta;
        const std::uint32_t e = (sum >> 2) & 3;
        std::size_t p = 0;
        for (; p < count - 1; ++p) {
            const std::uint32_t y = words[p + 1];
            z = words[p] += mix(y, z, sum, p, e, key);
        }
        const std::uint32_t y = words[0];
        z = words[count - 1] += mix(y, z, sum, p, e, key);
    }
    return true;
}

bool decipherWords(std::uint32_t* words, std::size_t count, const std::uint32_t key[4])
{
    if (count < 2)
        return false;
    std::size_t cycles = 6 + 52 / count;
    std::uint32_t sum = static_cast<std::uint32_t>(cycles * delta);
    std::uint32_t y = words[0];
    while (cycles-- > 0) {
        const std::uint32_t e = (sum >> 2) & 3;
        std::size_t p = count - 1;
        for (; p > 0; --p) {
            const std::uint32_t z = words[p - 1];
            y = words[p] -= mix(y, z, sum, p, e, key);
        }
        const std::uint32_t z = words[count - 1];
        y = words[0] -= mix(y, z, sum, p, e, key);
        sum -= delta;
    }
    return true;
}

bool encipherToFile(const std::string& text, const std::string& path)
{
    std::vector<unsigned char> bytes(paddedLength(text.size()), 0);
    std::copy(text.begin(), text.end(), bytes.begin());
    std::vector<std::uint32_t> words = wordsFromBytes(bytes);
    if (!encipherWords(words.data(), words.size(), twinKey))
        return false;
    wordsToBytes(words, bytes);

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

std::string decipherFromFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    bytes.resize(paddedLength(bytes.size()), 0);
    std::vector<std::uint32_t> words = wordsFromBytes(bytes);
    decipherWords(words.data(), words.size(), twinKey);
    wordsToBytes(words, bytes);

    // A twin filled to the last byte has no zero of its own; the text then ends with the buffer.
    std::string text;
    for (unsigned char byte : bytes) {
        if (byte == 0)
            break;
        text.push_back(static_cast<char>(byte));
    }
    return text;
}

} // namespace Tolvarine
