#pragma once

#include "PositionReporter.h"
#include "SchedulerFixture.h"
#include "SoundFiles.h"
#include "SoundManager.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace Tolvarine::Test {

// A body that reports a pose set by the test and keeps the listeners it is given.
class FakeReporter : public PositionReporter {
public:
    Ogre::Vector3 getPosition() const override { return position; }
    Ogre::Quaternion getOrientation() const override { return orientation; }
    Ogre::Vector3 getVelocity() const override { return velocity; }
    void addPositionListener(PositionListener* listener) override { listeners.push_back(listener); }
    void removePositionListener(PositionListener* listener) override
    {
        listeners.erase(std::remove(listeners.begin(), listeners.end(), listener), listeners.end());
    }
    Ogre::Vector3 predictPosition(float) const override { return position; }
    Ogre::Vector3 predictPositionWithThrust(float) const override { return position; }
    Ogre::Vector3 predictPositionWithThrustFactor(float, float) const override { return position; }

    Ogre::Vector3 position = Ogre::Vector3::ZERO;
    Ogre::Quaternion orientation = Ogre::Quaternion::IDENTITY;
    Ogre::Vector3 velocity = Ogre::Vector3::ZERO;
    std::vector<PositionListener*> listeners;
};

// A scheduler, the sound test files of SoundFiles as the working folder, and a silent sound
// manager whose sounds play on a clock the test sets (`soundClock`, seconds).
class SoundFixture : public SchedulerFixture {
protected:
    SoundFixture() { SoundManager::forgetSoundConfigs(); }
    ~SoundFixture() override { SoundManager::forgetSoundConfigs(); }

    SoundManager& startManager(SoundSystem::Output output = SoundSystem::Output::SILENT)
    {
        manager = std::make_unique<SoundManager>(nullptr, output);
        manager->getSystem().setClock([this] { return soundClock; });
        return *manager;
    }

    SoundFiles files;
    double soundClock = 0.0;
    std::unique_ptr<SoundManager> manager;
};

} // namespace Tolvarine::Test
