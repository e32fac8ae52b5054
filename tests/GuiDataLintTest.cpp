#include "Config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace Tolvarine::Test {
namespace {

namespace fs = std::filesystem;
const fs::path SOURCE(TOLVARINE_SOURCE_DIR);

std::string contents(const fs::path& path)
{
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The GUI's data: the settings name a scheme and a font the data tree holds, the scheme is built
// on the installed TaharezLook files, the font does not scale, and the frame-rate overlay has the
// elements and font the interface looks up.
TEST(GuiDataLint, TheSettingsSchemeFontAndStatsOverlayFitTogether)
{
    const Config interface((SOURCE / "cfg/interface.cfg").string());
    const Config widgets((SOURCE / "cfg/widget_factory.cfg").string());
    const auto scheme = interface.get<std::string>("GUI", "scheme");
    const auto font = interface.get<std::string>("GUI", "font");
    const std::string schemeText = contents(SOURCE / "data/gui" / (scheme + ".scheme"));
    const std::string fontText = contents(SOURCE / "data/fonts" / (font + ".font"));
    const struct {
        const char* what;
        bool holds;
    } rows[] = {
        {"cursor image set", scheme == "TaharezLook"},
        {"settings", interface.get<float>("GUI", "alpha") > 0 && interface.get<bool>("Interface", "showCommandSystem") &&
                         !interface.get<bool>("Interface", "showFps") &&
                         widgets.get<float>("Combo", "heightLines") >= 2 && widgets.get<float>("Combo", "extraWidth") > 0},
        {"scheme name", schemeText.find("name=\"" + scheme + "\"") != std::string::npos},
        {"scheme font", schemeText.find("<Font filename=\"" + font + ".font\"") != std::string::npos},
        {"installed looks", fs::exists("/usr/share/cegui-0.8.7/imagesets/TaharezLook.imageset") &&
                                fs::exists("/usr/share/cegui-0.8.7/looknfeel/TaharezLook.looknfeel")},
        {"static text", schemeText.find("windowType=\"TaharezLook/StaticText\"") != std::string::npos},
        {"font name", fontText.find("name=\"" + font + "\"") != std::string::npos},
        {"font does not scale", fontText.find("autoScaled=\"false\"") != std::string::npos},
        {"font file", fs::exists(fs::path("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")) &&
                          fontText.find("filename=\"DejaVuSans.ttf\"") != std::string::npos},
        {"Stats values", contents(SOURCE / "data/gui/stats.overlay").find("Stats/TopRight/Tris TextArea") !=
                             std::string::npos},
        {"Stats font", contents(SOURCE / "data/fonts/stats.fontdef").find("font Stats/Font") != std::string::npos},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_TRUE(row.holds);
    }
}

} // namespace
} // namespace Tolvarine::Test
