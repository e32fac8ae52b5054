#include "ConfigDialog.h"

#include "ConfigFiles.h"

#include <gtest/gtest.h>

#include <OgreRenderSystem.h>
#include <OgreRoot.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

namespace Tolvarine {
namespace {

namespace fs = std::filesystem;
using Test::readFile;
using Test::writeFile;
using Test::TemporaryFolder;

Ogre::ConfigOption option(const std::string& name, std::vector<std::string> values, bool immutable = false)
{
    return Ogre::ConfigOption{name, values.front(), values, immutable};
}

// A render system's options as the dialog sees them: the device decides which video modes are
// offered, anti-aliasing needs a large enough mode, and saving writes a file.
class FakeOptions : public ConfigDialog::Options {
public:
    explicit FakeOptions(fs::path savePath = {}) : savePath(std::move(savePath))
    {
        add(option("Anti aliasing", {"None", "4"}));
        add(option("Colour Depth", {"32"}, true));
        add(option("Floating-point mode", {"Fastest", "Consistent"}));
        add(option("Full Screen", {"No", "Yes"}));
        add(option("Rendering Device", {"Card A", "Card B"}));
        add(option("VSync", {"No", "Yes"}));
        add(option("Video Mode", modesOf("Card A")));
    }

    static std::vector<std::string> modesOf(const std::string& device)
    {
        return device == "Card A" ? std::vector<std::string>{"800 x 600 @ 32-bit colour", "1024 x 768 @ 32-bit colour"}
                                  : std::vector<std::string>{"1280 x 1024 @ 32-bit colour", "1920 x 1080 @ 32-bit colour"};
    }

    void add(const Ogre::ConfigOption& option) { options[option.name] = option; }

    Ogre::ConfigOptionMap getOptions() const override { return options; }

    void setOption(const std::string& name, const std::string& value) override
    {
        set.push_back(name + "=" + value);
        options.at(name).currentValue = value;
        if (name == "Rendering Device")
            add(option("Video Mode", modesOf(value)));
    }

    std::string validate() override
    {
        const bool tooSmall = options["Anti aliasing"].currentValue == "4" && options["Video Mode"].currentValue == "800 x 600 @ 32-bit colour";
        return tooSmall ? "Anti aliasing needs a video mode of at least 1024 x 768" : "";
    }

    void save() override
    {
        ++saves;
        std::ofstream file(savePath);
        for (const auto& entry : options)
            file << entry.first << "=" << entry.second.currentValue << "\n";
    }

    Ogre::ConfigOptionMap options;
    std::vector<std::string> set;
    int saves = 0;
    fs::path savePath;
};

TEST(ConfigDialog, AnswersChangeFillAgainValidateAndSaveOnlyOnOk)
{
    TemporaryFolder folder;
    const std::string config = folder.file("ogre.cfg");
    // The answers typed, whether they end in OK, the options set, a line shown (or null), the video mode at the end.
    struct Row { const char *rule, *input; bool ok; std::vector<std::string> set; const char *shown, *video; };
    const Row rows[] = {
        {"a device change fills the mode row from the new device", "1\n2\n2\n1\nc\n", false,
         {"Rendering Device=Card B", "Video Mode=1280 x 1024 @ 32-bit colour"}, "    2) 1920 x 1080 @ 32-bit colour",
         "1280 x 1024 @ 32-bit colour"},
        {"a validation message keeps the dialog open", "3\n2\no\n2\n2\nOK\n", true,
         {"Anti aliasing=4", "Video Mode=1024 x 768 @ 32-bit colour"},
         "Tolvarine warning: Anti aliasing needs a video mode of at least 1024 x 768", "1024 x 768 @ 32-bit colour"},
        {"cancel saves nothing", "1\n2\nc\n", false, {"Rendering Device=Card B"}, nullptr, "1280 x 1024 @ 32-bit colour"},
        {"the end of input saves nothing", "1\n2\n", false, {"Rendering Device=Card B"}, nullptr, "1280 x 1024 @ 32-bit colour"},
        {"the end of input while choosing a value", "1\n", false, {}, nullptr, "800 x 600 @ 32-bit colour"},
        {"nothing at all", "", false, {}, nullptr, "800 x 600 @ 32-bit colour"},
        {"nonsense answers change nothing", "9\nx\n1\n7\n2\n\n2\nabc\n\no\n", true, {}, nullptr, "800 x 600 @ 32-bit colour"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        writeFile(config, "Render System=Earlier choice\n");
        FakeOptions options(config);
        std::istringstream in(row.input);
        std::ostringstream out;
        EXPECT_EQ(ConfigDialog::run(options, in, out), row.ok);
        EXPECT_EQ(options.set, row.set);
        if (row.shown) {
            EXPECT_NE(out.str().find(row.shown), std::string::npos) << out.str();
        }
        EXPECT_EQ(options.saves, row.ok ? 1 : 0);
        EXPECT_EQ(readFile(config).find("Earlier choice") != std::string::npos, !row.ok);
        EXPECT_EQ(options.options["Video Mode"].currentValue, row.video);
    }

    // A fixed option is shown as such and cannot be changed.
    FakeOptions fixed;
    fixed.add(option("Video Mode", {"640 x 480"}, true));
    std::istringstream change("2\nc\n");
    std::ostringstream shown;
    EXPECT_FALSE(ConfigDialog::run(fixed, change, shown));
    EXPECT_NE(shown.str().find("  2) Video Mode: 640 x 480 (fixed)"), std::string::npos);
    EXPECT_NE(shown.str().find("Video Mode cannot be changed."), std::string::npos);
    EXPECT_TRUE(fixed.set.empty());
}

// The dialog on the game's render system, answered through a pseudo-terminal. Loading the GL
// render system needs an X display.
TEST(ConfigDialog, OnTheGLRenderSystemOkSavesAndCancelDoesNot)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "the GL render system needs an X display (run under tools/with-display.sh)";

    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(terminal >= 0 && ::isatty(terminal));

    TemporaryFolder folder;
    const std::string config = folder.file("ogre.cfg");
    {
        Ogre::Root root("", config, "");
        root.loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/RenderSystem_GL");
        ConfigDialog dialog;
        std::istringstream cancel("c\n");
        std::ostringstream out, error;
        EXPECT_FALSE(dialog.display(terminal, cancel, out, error));
        EXPECT_FALSE(fs::exists(config));
        ASSERT_NE(dialog.getSelectedRenderSystem(), nullptr);
        EXPECT_EQ(root.getRenderSystem(), dialog.getSelectedRenderSystem());
        EXPECT_NE(out.str().find("Tolvarine Video Options"), std::string::npos);
        EXPECT_NE(out.str().find(") FSAA: "), std::string::npos);

        std::istringstream ok("o\n");
        EXPECT_TRUE(dialog.display(terminal, ok, out, error));
        EXPECT_TRUE(error.str().empty());
    }
    ::close(terminal);
    const std::string saved = readFile(config);
    for (const char* line : {"Render System=OpenGL Rendering Subsystem", "Full Screen=Yes", "VSync=Yes"})
        EXPECT_NE(saved.find(line), std::string::npos) << saved;
}

} // namespace
} // namespace Tolvarine
