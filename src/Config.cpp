#include "Config.h"

#include "ConfigurationError.h"
#include "EncipheredTwin.h"
#include "GameLog.h"

#include <OgreColourValue.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <boost/lexical_cast.hpp>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <system_error>

namespace Tolvarine {

namespace fs = std::filesystem;

namespace {

std::string nativeForm(const std::string& path)
{
    return fs::path(path).make_preferred().string();
}

void logWriteFailure(const std::string& path)
{
    GameLog::line("Config: could not write " + nativeForm(path));
}

bool isFile(const std::string& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// A path naming the twin opens the plain file: every trailing "x" of the file name goes.
std::string plainPathOf(const std::string& path)
{
    fs::path plain(path);
    std::string name = plain.filename().string();
    if (!name.empty() && name.back() == 'x') {
        while (!name.empty() && name.back() == 'x')
            name.pop_back();
        plain.replace_filename(name);
    }
    return plain.generic_string();
}

std::string twinPathOf(const std::string& plainPath)
{
    return plainPath + "x";
}

// Line ends as the text-mode reading of the files' home platform gives them: CR LF is one LF.
std::string withUnixLineEnds(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            result.push_back(text[i]);
    return result;
}

bool readTextFile(const std::string& path, std::string& text)
{
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open())
        return false;
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad())
        return false;
    text = withUnixLineEnds(text);
    return true;
}

bool writeTextFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file.is_open())
        return false;
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    return !file.fail();
}

// The whole text goes to "<path>.tmp" first and replaces the file by a rename, so that a failed or
// interrupted write leaves the previous file as it was instead of half a file.
bool replaceTextFile(const std::string& path, const std::string& text)
{
    const std::string temporary = path + ".tmp";
    std::error_code error;
    if (!writeTextFile(temporary, text)) {
        fs::remove(temporary, error);
        return false;
    }
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

// Lines, keys and values are trimmed of spaces, tabs and line feeds, not of carriage returns.
std::string trimmed(const std::string& text)
{
    const char* const blanks = " \t\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    const std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool isSpace(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// A number or flag may be followed by white space only; leading white space stays an error.
std::string withoutTrailingSpace(const std::string& text)
{
    std::size_t end = text.size();
    while (end > 0 && isSpace(text[end - 1]))
        --end;
    return text.substr(0, end);
}

template <typename T>
T castNumber(const std::string& text)
{
    return boost::lexical_cast<T>(withoutTrailingSpace(text));
}

// The lexical conversion reads "nan", "inf" and "infinity" in any case as floats.
float finite(float value)
{
    if (!std::isfinite(value))
        throw Config::NotFiniteNumber();
    return value;
}

// The lexical conversion would wrap "-1" round to the type's maximum; a negative count is malformed.
// Read through the widest unsigned type, then range-checked: the library's reader of types
// narrower than int multiplies in int and overflows (undefined behaviour) on long digit strings.
template <typename T>
T castUnsigned(const std::string& text)
{
    if (!text.empty() && text.front() == '-')
        throw boost::bad_lexical_cast();
    const unsigned long long value = castNumber<unsigned long long>(text);
    if (value > std::numeric_limits<T>::max())
        throw boost::bad_lexical_cast();
    return static_cast<T>(value);
}

// "(a b c)": an opening parenthesis, `count` numbers separated by white space and a closing
// parenthesis, with white space allowed around the numbers and parentheses and nothing else.
std::vector<float> castTuple(const std::string& text, std::size_t count)
{
    std::size_t pos = 0;
    auto skipSpace = [&text, &pos]() {
        const std::size_t start = pos;
        while (pos < text.size() && isSpace(text[pos]))
            ++pos;
        return pos > start;
    };
    auto expect = [&text, &pos](char c) {
        if (pos >= text.size() || text[pos] != c)
            throw boost::bad_lexical_cast();
        ++pos;
    };

    std::vector<float> numbers;
    skipSpace();
    expect('(');
    skipSpace();
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0 && !skipSpace())
            throw boost::bad_lexical_cast();
        const std::size_t start = pos;
        while (pos < text.size() && !isSpace(text[pos]) && text[pos] != '(' && text[pos] != ')')
            ++pos;
        numbers.push_back(finite(boost::lexical_cast<float>(text.substr(start, pos - start))));
    }
    skipSpace();
    expect(')');
    skipSpace();
    if (pos != text.size())
        throw boost::bad_lexical_cast();
    return numbers;
}

template <typename T>
T fromText(const std::string& text);

template <>
std::string fromText<std::string>(const std::string& text)
{
    return text;
}

template <>
float fromText<float>(const std::string& text)
{
    return finite(castNumber<float>(text));
}

template <>
int fromText<int>(const std::string& text)
{
    return castNumber<int>(text);
}

template <>
unsigned int fromText<unsigned int>(const std::string& text)
{
    return castUnsigned<unsigned int>(text);
}

template <>
unsigned short fromText<unsigned short>(const std::string& text)
{
    return castUnsigned<unsigned short>(text);
}

// Only "1" and "0"; the words true and false are malformed.
template <>
bool fromText<bool>(const std::string& text)
{
    return castNumber<bool>(text);
}

template <>
Ogre::Vector3 fromText<Ogre::Vector3>(const std::string& text)
{
    const std::vector<float> n = castTuple(text, 3);
    return Ogre::Vector3(n[0], n[1], n[2]);
}

template <>
Ogre::ColourValue fromText<Ogre::ColourValue>(const std::string& text)
{
    const std::vector<float> n = castTuple(text, 4);
    return Ogre::ColourValue(n[0], n[1], n[2], n[3]);
}

// Default stream formatting (six significant digits for floats, "1"/"0" for flags), and
// vectors and colours in parentheses, so every written value reads back.
template <typename T>
std::string toText(const T& value)
{
    std::ostringstream stream;
    stream << value;
    return stream.str();
}

template <>
std::string toText<std::string>(const std::string& value)
{
    return value;
}

template <>
std::string toText<Ogre::Vector3>(const Ogre::Vector3& value)
{
    std::ostringstream stream;
    stream << '(' << value.x << ' ' << value.y << ' ' << value.z << ')';
    return stream.str();
}

template <>
std::string toText<Ogre::ColourValue>(const Ogre::ColourValue& value)
{
    std::ostringstream stream;
    stream << '(' << value.r << ' ' << value.g << ' ' << value.b << ' ' << value.a << ')';
    return stream.str();
}

// The reason of an error thrown without a log line of its own (its caller may log one after).
std::string missingKey(const std::string& section, const std::string& key)
{
    return "Key " + key + " not found in section " + section;
}

} // namespace

const char* Config::NotFiniteNumber::what() const noexcept
{
    return "not a finite number";
}

Config::Config(const std::string& path, bool allowCreate, bool enciphered, bool verbose)
    : path(plainPathOf(path)), readPath(this->path), allowCreate(allowCreate), enciphered(enciphered)
{
    parse(readText(verbose), verbose);
}

// The plain file wins over its twin; the twin is read only when the plain file is absent.
std::string Config::readText(bool verbose)
{
    const std::string twinPath = twinPathOf(path);
    std::string text;
    if (isFile(path)) {
        // An unreadable file must not pass for an empty one: that would overwrite its twin.
        if (!readTextFile(path, text)) {
            GameLog::line("Config: could not read " + nativeForm(path));
            throw ConfigurationError();
        }
        if (enciphered && !encipherToFile(text, twinPath))
            logWriteFailure(twinPath);
    } else if (isFile(twinPath)) {
        text = decipherFromFile(twinPath);
        readPath = twinPath;
    } else {
        GameLog::line(nativeForm(path) + " does not exist");
        if (!allowCreate)
            throw ConfigurationError();
        if (!writeTextFile(path, ""))
            logWriteFailure(path);
    }
    if (verbose)
        GameLog::line("Config \"" + nativeForm(path) + "\" parsing...");
    return text;
}

// Everything before the first "[" is ignored; the first header runs from that "[" to the next "]",
// even across lines; after it the text is taken line by line.
void Config::parse(const std::string& text, bool verbose)
{
    const std::size_t open = text.find('[');
    const std::size_t close = open == std::string::npos ? open : text.find(']', open);
    if (close != std::string::npos) {
        std::string currentSection;
        addToken(text.substr(open, close - open + 1), currentSection, verbose);
        std::size_t pos = close + 1;
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string::npos)
                end = text.size();
            const std::string line = trimmed(text.substr(pos, end - pos));
            if (!line.empty())
                addToken(line, currentSection, verbose);
            pos = end + 1;
        }
    }
    if (verbose)
        GameLog::line("done");
}

void Config::addToken(const std::string& token, std::string& currentSection, bool verbose)
{
    if (token.size() >= 2 && token.front() == '[' && token.back() == ']') {
        currentSection = token.substr(1, token.size() - 2);
        sections[currentSection];
        sectionNames.push_back(currentSection);
        if (verbose)
            GameLog::line("Section " + currentSection + ":");
        return;
    }
    const std::size_t equals = token.find('=');
    if (equals == std::string::npos || currentSection.empty())
        return;
    const std::string key = trimmed(token.substr(0, equals));
    if (!key.empty() && key.front() == '#')
        return;
    const std::string value = trimmed(token.substr(equals + 1));
    // The first occurrence of a key wins; later duplicates are ignored.
    const bool stored = sections[currentSection].emplace(key, value).second;
    if (stored && verbose && !enciphered)
        GameLog::line("\"" + key + "\": \"" + value + "\"");
}

std::string Config::getValue(const std::string& section, const std::string& key) const
{
    const std::string* value = findValue(section, key);
    if (!value)
        throw ConfigurationError(missingKey(section, key));
    return *value;
}

const std::string* Config::findValue(const std::string& section, const std::string& key) const
{
    const auto foundSection = sections.find(section);
    if (foundSection == sections.end())
        return nullptr;
    const auto foundKey = foundSection->second.find(key);
    return foundKey == foundSection->second.end() ? nullptr : &foundKey->second;
}

template <typename T>
T Config::convert(const std::string& text, const std::string& section, const std::string& key) const
{
    try {
        return fromText<T>(text);
    } catch (const boost::bad_lexical_cast& error) {
        const std::string reason = std::string("(") + error.what() + ")";
        GameLog::line(enciphered ? "Failed lexical cast " + reason : text + " failed lexical cast " + reason);
        logPlace(section, key);
        throw;
    }
}

void Config::logMissingKey(const std::string& section, const std::string& key) const
{
    GameLog::line(enciphered ? std::string("Key not found") : "Key " + key + " not found in section " + section);
    logPlace(section, key);
}

// With dozens of data files, a reason without its file leaves a modder guessing which one is
// broken. Section and key are structure, not content, so enciphered files name them too.
void Config::logPlace(const std::string& section, const std::string& key) const
{
    GameLog::line("Config: in " + nativeForm(readPath) + ", section " + section + ", key " + key);
}

template <typename T>
T Config::get(const std::string& section, const std::string& key) const
{
    const std::string* value = findValue(section, key);
    if (!value) {
        logMissingKey(section, key);
        throw ConfigurationError();
    }
    return convert<T>(*value, section, key);
}

template <typename T>
T Config::get(const std::string& section, const std::string& key, const T& defaultValue) const
{
    const std::string* value = findValue(section, key);
    return value ? convert<T>(*value, section, key) : defaultValue;
}

std::string Config::get(const std::string& section, const std::string& key, const char* defaultValue) const
{
    return get<std::string>(section, key, std::string(defaultValue));
}

template <typename T>
void Config::set(const std::string& section, const std::string& key, const T& value)
{
    try {
        setValue(section, key, toText(value));
    } catch (const ConfigurationError&) {
        logMissingKey(section, key);
        throw;
    }
}

void Config::setValue(const std::string& section, const std::string& key, const std::string& value)
{
    auto foundSection = sections.find(section);
    if (foundSection == sections.end()) {
        if (!allowCreate)
            throw ConfigurationError(missingKey(section, key));
        foundSection = sections.emplace(section, KeyMap()).first;
    }
    KeyMap& keys = foundSection->second;
    const auto foundKey = keys.find(key);
    if (foundKey != keys.end())
        foundKey->second = value;
    else if (allowCreate)
        keys.emplace(key, value);
    else
        throw ConfigurationError(missingKey(section, key));
}

bool Config::hasSection(const std::string& section) const
{
    return sections.count(section) != 0;
}

std::vector<std::string> Config::getKeys(const std::string& section) const
{
    std::vector<std::string> keys;
    const auto foundSection = sections.find(section);
    if (foundSection != sections.end())
        for (const auto& entry : foundSection->second)
            keys.push_back(entry.first);
    return keys;
}

std::string Config::buildText() const
{
    std::string text;
    for (const auto& section : sections) {
        text += "[" + section.first + "]\n";
        for (const auto& entry : section.second)
            text += entry.first + " = " + entry.second + "\n";
        text += "\n";
    }
    return text;
}

// An enciphered file is read from its plain file whenever that exists, so the plain file is kept
// in step with the twin; otherwise the saved values would be lost at the next opening.
void Config::save(const std::string& targetPath) const
{
    const std::string target = targetPath.empty() ? path : targetPath;
    const std::string text = buildText();
    if (!enciphered || isFile(target)) {
        if (!replaceTextFile(target, text))
            logWriteFailure(target);
    }
    if (enciphered) {
        const std::string twinPath = twinPathOf(target);
        if (!encipherToFile(text, twinPath))
            logWriteFailure(twinPath);
    }
}

// Turning about x, then about the turned y, then about the twice-turned z equals turning about
// the fixed axes x, y and z in that order: Rz * Ry * Rx.
Ogre::Quaternion eulerDegreesToQuaternion(const Ogre::Vector3& degrees)
{
    Ogre::Quaternion q(Ogre::Degree(degrees.x), Ogre::Vector3::UNIT_X);
    q = q * Ogre::Quaternion(Ogre::Degree(degrees.y), q.Inverse() * Ogre::Vector3::UNIT_Y);
    q = q * Ogre::Quaternion(Ogre::Degree(degrees.z), q.Inverse() * Ogre::Vector3::UNIT_Z);
    return q;
}

// The value types that settings and data files hold.
#define TOLVARINE_CONFIG_VALUE_TYPE(T)                                                               \
    template T Config::get<T>(const std::string&, const std::string&) const;                       \
    template T Config::get<T>(const std::string&, const std::string&, const T&) const;             \
    template void Config::set<T>(const std::string&, const std::string&, const T&);

TOLVARINE_CONFIG_VALUE_TYPE(std::string)
TOLVARINE_CONFIG_VALUE_TYPE(float)
TOLVARINE_CONFIG_VALUE_TYPE(int)
TOLVARINE_CONFIG_VALUE_TYPE(unsigned int)
TOLVARINE_CONFIG_VALUE_TYPE(unsigned short)
TOLVARINE_CONFIG_VALUE_TYPE(bool)
TOLVARINE_CONFIG_VALUE_TYPE(Ogre::Vector3)
TOLVARINE_CONFIG_VALUE_TYPE(Ogre::ColourValue)

#undef TOLVARINE_CONFIG_VALUE_TYPE

} // namespace Tolvarine
