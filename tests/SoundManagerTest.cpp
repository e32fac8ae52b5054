#include "SoundManager.h"

#include <gtest/gtest.h>

namespace Tolvarine {
namespace {

TEST(SoundManager, SingletonLivesWithTheManagerAndKeepsTheDopplerState)
{
    EXPECT_EQ(SoundManager::getSingletonPtr(), nullptr);
    {
        SoundManager sound(nullptr);
        EXPECT_EQ(SoundManager::getSingletonPtr(), &sound);
        EXPECT_FALSE(sound.isDopplerSuspended());
        sound.setDopplerSuspended(true);
        sound.setDopplerSuspended(true);
        EXPECT_TRUE(sound.isDopplerSuspended());
        sound.setDopplerSuspended(false);
        EXPECT_FALSE(sound.isDopplerSuspended());
    }
    EXPECT_EQ(SoundManager::getSingletonPtr(), nullptr);
}

} // namespace
} // namespace Tolvarine
