#pragma once

#include <OgrePrerequisites.h>

#include <boost/lexical_cast/bad_lexical_cast.hpp>

#include <map>
#include <string>
#include <vector>

namespace Tolvarine {

// One settings or data file in the game's common text format:
//
//   [Section]
//   key = value
//   # comment
//
// Values are kept as the text that was read and converted on every typed read. A file may be
// present only as its enciphered twin (the file name with "x" appended), which is then read in its
// place; an enciphered Config refreshes the twin from the plain file whenever it reads one and keeps
// keys and values out of its log lines.
//
// Copies are independent: each holds its own sections.
class Config {
public:
    // The refusal of a float, vector or colour that reads as a number but not as a finite one. No
    // value of any file means "nan" or "inf", and one let through would spread into every sum it
    // enters (a NaN period stalls the scheduler, a NaN force the physics). A conversion error
    // like any other, apart only so that a settings reader can fall back to its default.
    class NotFiniteNumber : public boost::bad_lexical_cast {
    public:
        const char* what() const noexcept override;
    };

    // Opens and parses the file. A path naming the twin opens the plain name. When neither the file
    // nor its twin exists, logs "<path> does not exist" and then creates the file empty (allowCreate)
    // or throws ConfigurationError. With `verbose`, logs every section and key as it is read.
    Config(const std::string& path, bool allowCreate = false, bool enciphered = false, bool verbose = false);

    // The value text; throws ConfigurationError (without a log line) when the section or key is missing.
    std::string getValue(const std::string& section, const std::string& key) const;

    // Typed reads for std::string, float, int, unsigned int, unsigned short, bool, Ogre::Vector3
    // ("(x y z)") and Ogre::ColourValue ("(r g b a)"). A malformed value is logged and throws
    // boost::bad_lexical_cast, even when a default is given; so is a number that is not finite
    // ("nan", "inf"), which throws NotFiniteNumber. A missing key returns the default
    // silently, or without one is logged and throws ConfigurationError. Either log line is
    // followed by "Config: in <path>, section <section>, key <key>".
    template <typename T>
    T get(const std::string& section, const std::string& key) const;
    template <typename T>
    T get(const std::string& section, const std::string& key, const T& defaultValue) const;
    std::string get(const std::string& section, const std::string& key, const char* defaultValue) const;

    // Typed writes for the same types, in the form the typed reads accept. A missing key or section
    // is logged (with the same second line) and throws ConfigurationError unless the file was
    // opened with allowCreate. Nothing is written to disk until save().
    template <typename T>
    void set(const std::string& section, const std::string& key, const T& value);
    void setValue(const std::string& section, const std::string& key, const std::string& value);

    // The file whose text was read, in generic form: the plain file, or its twin where only the
    // twin was there. Log lines name it, so that a damaged twin is named rather than the absent
    // plain file.
    const std::string& getPath() const { return readPath; }
    // Logs "Config: in <path>, section <section>, key <key>": the line that follows every
    // refusal of a value of the file, also from readers that check a value themselves.
    void logPlace(const std::string& section, const std::string& key) const;

    bool hasSection(const std::string& section) const;
    // The section's keys in ascending byte-wise order; empty for a missing section.
    std::vector<std::string> getKeys(const std::string& section) const;
    // Every section header of the file in file order; a repeated header is listed again.
    const std::vector<std::string>& getSectionNames() const { return sectionNames; }

    // Writes every section and key in ascending order to `path`, or to the Config's own path when
    // empty. An enciphered Config writes the twin, and the plain file as well when that exists.
    // The plain file is replaced whole through "<path>.tmp" and a rename, so a failed write keeps the
    // old file. A file that cannot be written is logged ("Config: could not write <path>"); save
    // never throws.
    void save(const std::string& path = "") const;

private:
    using KeyMap = std::map<std::string, std::string>;

    std::string readText(bool verbose);
    void parse(const std::string& text, bool verbose);
    void addToken(const std::string& token, std::string& currentSection, bool verbose);
    std::string buildText() const;
    bool writeFile(const std::string& target, const std::string& text) const;

    const std::string* findValue(const std::string& section, const std::string& key) const;
    template <typename T>
    T convert(const std::string& text, const std::string& section, const std::string& key) const;
    void logMissingKey(const std::string& section, const std::string& key) const;

    std::string path;  // the plain file, in generic form
    std::string readPath;  // the file read: the plain file or its twin
    bool allowCreate;
    bool enciphered;
    std::map<std::string, KeyMap> sections;
    std::vector<std::string> sectionNames;
};

// Three angles in degrees to an orientation: about the fixed x axis first, then y, then z.
Ogre::Quaternion eulerDegreesToQuaternion(const Ogre::Vector3& degrees);

} // namespace Tolvarine
