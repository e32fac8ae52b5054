#pragma once

// The world of the scenery (stars, planets, space dust) without a window: the camera fixture's
// scene and hand-driven clocks, a camera controller whose current camera is the fixed camera at
// the origin looking along -Z, untextured stand-ins for the scenery's materials, the planet mesh,
// and a working folder of its own holding the scenery's settings files.

#include "CameraController.h"
#include "CameraDoubles.h"

#include <OgreCamera.h>
#include <OgreMaterialManager.h>
#include <OgreResourceGroupManager.h>

#include <filesystem>

namespace Tolvarine::Test {

class SceneryWorld : public CameraFixture {
protected:
    SceneryWorld()
    {
        // The sun stands 5000 units away, beyond the camera settings' far plane.
        controller.getFixedCamera().getCamera()->setFarClipDistance(100000.0f);
        std::filesystem::create_directories(folder.file("cfg"));
        writeFile(folder.file("cfg/star.cfg"), "[Star]\nfadeInRate = 1\nfadeOutRate = 2\n"
                                               "occlusionTestNearDistance = 10\nocclusionTestFarDistance = 4000\n");
        writeFile(folder.file("cfg/debris.cfg"), "[Debris]\ndefaultLeadDistance = 50\n"
                                                 "defaultMaxVisibleDistance = 100\ncullPeriodS = 1\n");
        previousFolder = std::filesystem::current_path();
        std::filesystem::current_path(folder.file(""));
        for (const char* material : {"Star", "PlanetHaze", "Planet/Rock"})
            Ogre::MaterialManager::getSingleton().create(material, Ogre::RGN_DEFAULT);
        auto& groups = Ogre::ResourceGroupManager::getSingleton();
        groups.addResourceLocation(std::string(TOLVARINE_SOURCE_DIR) + "/data/meshes", "FileSystem", Ogre::RGN_DEFAULT);
    }

    ~SceneryWorld() override
    {
        std::error_code ignored;
        std::filesystem::current_path(previousFolder, ignored);
    }

    std::filesystem::path previousFolder;
    CameraController controller{scene, settings};
};

} // namespace Tolvarine::Test
