#include "ScriptArguments.h"

#include "ConfigurationError.h"
#include "GameLog.h"
#include "PhysicsEngine.h"
#include "Ship.h"
#include "ShipType.h"
#include "ValueRange.h"
#include "WarpArrival.h"

#include <boost/python/dict.hpp>
#include <boost/python/errors.hpp>
#include <boost/python/extract.hpp>
#include <boost/python/list.hpp>
#include <boost/python/str.hpp>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

namespace Tolvarine {

namespace {

// The text goes to the log as well: a script may catch the error and go on, and a scenario that
// then fails must still be readable from the log alone.
[[noreturn]] void refuse(const char* call, const std::string& reason)
{
    const std::string text = std::string(call) + ": " + reason;
    GameLog::line(text);
    PyErr_SetString(PyExc_ValueError, text.c_str());
    throw boost::python::error_already_set();
}

// Every figure with the digits that tell it from its neighbours: a place just beyond the limit
// was shown as the limit itself.
std::string shown(float value)
{
    return ValueRange::exactFigure(value);
}

std::string shown(const Ogre::Vector3& value)
{
    return "Vector3(" + shown(value.x) + ", " + shown(value.y) + ", " + shown(value.z) + ")";
}

std::string shown(const Ogre::Quaternion& value)
{
    return "Quaternion(" + shown(value.w) + ", " + shown(value.x) + ", " + shown(value.y) + ", " + shown(value.z) + ")";
}

bool isFinite(const Ogre::Vector3& value)
{
    return std::isfinite(value.x) && std::isfinite(value.y) && std::isfinite(value.z);
}

bool isFinite(const Ogre::Quaternion& value)
{
    return std::isfinite(value.w) && std::isfinite(value.x) && std::isfinite(value.y) && std::isfinite(value.z);
}

// Both engines normalise in float by dividing by the root of the squared length: a sum that is
// zero, too small to divide by, or beyond float gives NaN or a zero result.
bool canNormalise(float squaredLength)
{
    return std::isfinite(squaredLength) && squaredLength >= std::numeric_limits<float>::min();
}

template <typename Value>
void requireFinite(const char* call, const char* what, const Value& value, bool finite)
{
    if (!finite)
        refuse(call, std::string(what) + " " + shown(value) + " is not finite");
}

// One count of a fleet: a Python int from 0 to MAX_SHIPS_IN_PLAY. Anything that is not an int
// keeps the binding's own TypeError.
unsigned fleetCount(const char* call, const std::string& typeName, const boost::python::object& value)
{
    int overflow = 0;
    const long long count = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (count == -1 && PyErr_Occurred())
        throw boost::python::error_already_set();
    const std::string shownCount = boost::python::extract<std::string>(boost::python::str(value));
    // On an overflow the count reads -1 and only the flag tells which way.
    if (overflow > 0 || (overflow == 0 && count > ScriptArguments::MAX_SHIPS_IN_PLAY))
        refuse(call, "the count " + shownCount + " of " + typeName + " is above " +
                         std::to_string(ScriptArguments::MAX_SHIPS_IN_PLAY) + ", the most ships in play");
    if (overflow < 0 || count < 0)
        refuse(call, "the count " + shownCount + " of " + typeName + " is below 0");
    return static_cast<unsigned>(count);
}

} // namespace

Ogre::Vector3 ScriptArguments::position(const char* call, const Ogre::Vector3& position)
{
    requireFinite(call, "the position", position, isFinite(position));
    if (!PhysicsEngine::isWithinReach(position))
        refuse(call, "the position " + shown(position) + " lies beyond " + shown(PhysicsEngine::MAX_COORDINATE) +
                         " on an axis, the limit of the physics space");
    return position;
}

void ScriptArguments::fleetPlaces(const char* call, const Ogre::Vector3& centre,
                                  const std::vector<Ogre::Vector3>& places)
{
    for (const Ogre::Vector3& place : places) {
        if (!PhysicsEngine::isWithinReach(place))
            refuse(call, "the fleet laid out around " + shown(centre) + " would place a ship at " + shown(place) +
                             ", beyond " + shown(PhysicsEngine::MAX_COORDINATE) +
                             " on an axis, the limit of the physics space");
    }
}

Ogre::Vector3 ScriptArguments::direction(const char* call, const Ogre::Vector3& direction)
{
    requireFinite(call, "the direction", direction, isFinite(direction));
    if (!canNormalise(direction.squaredLength()))
        refuse(call, "the direction " + shown(direction) + " cannot be normalised");
    return direction.normalisedCopy();
}

Ogre::Vector3 ScriptArguments::velocity(const char* call, const Ogre::Vector3& velocity)
{
    requireFinite(call, "the velocity", velocity, isFinite(velocity));
    // Compared squared in double: the square of a large finite float is beyond float.
    const double speedSquared = double(velocity.x) * velocity.x + double(velocity.y) * velocity.y +
                                double(velocity.z) * velocity.z;
    const double limit = PhysicsEngine::MAX_SPEED;
    if (speedSquared > limit * limit)
        refuse(call, "the velocity " + shown(velocity) + " is faster than " + shown(PhysicsEngine::MAX_SPEED) +
                         ", the limit of the physics");
    return velocity;
}

Ogre::Quaternion ScriptArguments::orientation(const char* call, const Ogre::Quaternion& orientation)
{
    requireFinite(call, "the orientation", orientation, isFinite(orientation));
    if (!canNormalise(orientation.Norm()))
        refuse(call, "the orientation " + shown(orientation) + " cannot be normalised");
    Ogre::Quaternion unit = orientation;
    unit.normalise();
    return unit;
}

float ScriptArguments::distance(const char* call, const char* what, float distance)
{
    const float limit = PhysicsEngine::MAX_COORDINATE;
    requireFinite(call, what, distance, std::isfinite(distance));
    if (std::abs(distance) > limit)
        refuse(call, std::string(what) + " " + shown(distance) + " lies beyond " + shown(limit) +
                         ", the limit of the physics space");
    return distance;
}

float ScriptArguments::finite(const char* call, const char* what, float value)
{
    requireFinite(call, what, value, std::isfinite(value));
    return value;
}

Ogre::Vector3 ScriptArguments::finite(const char* call, const char* what, const Ogre::Vector3& value)
{
    requireFinite(call, what, value, isFinite(value));
    return value;
}

float ScriptArguments::number(const char* call, const char* what, float value, float lowest, float highest)
{
    requireFinite(call, what, value, std::isfinite(value));
    if (value < lowest)
        refuse(call, std::string(what) + " " + shown(value) + " is below " + shown(lowest));
    if (value > highest)
        refuse(call, std::string(what) + " " + shown(value) + " is above " + shown(highest));
    return value;
}

const std::string& ScriptArguments::shipType(const char* call, const std::string& name)
{
    if (!Ship::getPoolFactory().canCreate(name))
        refuse(call, "there is no ship type " + name);
    return name;
}

const std::string& ScriptArguments::shipFile(const char* call, const std::string& fileBaseName)
{
    try {
        ShipType::getByFilename(fileBaseName);
    } catch (const ConfigurationError&) {
        // The look-up has logged its line, naming what the script gave; the script gets its own
        // error in place of the game's, naming the same. A name given with its extension is the
        // common slip: the call takes the file's base name.
        const bool withExtension = std::filesystem::path(fileBaseName).extension() == ".ship";
        refuse(call, "there is no ship type file " + fileBaseName +
                         (withExtension ? " (the call takes the file's base name, without \".ship\")" : ""));
    }
    return fileBaseName;
}

std::map<std::string, unsigned> ScriptArguments::fleet(const char* call, const boost::python::dict& fleet)
{
    std::map<std::string, unsigned> entries;
    const boost::python::list keys = fleet.keys();
    for (long i = 0; i < boost::python::len(keys); ++i) {
        const std::string typeName = boost::python::extract<std::string>(keys[i]);
        shipType(call, typeName);
        entries[typeName] = fleetCount(call, typeName, fleet[keys[i]]);
    }
    return entries;
}

unsigned ScriptArguments::fleetSize(const std::map<std::string, unsigned>& fleet)
{
    // Each count is at most the bound and each type is one of the few loaded: the sum cannot wrap.
    unsigned ships = 0;
    for (const auto& entry : fleet)
        ships += entry.second;
    return ships;
}

void ScriptArguments::roomForShips(const char* call, unsigned ships)
{
    const std::size_t inPlay = Ship::countActive() + WarpArrival::countShipsToCome();
    if (inPlay + ships <= MAX_SHIPS_IN_PLAY)
        return;
    refuse(call, std::to_string(ships) + (ships == 1 ? " more ship" : " more ships") +
                     " would bring the ships in play from " + std::to_string(inPlay) + " to " +
                     std::to_string(inPlay + ships) + ", above " + std::to_string(MAX_SHIPS_IN_PLAY) +
                     ", the most ships in play");
}

} // namespace Tolvarine
