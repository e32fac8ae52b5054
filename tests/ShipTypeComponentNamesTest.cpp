// A component's name is its section name less the first ten characters, wherever "Component_"
// stands; neighbour lists name components the same way.
#include "ShipType.h"

#include "ConfigFiles.h"
#include "ShipFiles.h"

#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

TEST(ShipTypeComponentNamesTest, NamesDropTheFirstTenCharactersAndNeighboursUseThem)
{
    // Each row is one component section of the same file, in file order.
    const struct { const char *section, *name; std::vector<std::string> adjacent; } rows[] = {
        {"Component_Hull", "Hull", {"nent_Engine", "Engine"}}, // only the first name is a component
        {"Hull Component_Engine", "nent_Engine", {}},
        {"XComponent_Wing", "_Wing", {"Hull"}},
        {"Component_", "", {}},
        {"Spare Component_", "onent_", {""}},
    };
    std::string components;
    for (const auto& row : rows)
        components += componentText(row.section, 10, row.adjacent);
    TemporaryFolder folder;
    std::filesystem::create_directories(folder.file("entities"));
    writeFile(folder.file("entities/moth.ship"), shipText("Moth", {}, components));
    ShipType::loadAll(folder.file("entities"));
    const ShipType& type = ShipType::getByName("Moth");

    ASSERT_EQ(type.getComponentCount(), std::size(rows));
    for (unsigned i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].section);
        EXPECT_EQ(type.getComponentName(i), rows[i].name);
        // The wireframe is the section's own mesh, found by the same index.
        EXPECT_EQ(type.getComponentMesh(i), std::string(rows[i].section) + ".mesh");
    }
    // Hull and "nent_Engine" link; "Engine" names nothing; "XComponent_Wing" names Hull; the empty
    // name of the last section finds "Component_", the one other component with that name.
    EXPECT_EQ(type.getComponentNeighbours(0), (std::vector<unsigned>{1, 2}));
    EXPECT_EQ(type.getComponentNeighbours(1), (std::vector<unsigned>{0}));
    EXPECT_EQ(type.getComponentNeighbours(3), (std::vector<unsigned>{4}));
    ShipType::unloadAll();
}

} // namespace
} // namespace Tolvarine::Test
