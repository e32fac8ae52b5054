#pragma once

#include <OgreConfigDialog.h>
#include <OgreConfigOptionMap.h>

#include <iosfwd>
#include <string>
#include <vector>

namespace Ogre {
class RenderSystem;
} // namespace Ogre

namespace Tolvarine {

// The video options dialog, shown by the start-up when the rendering engine cannot restore its
// options from "ogre.cfg". The game is a console program, so this is a terminal dialog: it offers
// the render system's device, video mode and anti-aliasing rows, each with the option's possible
// values, and OK and Cancel. OK validates the choice with the render system (a complaint is shown
// as a warning and the dialog stays open) and saves it to "ogre.cfg" through the root.
//
// With no terminal on standard input it never waits for an answer: it returns cancel at once,
// with a note on standard error. The start-up asks canAsk() first, and without a terminal does
// not start at all.
class ConfigDialog : public Ogre::ConfigDialog {
public:
    // What the dialog needs of the render system and the root. The game's own implementation
    // works on the root's first render system; tests give their own.
    class Options {
    public:
        virtual ~Options();
        virtual Ogre::ConfigOptionMap getOptions() const = 0;
        virtual void setOption(const std::string& name, const std::string& value) = 0;
        // Empty when the options can be used, otherwise the reason why not.
        virtual std::string validate() = 0;
        // Writes the options to the configuration file.
        virtual void save() = 0;
    };

    // One row of the dialog: an option's name, its possible values, the current one, and whether
    // it may be changed.
    struct Row {
        std::string name;
        std::vector<std::string> values;
        std::string current;
        bool immutable = false;
    };

    ConfigDialog();
    ~ConfigDialog() override;

    // Returns true when closed with OK (the options are then saved), false when cancelled.
    bool display() override;

    // display() on given descriptors and streams: input must be a terminal, else the dialog
    // returns false at once and notes why on the error stream.
    bool display(int inputDescriptor, std::istream& in, std::ostream& out, std::ostream& error);

    // Whether display() can ask anyone: standard input is a terminal.
    static bool canAsk();

    Ogre::RenderSystem* getSelectedRenderSystem() const { return selectedRenderSystem; }

    // The rows the dialog offers, chosen by option name, in screen order; options the render
    // system lacks have no row.
    static std::vector<Row> rows(const Ogre::ConfigOptionMap& options);

    // Sets the options the game wants whatever the player picks (full screen, vertical sync...),
    // each only where the render system has it and the value is one it offers.
    static void forceOptions(Options& options);

    // The dialog itself: shows the rows, reads choices, and sets each chosen value, filling the
    // rows again after every change (a change may change what the other options offer). Returns
    // true on OK once validation passes and the options are saved; false on cancel or at the end
    // of the input.
    static bool run(Options& options, std::istream& in, std::ostream& out);

private:
    Ogre::RenderSystem* selectedRenderSystem = nullptr;
};

} // namespace Tolvarine
