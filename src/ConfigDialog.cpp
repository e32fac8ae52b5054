#include "ConfigDialog.h"

#include <OgreException.h>
#include <OgreRenderSystem.h>
#include <OgreRoot.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <utility>

namespace Tolvarine {

namespace {

// The rows in screen order, top to bottom, each with the names the option goes by in the render
// systems the game may run on; the first name the render system has wins.
const std::vector<std::vector<std::string>> rowOptionNames = {
    {"Rendering Device"},
    {"Video Mode"},
    {"Anti aliasing", "FSAA"},
};

struct ForcedOption {
    const char* name;
    const char* value;
};

const ForcedOption forcedOptions[] = {
    {"Full Screen", "Yes"},
    {"VSync", "Yes"},
    {"Floating-point mode", "Fastest"},
    {"Video Mode", "1280 x 1024 @ 32-bit colour"},
};

// Some render systems spell a video mode without its colour depth ("1280 x 1024").
std::string withoutColourDepth(const std::string& videoMode)
{
    const std::string::size_type at = videoMode.find(" @");
    return at == std::string::npos ? videoMode : videoMode.substr(0, at);
}

// The options of the root's render system, saved through the root.
class RenderSystemOptions : public ConfigDialog::Options {
public:
    RenderSystemOptions(Ogre::Root& root, Ogre::RenderSystem& renderSystem)
        : root(root)
        , renderSystem(renderSystem)
    {
    }

    Ogre::ConfigOptionMap getOptions() const override { return renderSystem.getConfigOptions(); }
    void setOption(const std::string& name, const std::string& value) override
    {
        renderSystem.setConfigOption(name, value);
    }
    std::string validate() override { return renderSystem.validateConfigOptions(); }
    void save() override { root.saveConfig(); }

private:
    Ogre::Root& root;
    Ogre::RenderSystem& renderSystem;
};

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A whole number from 1 to count, or 0 for anything else.
std::size_t choiceNumber(const std::string& text, std::size_t count)
{
    const auto isDigit = [](unsigned char c) { return std::isdigit(c) != 0; };
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), isDigit))
        return 0;
    const std::size_t number = std::stoul(text);
    return number >= 1 && number <= count ? number : 0;
}

// Reads one line; false at the end of the input. A failing terminal is an error of the dialog.
bool readLine(std::istream& in, std::string& line)
{
    if (std::getline(in, line))
        return true;
    if (in.bad()) {
        OGRE_EXCEPT(Ogre::Exception::ERR_INTERNAL_ERROR, std::string(std::strerror(errno)).substr(0, 255),
                    "ConfigDialog::display");
    }
    return false;
}

void showRows(const std::vector<ConfigDialog::Row>& rows, std::ostream& out)
{
    out << "\nTolvarine Video Options\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out << "  " << i + 1 << ") " << rows[i].name << ": " << rows[i].current;
        if (rows[i].immutable)
            out << " (fixed)";
        out << "\n";
    }
    out << "  o) OK\n  c) Cancel\n";
    out << "Choose an option to change, o or c: " << std::flush;
}

// Offers the row's values and sets the one chosen. False at the end of the input.
bool changeRow(ConfigDialog::Options& options, const ConfigDialog::Row& row, std::istream& in, std::ostream& out)
{
    if (row.immutable) {
        out << row.name << " cannot be changed.\n";
        return true;
    }
    out << row.name << ":\n";
    for (std::size_t i = 0; i < row.values.size(); ++i)
        out << (row.values[i] == row.current ? "  * " : "    ") << i + 1 << ") " << row.values[i] << "\n";
    out << "Choose a value (Enter keeps " << row.current << "): " << std::flush;
    std::string line;
    if (!readLine(in, line))
        return false;
    const std::string answer = trimmed(line);
    if (answer.empty())
        return true;
    if (const std::size_t number = choiceNumber(answer, row.values.size()))
        options.setOption(row.name, row.values[number - 1]);
    else
        out << "There is no value " << answer << ".\n";
    return true;
}

} // namespace

ConfigDialog::Options::~Options() = default;

ConfigDialog::ConfigDialog() = default;

ConfigDialog::~ConfigDialog() = default;

bool ConfigDialog::display()
{
    return display(STDIN_FILENO, std::cin, std::cout, std::cerr);
}

bool ConfigDialog::canAsk()
{
    return isatty(STDIN_FILENO) != 0;
}

bool ConfigDialog::display(int inputDescriptor, std::istream& in, std::ostream& out, std::ostream& error)
{
    if (!isatty(inputDescriptor)) {
        error << "Tolvarine: the video options in ogre.cfg could not be restored, and there is no "
                 "terminal to ask for them; ending. Run the game from a terminal to choose them.\n";
        return false;
    }

    Ogre::Root& root = Ogre::Root::getSingleton();
    try {
        root.restoreConfig();  // whatever it restores is where the choice starts
    } catch (const Ogre::Exception&) {
    }
    const Ogre::RenderSystemList& renderSystems = root.getAvailableRenderers();
    if (renderSystems.empty()) {
        OGRE_EXCEPT(Ogre::Exception::ERR_INVALID_STATE, "No render system is available",
                    "ConfigDialog::display");
    }
    selectedRenderSystem = renderSystems.front();
    root.setRenderSystem(selectedRenderSystem);

    RenderSystemOptions options(root, *selectedRenderSystem);
    forceOptions(options);
    return run(options, in, out);
}

std::vector<ConfigDialog::Row> ConfigDialog::rows(const Ogre::ConfigOptionMap& options)
{
    std::vector<Row> result;
    for (const auto& names : rowOptionNames) {
        for (const std::string& name : names) {
            const auto found = options.find(name);
            if (found == options.end())
                continue;
            const Ogre::ConfigOption& option = found->second;
            result.push_back(Row{name, option.possibleValues, option.currentValue, option.immutable});
            break;
        }
    }
    return result;
}

void ConfigDialog::forceOptions(Options& options)
{
    for (const ForcedOption& forced : forcedOptions) {
        const Ogre::ConfigOptionMap current = options.getOptions();
        const auto found = current.find(forced.name);
        if (found == current.end() || found->second.immutable)
            continue;
        const Ogre::StringVector& values = found->second.possibleValues;
        for (const std::string& value : {std::string(forced.value), withoutColourDepth(forced.value)}) {
            if (std::find(values.begin(), values.end(), value) != values.end()) {
                options.setOption(forced.name, value);
                break;
            }
        }
    }
}

bool ConfigDialog::run(Options& options, std::istream& in, std::ostream& out)
{
    for (;;) {
        // Filled again on every pass: any change may change what the other options offer.
        const std::vector<Row> shown = rows(options.getOptions());
        showRows(shown, out);
        std::string line;
        if (!readLine(in, line)) {
            out << "\n";
            return false;
        }
        const std::string answer = lowerCase(trimmed(line));
        if (answer == "c" || answer == "cancel")
            return false;
        if (answer == "o" || answer == "ok") {
            const std::string complaint = options.validate();
            if (complaint.empty()) {
                options.save();
                return true;
            }
            out << "\nTolvarine warning: " << complaint << "\n";
            continue;
        }
        if (const std::size_t number = choiceNumber(answer, shown.size())) {
            if (!changeRow(options, shown[number - 1], in, out)) {
                out << "\n";
                return false;
            }
            continue;
        }
        if (!answer.empty())
            out << "Please answer with a row number, o or c.\n";
    }
}

} // namespace Tolvarine
