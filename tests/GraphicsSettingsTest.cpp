#include "GraphicsSettings.h"

#include "ConfigFiles.h"
#include "LogCapture.h"

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include <limits>

namespace Tolvarine {
namespace {

using Test::readFile;
using Test::writeFile;

// Every setter saves at once, levels clamped to the unit range and the bias held above 0 (the
// renderer's assertion ended the game at 0 and below), and only the level of detail reaches the
// ships; hand edits are brought into range with a line each while the file keeps them; values that
// do not convert fail the start-up and leave no settings behind.
TEST(GraphicsSettingsTest, SettersSaveAtOnceAndHandEditsAreBroughtIntoRange)
{
    Tolvarine::Test::TemporaryFolder folder;
    const std::string path = folder.file("graphics.cfg");
    {
        GraphicsSettings settings(path);
        EXPECT_EQ(readFile(path), "") << "a missing file is created empty; defaults stay out of it";
        settings.setMaxShipLodLevel(1); // no ships registered yet: nothing to call
        int applied = 0;
        settings.setShipLodCallback([&] { applied += GraphicsSettings::getSingleton().getMaxShipLodLevel(); });
        settings.setParticleSystemDetail(-0.2f);
        settings.setGlowLevel(1.5f);
        settings.setLodBias(-4.0f);
        EXPECT_EQ(applied, 0);
        settings.setMaxShipLodLevel(4);
        EXPECT_EQ(applied, 4) << "the ships read the new level";
        EXPECT_EQ(readFile(path),
                  "[Graphics]\nglowLevel = 1\nlodBias = 1.17549e-38\nmaxShipLodLevel = 4\nparticleSystemDetail = 0\n\n");
        settings.setGlowLevel(0.3f);
        settings.setGlowLevel(std::numeric_limits<float>::quiet_NaN()); // no level: the previous value stays
    }
    EXPECT_FLOAT_EQ(GraphicsSettings(path).getGlowLevel(), 0.3f);
    const std::string edited = "[Graphics]\nglowLevel = 5\nlodBias = -3.4e38\nparticleSystemDetail = -1\n";
    writeFile(path, edited);
    Tolvarine::Test::LogCapture log;
    {
        const GraphicsSettings settings(path);
        EXPECT_FLOAT_EQ(settings.getGlowLevel(), 1.0f);
        EXPECT_FLOAT_EQ(settings.getParticleSystemDetail(), 0.0f);
        EXPECT_EQ(settings.getLodBias(), std::numeric_limits<float>::min());
    }
    EXPECT_TRUE(log.contains("GraphicsSettings: glowLevel 5 is outside 0 to 1, using 1"));
    EXPECT_TRUE(log.contains("GraphicsSettings: particleSystemDetail -1 is outside 0 to 1, using 0"));
    EXPECT_TRUE(log.contains("GraphicsSettings: lodBias -3.4e+38 is not above 0, using 1.17549e-38"));
    EXPECT_EQ(readFile(path), edited) << "the file keeps what the player wrote until a setter saves";
    for (const std::string text : {"lodBias = fast\n", "maxShipLodLevel = -1\n", "maxShipLodLevel = 70000\n", "glowLevel = 0.5.5\n"}) {
        SCOPED_TRACE(text);
        writeFile(path, "[Graphics]\n" + text);
        EXPECT_THROW(GraphicsSettings settings(path), boost::bad_lexical_cast);
        EXPECT_EQ(GraphicsSettings::getSingletonPtr(), nullptr);
    }
}

} // namespace
} // namespace Tolvarine
