#pragma once

#include <CEGUI/DefaultLogger.h>

#include <string>

namespace Tolvarine {

// The GUI library's log, "CEGUI.log", which also remembers the last data file that the library
// named in an error. The library's exception for a broken scheme, font or image set says what is
// wrong ("XML Parsing error 'unclosed token' at line 2") but not in which file; only its own log
// names the file. Made before the library starts, so that the library writes through it.
class GuiFileLog : public CEGUI::DefaultLogger {
public:
    GuiFileLog();

    void logEvent(const CEGUI::String& message, CEGUI::LoggingLevel level = CEGUI::Standard) override;

    // The file of the last error, as the library names it ("Tolvarine-10.font"); empty when no
    // error named one since the last forget.
    const std::string& getLastFailedFile() const { return lastFailedFile; }
    void forget() { lastFailedFile.clear(); }

private:
    std::string lastFailedFile;
};

} // namespace Tolvarine
