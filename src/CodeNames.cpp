#include "CodeNames.h"

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

#include <functional>
#include <string>

namespace Tolvarine {

std::vector<const CodeNames::Name*> CodeNames::all()
{
    std::vector<const Name*> names;
    const auto add = [&names](const auto& list) { names.insert(names.end(), list.begin(), list.end()); };
    add(SOUNDS);
    add(SCREENS);
    add(SCENERY);
    add(PICTURES);
    add(SCENARIOS);
    add(SHIP_TYPES);
    names.push_back(&DIFFICULTY_CURVE);
    return names;
}

void CodeNames::refuse(const Name& name)
{
    GameLog::line(std::string(name.user) + " needs the " + name.kind + " " + name.name + " of " + name.file);
    throw ConfigurationError();
}

void CodeNames::require(const Name& name, const std::function<void()>& lookUp)
{
    try {
        lookUp();
    } catch (const ConfigurationError&) {
        refuse(name);
    }
}

void CodeNames::checkSounds()
{
    for (const Name* sound : SOUNDS)
        require(*sound, [sound] { SoundSource::requireDefinition(sound->name); });
}

// The readers of the scenery's own builders: a material as the display sets it, a mesh as an
// entity loads it, a particle template as the space dust asks for it.
void CodeNames::checkResource(const Name& name)
{
    const std::string kind = name.kind;
    require(name, [&name, &kind] {
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

void CodeNames::checkScenarios()
{
    const ScenarioManager& scenarios = ScenarioManager::getSingleton();
    for (const Name* scenario : SCENARIOS) {
        if (!scenarios.findScenario(scenario->name))
            refuse(*scenario);
    }
}

void CodeNames::checkShipTypes()
{
    for (const Name* ship : SHIP_TYPES)
        require(*ship, [ship] { ShipType::getByName(ship->name); });
}

} // namespace Tolvarine
