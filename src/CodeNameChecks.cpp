#include "CodeNameChecks.h"

#include "ConfigurationError.h"
#include "GameLog.h"
#include "MaterialCheck.h"
#include "MeshLoader.h"
#include "ScenarioManager.h"
#include "ShipType.h"
#include "SoundSource.h"

#include <OgreMovableObject.h>
#include <OgreParticleSystemManager.h>
#include <OgreResourceGroupManager.h>

#include <cstring>
#include <string>

namespace Tolvarine {

void CodeNameChecks::checkSounds()
{
    for (const CodeNames::Name* sound : CodeNames::SOUNDS)
        CodeNames::require(*sound, [sound] { SoundSource::requireDefinition(sound->name); });
}

// The readers of the scenery's own builders: a material as the display sets it, a mesh as an
// entity loads it, a particle template as the space dust asks for it.
void CodeNameChecks::checkResource(const CodeNames::Name& name)
{
    const std::string kind = name.kind;
    CodeNames::require(name, [&name, &kind] {
        if (kind == "material") {
            MaterialCheck::require(name.name, name.user);
        } else if (kind == "mesh") {
            MeshLoader::load(name.name, Ogre::RGN_AUTODETECT, false, name.user);
        } else if (!Ogre::ParticleSystemManager::getSingleton().getTemplate(name.name)) {
            GameLog::line(std::string(name.user) + ": unknown particle template " + name.name);
            throw ConfigurationError();
        }
    });
}

void CodeNameChecks::checkScenarios()
{
    const ScenarioManager& scenarios = ScenarioManager::getSingleton();
    for (const CodeNames::Name* scenario : CodeNames::SCENARIOS) {
        if (!scenarios.findScenario(scenario->name))
            CodeNames::refuse(*scenario);
    }
}

// A file may give a type name other than its own, so a name is looked up the way its user takes
// the ship: the tutorial's practice by file (Ship::createByFilename), the play menu's fleet
// (Ship::spawnFleet) and the survival's waves (WarpArrival::create) by type name.
void CodeNameChecks::checkShipTypes()
{
    for (const CodeNames::Name* ship : CodeNames::SHIP_TYPES) {
        const bool byFile = std::strcmp(ship->kind, CodeNames::SHIP_FILE_KIND) == 0;
        CodeNames::require(*ship, [ship, byFile] {
            if (byFile)
                ShipType::getByFilename(ship->name);
            else
                ShipType::getByName(ship->name);
        });
    }
}

} // namespace Tolvarine
