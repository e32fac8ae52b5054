#include "AmbientSoundManager.h"

#include "Config.h"
#include "FatalError.h"
#include "FixedTask.h"
#include "GameLog.h"
#include "Scheduler.h"
#include "SoundManager.h"
#include "SoundSource.h"

#include <boost/python/class.hpp>
#include <boost/python/enum.hpp>
#include <boost/python/reference_existing_object.hpp>
#include <boost/python/return_value_policy.hpp>

#include <algorithm>
#include <limits>
#include <random>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

const char* const SECTION = "Ambient";
const char* const SPACE_KEY = "spaceForeground";
const char* const COMMAND_KEY = "commandForeground";

double realTime()
{
    return Scheduler::getSingleton().getRealTime();
}

// The share of a whole fade that `seconds` cover. A fade of no length is done in one step
// (rather than dividing by zero, which would leave the level NaN and the fade never done).
float share(double seconds, float duration)
{
    return duration > 0.0f ? static_cast<float>(seconds / duration) : 1.0f;
}

float uniformRandom(float low, float high)
{
    static std::mt19937 engine{std::random_device()()};
    return std::uniform_real_distribution<float>(std::min(low, high), std::max(low, high))(engine);
}

} // namespace

AmbientSoundManager* AmbientSoundManager::singleton = nullptr;

AmbientSoundManager::AmbientSoundManager()
    : nextSwitch(std::numeric_limits<double>::infinity()), random(&uniformRandom)
{
    const Config& settings = SoundManager::getSingleton().getConfig();
    foregroundBlendDefault = settings.get<float>(SECTION, "foregroundBlendDuration");
    foregroundBlend = foregroundBlendDefault;
    backgroundBlend = settings.get<float>(SECTION, "backgroundBlendDuration");
    backgroundMinimum = settings.get<float>(SECTION, "backgroundMinimumDuration");
    backgroundMaximum = settings.get<float>(SECTION, "backgroundMaximumDuration");
    blendTask = std::make_unique<FixedTask>([this](float last, float smoothed) { blend(last, smoothed); },
                                            "AmbientSoundManager::blend", 35);
    singleton = this;
}

AmbientSoundManager::~AmbientSoundManager()
{
    if (singleton == this)
        singleton = nullptr;
}

AmbientSoundManager* AmbientSoundManager::getSingleton()
{
    return singleton;
}

void AmbientSoundManager::checkForegrounds()
{
    const Config& settings = SoundManager::getSingleton().getConfig();
    for (const char* key : {SPACE_KEY, COMMAND_KEY})
        SoundSource::requireDefinition(settings, SECTION, key);
}

std::shared_ptr<SoundSource> AmbientSoundManager::startSilent(const std::string& name)
{
    return startSilent(SoundSource::create(name, SoundCategory::AMBIENT, nullptr, Ogre::Vector3::ZERO, true));
}

std::shared_ptr<SoundSource> AmbientSoundManager::startSilent(std::shared_ptr<SoundSource> source)
{
    source->play();
    source->setGain(0.0f);
    return source;
}

void AmbientSoundManager::fadeOut(std::shared_ptr<SoundSource>& source)
{
    if (source)
        fadingOut.push_back(std::move(source));
    source.reset();
}

double AmbientSoundManager::scheduleSwitch(double from)
{
    return from + backgroundBlend + random(backgroundMinimum, backgroundMaximum);
}

void AmbientSoundManager::setAmbientMode(AmbientMode newMode, float blendDuration)
{
    if (newMode != NONE && newMode != COMMAND && newMode != SPACE) {
        GameLog::line("AmbientSoundManager::setAmbientMode, invalid mode");
        throw FatalError();
    }
    if (newMode == mode)
        return;
    // The new foreground first: a missing definition leaves everything as it was.
    std::shared_ptr<SoundSource> next;
    if (newMode != NONE) {
        const char* key = newMode == COMMAND ? COMMAND_KEY : SPACE_KEY;
        next = startSilent(SoundSource::create(SoundManager::getSingleton().getConfig(), SECTION, key,
                                               SoundCategory::AMBIENT, nullptr, Ogre::Vector3::ZERO, true));
    }
    mode = newMode;
    foregroundBlend = blendDuration == 0.0f ? foregroundBlendDefault : blendDuration;
    lastTime = realTime();
    fadeOut(foreground);
    foreground = std::move(next);
}

void AmbientSoundManager::setBackground(const std::string& first, const std::string& second)
{
    std::shared_ptr<SoundSource> nextA = startSilent(first);
    std::shared_ptr<SoundSource> nextB = startSilent(second);
    fadeOut(backgroundA);
    fadeOut(backgroundB);
    backgroundA = std::move(nextA);
    backgroundB = std::move(nextB);
    lastTime = realTime();
    nextSwitch = scheduleSwitch(lastTime);
}

void AmbientSoundManager::blend(float, float)
{
    const double now = realTime();
    const double seconds = now - lastTime;
    lastTime = now;

    const float foregroundStep = share(seconds, foregroundBlend);
    for (auto source = fadingOut.begin(); source != fadingOut.end();) {
        const float level = std::max(0.0f, (*source)->getLevel() - foregroundStep);
        (*source)->setGain(level);
        if (level == 0.0f) {
            (*source)->stop();
            source = fadingOut.erase(source);
        } else {
            ++source;
        }
    }
    if (foreground && foreground->getLevel() != 1.0f)
        foreground->setGain(std::min(1.0f, foreground->getLevel() + foregroundStep));

    if (lastTime > nextSwitch) {
        firstActive = !firstActive;
        nextSwitch = scheduleSwitch(lastTime);
    }
    const float backgroundStep = share(seconds, backgroundBlend);
    SoundSource* active = firstActive ? backgroundA.get() : backgroundB.get();
    SoundSource* resting = firstActive ? backgroundB.get() : backgroundA.get();
    if (active && active->getLevel() != 1.0f)
        active->setGain(std::min(1.0f, active->getLevel() + backgroundStep));
    // A silent layer keeps playing, ready for its turn.
    if (resting && resting->getLevel() != 0.0f)
        resting->setGain(std::max(0.0f, resting->getLevel() - backgroundStep));
}

void AmbientSoundManager::exportToPython()
{
    bp::class_<AmbientSoundManager, boost::noncopyable>("AmbientSoundManager", bp::no_init)
        .def("getSingleton", &AmbientSoundManager::getSingleton, bp::return_value_policy<bp::reference_existing_object>())
        .staticmethod("getSingleton")
        .def("setBackground", &AmbientSoundManager::setBackground)
        .def("setMode", &AmbientSoundManager::setAmbientMode);
    bp::enum_<AmbientMode>("AmbientMode").value("NONE", NONE).value("SPACE", SPACE).value("COMMAND", COMMAND);
}

} // namespace Tolvarine
