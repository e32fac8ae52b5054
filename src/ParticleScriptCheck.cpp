#include "ParticleScriptCheck.h"

#include "ConfigurationError.h"
#include "GameLog.h"
#include "ResourceFiles.h"
#include "ValueRange.h"

#include <OgreStringConverter.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace Tolvarine {

namespace {

// The numbers an attribute gives, each word read as the particle library reads a number; words
// that are no number (a material's name) are left out.
std::vector<float> numbersOf(const Ogre::PropertyAbstractNode& attribute)
{
    std::vector<float> numbers;
    for (const Ogre::AbstractNodePtr& value : attribute.values) {
        float number = 0.0f;
        if (value->type == Ogre::ANT_ATOM && Ogre::StringConverter::parse(value->getValue(), number))
            numbers.push_back(number);
    }
    return numbers;
}

// The first number, as the library reads a single one; 0, its reading of a missing one, when none.
float firstNumber(const Ogre::PropertyAbstractNode& attribute)
{
    const std::vector<float> numbers = numbersOf(attribute);
    return numbers.empty() ? 0.0f : numbers.front();
}

// The attribute's words as the library joins them before it reads them.
std::string textOf(const Ogre::PropertyAbstractNode& attribute)
{
    std::string text;
    for (const Ogre::AbstractNodePtr& value : attribute.values)
        text += (text.empty() ? "" : " ") + value->getValue();
    return text;
}

// An emitter's or affector's block with its type: "emitter Point". The compiler keeps the type
// among the block's values, after its class.
std::string blockName(const Ogre::ObjectAbstractNode& block)
{
    std::string name = block.cls;
    if (!block.name.empty())
        name += " " + block.name;
    for (const Ogre::AbstractNodePtr& value : block.values)
        name += " " + value->getValue();
    return name;
}

bool isOneOf(const std::string& name, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(), [&name](const char* each) { return name == each; });
}

} // namespace

struct ParticleScriptCheck::Place {
    std::string path;
    std::string system;
    // "emitter Point", "affector Scaler", or empty for the template's own attributes.
    std::string block;

    [[noreturn]] void refuse(const Ogre::AbstractNode& node, const std::string& attribute,
                             const std::string& reason) const
    {
        const std::string where = "particle_system " + system + (block.empty() ? "" : ", " + block);
        GameLog::line(path + ": " + where + ": " + reason);
        GameLog::line("Particle script: in " + path + " (line " + std::to_string(node.line) + "), " + where
                      + ", attribute " + attribute);
        throw ConfigurationError();
    }
};

// What an emitter's attributes say of its particles' flight, in the order the library sets them:
// its defaults are a speed of 1 and a life of 5 s. Each end of a range keeps the attribute that set it.
struct ParticleScriptCheck::Flight {
    struct End {
        float value;
        std::string attribute;
        const Ogre::AbstractNode* node = nullptr;
    };
    End slowest{1.0f, "velocity"};
    End fastest{1.0f, "velocity"};
    End shortest{5.0f, "time_to_live"};
    End longest{5.0f, "time_to_live"};
    // The box an area emitter (Box, Cylinder, Ellipsoid, HollowEllipsoid, Ring) places its particles
    // in, about its position: 100 each way unless set.
    End width{100.0f, "width"};
    End height{100.0f, "height"};
    End depth{100.0f, "depth"};

    const End& speed() const { return std::abs(fastest.value) >= std::abs(slowest.value) ? fastest : slowest; }
    const End& life() const { return longest.value >= shortest.value ? longest : shortest; }
};

ParticleScriptCheck::ParticleScriptCheck()
    : replaced(Ogre::ScriptCompilerManager::getSingleton().getListener())
{
    Ogre::ScriptCompilerManager::getSingleton().setListener(this);
}

ParticleScriptCheck::~ParticleScriptCheck()
{
    if (Ogre::ScriptCompilerManager* compilers = Ogre::ScriptCompilerManager::getSingletonPtr())
        compilers->setListener(replaced);
}

bool ParticleScriptCheck::postConversion(Ogre::ScriptCompiler*, const Ogre::AbstractNodeListPtr& nodes)
{
    for (const Ogre::AbstractNodePtr& node : *nodes) {
        if (node->type != Ogre::ANT_OBJECT)
            continue;
        const auto& object = static_cast<const Ogre::ObjectAbstractNode&>(*node);
        // An abstract template is never made; the templates that inherit from it carry its values.
        if (object.cls == "particle_system" && !object.abstract)
            checkSystem(object);
    }
    return true;
}

void ParticleScriptCheck::checkSystem(const Ogre::ObjectAbstractNode& system)
{
    const Place place{ResourceFiles::locate(system.file), system.name, ""};
    for (const Ogre::AbstractNodePtr& child : system.children) {
        if (child->type == Ogre::ANT_PROPERTY) {
            checkSystemAttribute(place, static_cast<const Ogre::PropertyAbstractNode&>(*child));
        } else if (child->type == Ogre::ANT_OBJECT) {
            const auto& block = static_cast<const Ogre::ObjectAbstractNode&>(*child);
            if (block.cls == "emitter") {
                checkEmitter(place, block);
            } else {
                const Place affector{place.path, place.system, blockName(block)};
                for (const Ogre::AbstractNodePtr& attribute : block.children)
                    if (attribute->type == Ogre::ANT_PROPERTY)
                        checkFinite(affector, static_cast<const Ogre::PropertyAbstractNode&>(*attribute));
            }
        }
    }
}

void ParticleScriptCheck::checkSystemAttribute(const Place& place, const Ogre::PropertyAbstractNode& attribute)
{
    checkFinite(place, attribute);
    if (attribute.name == "quota" && firstNumber(attribute) < 0.0f)
        place.refuse(attribute, attribute.name,
                     "quota " + textOf(attribute) + " lies below 0: the particle library reads it as "
                         + std::to_string(Ogre::StringConverter::parseUnsignedInt(textOf(attribute)))
                         + " particles, more than it can make");
    if (isOneOf(attribute.name, {"particle_width", "particle_height"}) && firstNumber(attribute) < 0.0f)
        place.refuse(attribute, attribute.name,
                     attribute.name + " " + ValueRange::figure(firstNumber(attribute))
                         + " lies below 0: the particle library ends the game on a negative particle size");
}

void ParticleScriptCheck::checkEmitter(const Place& system, const Ogre::ObjectAbstractNode& emitter)
{
    const Place place{system.path, system.system, blockName(emitter)};
    Flight flight;
    for (const Ogre::AbstractNodePtr& attribute : emitter.children)
        if (attribute->type == Ogre::ANT_PROPERTY)
            checkEmitterAttribute(place, static_cast<const Ogre::PropertyAbstractNode&>(*attribute), flight);
    checkFlight(place, flight);
    const std::string type = emitter.values.empty() ? std::string() : emitter.values.front()->getValue();
    if (isOneOf(type, {"Box", "Cylinder", "Ellipsoid", "HollowEllipsoid", "Ring"}))
        checkArea(place, flight);
}

void ParticleScriptCheck::checkEmitterAttribute(const Place& place, const Ogre::PropertyAbstractNode& attribute,
                                                Flight& flight)
{
    checkFinite(place, attribute);
    const std::string& name = attribute.name;
    const float value = firstNumber(attribute);
    if (isOneOf(name, {"time_to_live", "time_to_live_min"}) && value < 0.0f)
        place.refuse(attribute, name,
                     name + " " + ValueRange::figure(value)
                         + " lies below 0: the particle library ends the game on a negative time to live");
    if (name == "position") {
        for (const float coordinate : numbersOf(attribute))
            if (std::abs(coordinate) > ValueRange::MAX_DRAWN_LENGTH)
                place.refuse(attribute, name,
                             "position " + textOf(attribute) + " lies beyond "
                                 + ValueRange::figure(ValueRange::MAX_DRAWN_LENGTH)
                                 + " on an axis, the farthest the renderer can draw");
    }
    const Flight::End end{value, name, &attribute};
    if (isOneOf(name, {"velocity", "velocity_min"}))
        flight.slowest = end;
    if (isOneOf(name, {"velocity", "velocity_max"}))
        flight.fastest = end;
    if (isOneOf(name, {"time_to_live", "time_to_live_min"}))
        flight.shortest = end;
    if (isOneOf(name, {"time_to_live", "time_to_live_max"}))
        flight.longest = end;
    if (name == "width")
        flight.width = end;
    if (name == "height")
        flight.height = end;
    if (name == "depth")
        flight.depth = end;
}

// A particle's place is the emitter's plus its speed times its age, summed with the others into the
// renderer's boxes. One born in a frame starts up to that frame's step along its flight, and lives
// until a frame's step passes what is left of its life. An engine exhaust living 0.4 s ended the game
// through the boxes' assertion at a speed of 3.4e38, and in one run of four at 2e38; at 1e38 it
// played, and so did a spray living 0.5 s.
void ParticleScriptCheck::checkFlight(const Place& place, const Flight& flight)
{
    const Flight::End& speed = flight.speed();
    const Flight::End& life = flight.life();
    const double flown = std::min<double>(std::max(life.value, 0.0f), LONGEST_FLIGHT_SECONDS) + FRAME_SECONDS;
    const double reach = std::abs(double(speed.value)) * flown;
    if (reach <= ValueRange::MAX_DRAWN_LENGTH)
        return;
    // At the default speed of 1 no life reaches this far: the speed was set.
    place.refuse(*speed.node, speed.attribute,
                 "a particle at " + speed.attribute + " " + ValueRange::figure(speed.value) + " living "
                     + life.attribute + " " + ValueRange::figure(life.value) + " s and a frame of "
                     + ValueRange::figure(FRAME_SECONDS) + " s flies "
                     + (std::isfinite(float(reach)) ? ValueRange::figure(float(reach)) : std::string("past 3.4e+38"))
                     + " units, beyond " + ValueRange::figure(ValueRange::MAX_DRAWN_LENGTH)
                     + ", the farthest the renderer can draw");
}

// The renderer's boxes of the system span the whole area its particles start in, turned with the
// emitter's node. The space dust's box 3.4e38 high ended the data sweep's fight through the boxes'
// assertion (exit 134). In a probe of that dust turned every frame (300 to 400 runs of each shape)
// the first shape to end the game was a box 2e38 high (7 runs of 400), then 1.5e38 on two sides (a
// diagonal of 2.1e38, 1 of 300) and 1.35e38 on three (2.3e38, 15 of 300); every box whose diagonal
// stays below 2e38 played in every run (1.95e38 high, 1.4e38 on two sides, 1.9e38 by 0.5e38), and
// so did 1.2e38 and 1.3e38 on three sides, which the bound refuses with the shapes that fault.
void ParticleScriptCheck::checkArea(const Place& place, const Flight& flight)
{
    const double diagonal = std::sqrt(double(flight.width.value) * flight.width.value
                                      + double(flight.height.value) * flight.height.value
                                      + double(flight.depth.value) * flight.depth.value);
    if (diagonal < MAX_AREA_SPAN)
        return;
    // The side that was set furthest out: a default of 100 never takes the diagonal this far.
    const Flight::End* widest = &flight.width;
    for (const Flight::End* side : {&flight.height, &flight.depth})
        if (std::abs(side->value) > std::abs(widest->value))
            widest = side;
    place.refuse(*widest->node, widest->attribute,
                 "an area of width " + ValueRange::figure(flight.width.value) + ", height "
                     + ValueRange::figure(flight.height.value) + " and depth " + ValueRange::figure(flight.depth.value)
                     + " spans " + (std::isfinite(float(diagonal)) ? ValueRange::figure(float(diagonal)) : std::string("past 3.4e+38"))
                     + " across, " + ValueRange::figure(MAX_AREA_SPAN)
                     + " or more, where the renderer's boxes of its particles end the game");
}

// The library takes such a number as it is and ends the game on it, at once or once it is drawn
// (a particle size, an angle, a direction, a scale rate of infinity).
void ParticleScriptCheck::checkFinite(const Place& place, const Ogre::PropertyAbstractNode& attribute)
{
    // The attributes whose words are names or switches, which the library never reads as numbers
    // (it would read a material "infrared" as infinity).
    if (isOneOf(attribute.name, {"material", "renderer", "billboard_type", "billboard_origin", "billboard_rotation_type",
                                 "sorted", "local_space", "cull_each", "point_rendering", "accurate_facing", "name",
                                 "emit_emitter", "enabled", "force_application", "image"}))
        return;
    for (const float number : numbersOf(attribute))
        if (!std::isfinite(number))
            place.refuse(attribute, attribute.name,
                         attribute.name + " " + textOf(attribute) + " is no finite number");
}

} // namespace Tolvarine
