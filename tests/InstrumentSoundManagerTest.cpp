#include "CameraBase.h"
#include "CameraController.h"
#include "ConfigurationError.h"
#include "InstrumentSoundManager.h"
#include "LogCapture.h"
#include "SoundFixture.h"
#include "SoundSource.h"
#include "TargetingDoubles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;

// A flown ship with the instrument sounds on a clock the test sets.
class InstrumentAlarms : public TargetingFixture {
protected:
    InstrumentAlarms()
    {
        soundManager.getSystem().setClock([this] { return soundClock; });
        player.body.setPosition(Vector3(100, 0, 0));
        player.setFocus(true);
    }
    // Where the incoming alarm sounds from.
    static Vector3 placeOf(const SoundSource& alarm)
    {
        Vector3 position(-99, -99, -99), velocity;
        return alarm.getChannel().get3DAttributes(position, velocity), position;
    }
    // A missile is only a pose to the alarm.
    void missileAt(const Vector3& position)
    {
        FakeReporter missile;
        missile.position = position;
        sounds.playIncomingAlarm(missile);
    }

    double soundClock = 0.0;
    TestShip& player = ship("player");
};

TEST_F(InstrumentAlarms, TheIncomingAlarmComesFromTheMissileAsTheCameraSeesIt)
{
    // The camera looks along world -x, so world +x is behind it and world -z to its right.
    CameraBase& camera = *CameraController::getSingleton().getCurrentCamera();
    camera.setPosition(Vector3::ZERO);
    camera.setOrientation(Ogre::Quaternion(Ogre::Degree(90), Vector3::UNIT_Y));
    soundManager.update(0.0f, 0.0f);
    const SoundSource& alarm = sounds.getIncomingAlarm();
    missileAt(Vector3(130, 0, 0));
    ASSERT_TRUE(alarm.isPlaying());
    EXPECT_TRUE(alarm.isHeadRelative());
    const SoundChannel channel = alarm.getChannel();
    // A second missile while it sounds neither moves nor restarts it.
    soundClock = 0.125;
    missileAt(Vector3(100, 0, -40));
    EXPECT_EQ(alarm.getChannel(), channel);
    EXPECT_TRUE(placeOf(alarm).positionEquals(Vector3(0, 0, 1), 1e-5f)) << placeOf(alarm);
    // Once it has ended by itself, the next missile sounds it again from its own side.
    soundClock = 0.5;
    scheduler.run();
    EXPECT_FALSE(alarm.isPlaying());
    missileAt(Vector3(100, 0, -40));
    ASSERT_TRUE(alarm.isPlaying());
    EXPECT_TRUE(placeOf(alarm).positionEquals(Vector3(1, 0, 0), 1e-5f)) << placeOf(alarm);

    // Losing the controlled ship silences both alarms, and then nobody is left to warn.
    sounds.setCriticalAlarm(true);
    player.setFocus(false);
    EXPECT_EQ(sounds.getControllable(), nullptr);
    EXPECT_TRUE(soundManager.getPlaying().empty());
    missileAt(Vector3(0, 50, 0));
    EXPECT_FALSE(alarm.isPlaying());
}

using InstrumentSoundStart = SoundFixture;

TEST_F(InstrumentSoundStart, AMissingAlarmDefinitionStopsTheStart)
{
    startManager();
    std::filesystem::remove("data/sound/critical_alarm.sound");
    EXPECT_TRUE(logged(failsWith<ConfigurationError>([] { InstrumentSoundManager(); }), "Could not get sound config critical_alarm"));
    EXPECT_EQ(InstrumentSoundManager::getSingletonPtr(), nullptr);
    EXPECT_TRUE(manager->getPlaying().empty());
}

} // namespace
} // namespace Tolvarine::Test
