// Checks the data the test ground relies on against the data tree: its overlay and font, the
// keys that work it, the spray and target ship it uses and the two scenarios it loads.

#include "Config.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace Tolvarine {
namespace {

std::string source(const std::string& relative)
{
    return std::string(TOLVARINE_SOURCE_DIR) + "/" + relative;
}

std::string fileText(const std::string& relative)
{
    std::ostringstream text;
    text << std::ifstream(source(relative)).rdbuf();
    return text.str();
}

TEST(TestGroundDataLint, OverlayKeysSprayTargetAndScenariosAreShipped)
{
    const struct {
        const char* file;
        const char* text;
    } rows[] = {
        {"data/overlays/test_ground.overlay", "overlay TestGround\n"},
        {"data/overlays/test_ground.overlay", "overlay_element TestGround/Category/Text TextArea\n"},
        {"data/overlays/test_ground.overlay", "overlay_element TestGround/Item/Text TextArea\n"},
        {"data/overlays/test_ground.overlay", "font_name Hud/Font\n"},
        {"data/overlays/hud.fontdef", "font Hud/Font\n"},
        {"data/explosions/plating.spray", "["},
        {"data/entities/trifighter.ship", "name = trifighter\n"},
        {"data/scenarios/test_ground.py", "return \"TestGround\"\n"},
        {"data/scenarios/test_ground.py", "createFactions()"},
        {"data/scenarios/test.py", "return \"Test\"\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.file) + ": " + row.text);
        EXPECT_NE(fileText(row.file).find(row.text), std::string::npos);
    }
    const Config keys(source("cfg/active.keymap"));
    for (const char* symbol : {"next_category", "prev_category", "next_item", "prev_item", "toggle_test_ground",
                               "load_test_scenario", "test_special"})
        EXPECT_FALSE(keys.get<std::string>("Mapping", symbol).empty()) << symbol;
}

} // namespace
} // namespace Tolvarine
