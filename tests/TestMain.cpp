#include <gtest/gtest.h>

#include <OgreLogManager.h>

// Every test process gets the program's log manager, as the game has, so code under test can
// write its log lines; the log stays in memory (no file) and tests read it through LogCapture.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    Ogre::LogManager logManager;
    logManager.createLog("Tolvarine.log", true, false, true);
    return RUN_ALL_TESTS();
}
