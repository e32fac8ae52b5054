#include "Config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// The GUI settings name a scheme and a font the data tree holds; the scheme builds on the
// installed TaharezLook files, the font on the installed DejaVu Sans and does not scale; the
// frame-rate overlay has the elements and the font the interface looks up.
TEST(GuiDataLint, TheSettingsSchemeFontAndStatsOverlayFitTogether)
{
    const fs::path source(TOLVARINE_SOURCE_DIR);
    const Config settings((source / "cfg/interface.cfg").string());
    const Config widgets((source / "cfg/widget_factory.cfg").string());
    const auto scheme = settings.get<std::string>("GUI", "scheme");
    const auto font = settings.get<std::string>("GUI", "font");
    const std::string schemeText = contents(source / "data/gui" / (scheme + ".scheme"));
    const std::string fontText = contents(source / "data/fonts" / (font + ".font"));
    const std::pair<const char*, bool> rows[] = {
        {"cursor image set", scheme == "TaharezLook" && schemeText.find("name=\"TaharezLook\"") != std::string::npos},
        {"settings", settings.get<float>("GUI", "alpha") > 0 && settings.get<bool>("Interface", "showCommandSystem") &&
                         widgets.get<float>("Combo", "heightLines") >= 2 && widgets.get<float>("Combo", "extraWidth") > 0},
        {"scheme font", schemeText.find("<Font filename=\"" + font + ".font\"") != std::string::npos},
        {"installed looks", fs::exists("/usr/share/cegui-0.8.7/imagesets/TaharezLook.imageset") &&
                                fs::exists("/usr/share/cegui-0.8.7/looknfeel/TaharezLook.looknfeel")},
        {"font", fontText.find("name=\"" + font + "\"") != std::string::npos &&
                     fontText.find("autoScaled=\"false\"") != std::string::npos},
        {"font file", fs::exists("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf") &&
                          fontText.find("filename=\"DejaVuSans.ttf\"") != std::string::npos},
        {"Stats", contents(source / "data/gui/stats.overlay").find("Stats/TopRight/Tris TextArea") != std::string::npos &&
                      contents(source / "data/fonts/stats.fontdef").find("font Stats/Font") != std::string::npos},
    };
    for (const auto& [what, holds] : rows)
        EXPECT_TRUE(holds) << what;
}

} // namespace
} // namespace Tolvarine::Test
