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
        return std::make_unique<Config>(written(folder.file(name), text));
    }

    Ogre::SceneManager& scene() const { return root.sceneManager(); }

    RenderingRoot root{RenderingRoot::Kind::Headless};
    TemporaryFolder folder;
    InputHandler input;
    Scheduler scheduler;
    Profiler profiler;
    PhysicsEngine engine;
    CollisionMeshCache meshCache;
};

} // namespace Tolvarine::Test
