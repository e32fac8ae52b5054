#pragma once

#include "CodeNames.h"

#include <array>

namespace Tolvarine {

// The start-up's look-ups of the names the game's own code gives (CodeNames), each with the reader
// of the name's use, so that a name missing from the data stops the start, or refuses a reload of
// the types that answer it, instead of ending the game where it is first used. The look-ups reach
// the sound, resource, scenario and ship type readers; the list itself stays apart from them, since
// the low classes that take their names from it sit beneath those readers.
class CodeNameChecks {
public:
    // Each looks up every name of its list, as its use does; the first one missing is refused
    // with the reader's line and CodeNames::refuse's.
    static void checkSounds();
    // Materials, meshes and particle templates (SCREENS, SCENERY), once their group is loaded.
    template <std::size_t N>
    static void checkResources(const std::array<const CodeNames::Name*, N>& names)
    {
        for (const CodeNames::Name* name : names)
            checkResource(*name);
    }
    static void checkScenarios();
    // SHIP_TYPES, against the ship types loaded now: a "ship type" by its type name, a "ship type
    // file" by its file's base name. The start-up and a reload of the ship types run it on the
    // types just read (Ship::checkTypeReferences).
    static void checkShipTypes();

private:
    static void checkResource(const CodeNames::Name& name);
};

} // namespace Tolvarine
