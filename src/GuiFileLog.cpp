#include "GuiFileLog.h"

namespace Tolvarine {

namespace {

const char* const LOG_FILE = "CEGUI.log";
// The line the library's XML parser writes when a file fails to parse.
const std::string XML_FILE_MARK = "related to XML file '";

} // namespace

GuiFileLog::GuiFileLog()
{
    setLogFilename(LOG_FILE, false);
}

void GuiFileLog::logEvent(const CEGUI::String& message, CEGUI::LoggingLevel level)
{
    CEGUI::DefaultLogger::logEvent(message, level);
    const std::string text = message.c_str();
    const std::size_t mark = text.find(XML_FILE_MARK);
    if (level != CEGUI::Errors || mark == std::string::npos)
        return;
    const std::size_t start = mark + XML_FILE_MARK.size();
    const std::size_t end = text.find('\'', start);
    if (end != std::string::npos)
        lastFailedFile = text.substr(start, end - start);
}

} // namespace Tolvarine
