// The data the test ground relies on is shipped: its overlay and font, the keys that work it, the
// spray and target ship it uses and the two scenarios it loads.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace Tolvarine {
namespace {

TEST(TestGroundDataLint, OverlayKeysSprayTargetAndScenariosAreShipped)
{
    const std::string overlay = "data/overlays/test_ground.overlay";
    const std::pair<std::string, std::string> rows[] = {
        {overlay, "overlay TestGround\n"}, {overlay, "overlay_element TestGround/Category/Text TextArea\n"},
        {overlay, "overlay_element TestGround/Item/Text TextArea\n"}, {overlay, "font_name Hud/Font\n"},
        {"data/overlays/hud.fontdef", "font Hud/Font\n"}, {"data/explosions/plating.spray", "["},
        {"data/entities/trifighter.ship", "name = trifighter\n"},
        {"data/scenarios/test_ground.py", "return \"TestGround\"\n"}, {"data/scenarios/test_ground.py", "createFactions()"},
        {"data/scenarios/test.py", "return \"Test\"\n"}, {"cfg/active.keymap", "\nnext_category = "},
        {"cfg/active.keymap", "\nprev_category = "}, {"cfg/active.keymap", "\nnext_item = "},
        {"cfg/active.keymap", "\nprev_item = "}, {"cfg/active.keymap", "\ntoggle_test_ground = "},
        {"cfg/active.keymap", "\nload_test_scenario = "}, {"cfg/active.keymap", "\ntest_special = "}};
    for (const auto& [file, text] : rows) {
        std::ostringstream content;
        content << std::ifstream(std::string(TOLVARINE_SOURCE_DIR) + "/" + file).rdbuf();
        EXPECT_NE(content.str().find(text), std::string::npos) << file << ": " << text;
    }
}

} // namespace
} // namespace Tolvarine
