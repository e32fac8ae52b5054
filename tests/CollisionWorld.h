#pragma once

#include "CollisionMeshCache.h"
#include "Config.h"
#include "ConfigFiles.h"
#include "InputHandler.h"
#include "PhysicsEngine.h"
#include "Profiler.h"
#include "RenderingRoot.h"
#include "Scheduler.h"

#include <OgreResourceGroupManager.h>
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

namespace Tolvarine::Test {

// What collision objects need, without a window: a headless rendering root with its scene manager
// and the mesh group "Core", the scheduler, profiler and physics engine, and the collision mesh
// cache. Type files are written into a temporary folder.
class CollisionWorld : public ::testing::Test {
protected:
    CollisionWorld()
    {
        Ogre::ResourceGroupManager::getSingleton().createResourceGroup("Core");
        profiler.setSystemInfoSource([] { return std::string(); });
    }

    // Writes the type file `name` with `text` and opens it.
    std::unique_ptr<Config> type(const std::string& name, const std::string& text)
    {
        writeFile(folder.file(name), text);
        return std::make_unique<Config>(folder.file(name));
    }

    Ogre::SceneManager& scene() const { return root.sceneManager(); }

    // How often the profiler block `name` was run since the profiler's last reset, wherever it
    // was opened.
    float runsOf(const std::string& name) const
    {
        std::ostringstream report;
        profiler.writeReport(report);
        std::istringstream lines(report.str());
        float runs = 0;
        for (std::string line; std::getline(lines, line);) {
            if (line.find(name + " ") == std::string::npos)
                continue;
            // The last column of a block's line is its number of runs per frame, and no frame
            // is counted here.
            const std::size_t last = line.find_last_of(' ');
            runs += std::stof(line.substr(last + 1));
        }
        return runs;
    }

    RenderingRoot root{RenderingRoot::Kind::Headless};
    TemporaryFolder folder;
    InputHandler input;
    Scheduler scheduler;
    Profiler profiler;
    PhysicsEngine engine;
    CollisionMeshCache meshCache;
};

} // namespace Tolvarine::Test
