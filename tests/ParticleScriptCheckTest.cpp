#include "ParticleScriptCheck.h"

#include "ConfigurationError.h"

#include "LogCapture.h"
#include "RenderingRoot.h"

#include <OgreDataStream.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace Tolvarine::Test {
namespace {

// Compiles `text` as the particle script `name`, as the resource group does with a file.
void compile(const std::string& name, const std::string& text)
{
    Ogre::DataStreamPtr stream(
        new Ogre::MemoryDataStream(name, const_cast<char*>(text.data()), text.size(), false, true));
    Ogre::ScriptCompilerManager::getSingleton().parseScript(stream, Ogre::RGN_DEFAULT);
}

// A template whose emitter holds `emitter` and whose own attributes are `system`.
std::string script(const std::string& system, const std::string& emitter, const std::string& affector = "rate 1",
                   const std::string& type = "Point")
{
    return "particle_system Test/Row\n{\n    quota 10\n    " + system + "\n    emitter " + type + "\n    {\n        "
           + emitter + "\n    }\n    affector Scaler\n    {\n        " + affector + "\n    }\n}\n";
}

class ParticleScriptCheckTest : public ::testing::Test {
protected:
    ParticleScriptCheckTest()
    {
        Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
    }
    ~ParticleScriptCheckTest() override { Ogre::ParticleSystemManager::getSingleton().removeAllTemplates(); }

    RenderingRoot rendering{RenderingRoot::Kind::Headless};
    ParticleScriptCheck check;
};

// Each bad value stops the compilation before the library sets it, with a line naming the file,
// the template, the block and the attribute; values at the edges the runs played are taken.
TEST_F(ParticleScriptCheckTest, RefusesWhatTheLibraryWouldEndTheGameOn)
{
    struct Row {
        const char* rule;
        std::string text;
        // The place line, or empty where the script is taken.
        std::string place;
    };
    const std::string in = "Particle script: in row.particle ";
    const Row rows[] = {
        {"a negative time to live", script("", "time_to_live -1"),
         in + "(line 7), particle_system Test/Row, emitter Point, attribute time_to_live"},
        {"a negative particle size", script("particle_height -0.5", "velocity 1"),
         in + "(line 4), particle_system Test/Row, attribute particle_height"},
        {"a quota below 0, read as about 4e9", script("quota -1", "velocity 1"),
         in + "(line 4), particle_system Test/Row, attribute quota"},
        {"a place past the drawn length", script("", "position 0 2e38 0"),
         in + "(line 7), particle_system Test/Row, emitter Point, attribute position"},
        {"a speed carried past it in a short life and a frame", script("", "velocity 2e38\n time_to_live 0.4"),
         in + "(line 7), particle_system Test/Row, emitter Point, attribute velocity"},
        {"a fast end carried past it in a long life", script("", "velocity_max 1e37\n time_to_live_max 100"),
         in + "(line 7), particle_system Test/Row, emitter Point, attribute velocity_max"},
        {"a box whose diagonal passes the drawn length", script("", "width 1.2e38\n height -1.7e38\n depth 1.2e38", "rate 1", "Box"),
         in + "(line 8), particle_system Test/Row, emitter Box, attribute height"},
        {"an ellipsoid as deep as the box that ended the game", script("", "depth 2e38", "rate 1", "Ellipsoid"),
         in + "(line 7), particle_system Test/Row, emitter Ellipsoid, attribute depth"},
        {"boxes within it", script("", "width 1.4e38\n height -1.4e38\n depth 1", "rate 1", "Box"), ""},
        {"a side within it", script("", "height 1.95e38", "rate 1", "Ring"), ""},
        {"an affector value beyond the float range", script("", "velocity 1", "rate 1e39"),
         in + "(line 11), particle_system Test/Row, affector Scaler, attribute rate"},
        {"the edges that played", script("particle_width 3.4e38\n material infrared",
                                         "velocity 1e38\n time_to_live 0.5\n time_to_live_max -1\n"
                                         "position 1e38 -1e38 0", "rate -3.4e38"), ""},
        {"a long life at a plain speed", script("", "velocity 25\n time_to_live 3.4e38"), ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        LogCapture log;
        if (row.place.empty()) {
            EXPECT_NO_THROW(compile("row.particle", row.text));
            EXPECT_TRUE(Ogre::ParticleSystemManager::getSingleton().getTemplate("Test/Row"));
        } else {
            EXPECT_THROW(compile("row.particle", row.text), ConfigurationError);
            EXPECT_TRUE(log.contains(row.place)) << "the lines were:\n" << ::testing::PrintToString(log.lines());
            EXPECT_FALSE(Ogre::ParticleSystemManager::getSingleton().getTemplate("Test/Row"));
        }
        Ogre::ParticleSystemManager::getSingleton().removeAllTemplates();
    }
}

TEST_F(ParticleScriptCheckTest, TakesEveryShippedScript)
{
    for (const auto& entry : std::filesystem::directory_iterator(std::string(TOLVARINE_SOURCE_DIR) + "/data/particle_systems")) {
        SCOPED_TRACE(entry.path().string());
        std::ifstream file(entry.path());
        std::ostringstream text;
        text << file.rdbuf();
        EXPECT_NO_THROW(compile(entry.path().filename().string(), text.str()));
    }
    EXPECT_TRUE(Ogre::ParticleSystemManager::getSingleton().getTemplate("Engine/Trifighter"));
}

} // namespace
} // namespace Tolvarine::Test
