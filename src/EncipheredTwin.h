#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Tolvarine {

// A data file can ship as its enciphered twin: the same folder, the file name with "x" appended,
// holding the configuration text enciphered with the corrected block TEA cipher (XXTEA) under the
// game's fixed key. The twin has no header, length or checksum: it is the text, zero-filled to a
// multiple of four bytes and at least eight, enciphered as little-endian 32-bit words.

// The game's fixed 128-bit key as four words.
extern const std::uint32_t twinKey[4];

// Enciphers `count` words in place. Returns false and leaves the words untouched when count < 2.
bool encipherWords(std::uint32_t* words, std::size_t count, const std::uint32_t key[4]);

// Deciphers `count` words in place. Returns false and leaves the words untouched when count < 2.
bool decipherWords(std::uint32_t* words, std::size_t count, const std::uint32_t key[4]);

// Writes `text` enciphered with the fixed key to `path`, replacing the file. Returns false when the
// file could not be written completely.
bool encipherToFile(const std::string& text, const std::string& path);

// Reads and deciphers the twin at `path`; the text ends at the first zero byte. Never fails: a
// missing or unreadable file deciphers as eight zero bytes, a garbled one as garbled text.
std::string decipherFromFile(const std::string& path);

} // namespace Tolvarine
