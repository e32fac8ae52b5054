#include "CollisionWorld.h"
#include "FatalError.h"
#include "LogCapture.h"
#include "SceneDynamicBody.h"

#include <OgreLogManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace Tolvarine {
namespace {

using Ogre::Quaternion;
using Ogre::Vector3;
using Test::LogCapture;

class SceneDynamicBodyTest : public Test::CollisionWorld {
protected:
    SceneDynamicBodyTest()
    {
        drifting = type("drift.cfg", "[Physics]\nmass = 1\n");
        braked = type("brake.cfg", "[Physics]\nmass = 1\nvelocityDecay = 2\n");
    }

    // The number at the end of a node's name.
    static unsigned numberOf(const SceneDynamicBody& body)
    {
        const std::string& name = body.getSceneNode()->getName();
        const std::string prefix = "SceneDynamicBody_";
        EXPECT_EQ(0u, name.rfind(prefix, 0)) << name;
        return static_cast<unsigned>(std::stoul(name.substr(prefix.size())));
    }

    std::unique_ptr<Config> drifting;
    std::unique_ptr<Config> braked;
};

TEST_F(SceneDynamicBodyTest, NodesAreNumberedAcrossAllBodiesAndStartOutsideTheScene)
{
    const SceneDynamicBody first(scene(), *drifting);
    const SceneDynamicBody second(scene(), *braked);
    EXPECT_EQ(numberOf(first) + 1, numberOf(second));
    EXPECT_EQ(first.getSceneNode(), scene().getSceneNode(first.getSceneNode()->getName()));
    EXPECT_EQ(nullptr, first.getSceneNode()->getParent());
    EXPECT_FALSE(first.getPhysicsBody().isActive());

    LogCapture log;
    EXPECT_THROW(SceneDynamicBody body(*drifting), FatalError);
    EXPECT_TRUE(log.contains("SceneDynamicBody: the engine has no scene manager"));
}

// Activated again, a body follows its new start, its node moved once per frame.
TEST_F(SceneDynamicBodyTest, AReactivatedBodyFollowsItsNewStartMovedOncePerFrame)
{
    SceneDynamicBody body(scene(), *braked);
    body.activate(Vector3(0, 0, 100), Quaternion::IDENTITY, Vector3::ZERO);
    body.activate(Vector3(0, 0, 200), Quaternion::IDENTITY, Vector3(0, 0, 10));
    EXPECT_EQ(scene().getRootSceneNode(), body.getSceneNode()->getParent());
    profiler.reset();
    engine.update(0.1f, 0.1f);
    EXPECT_GT(body.getSceneNode()->getPosition().z, 200.5f);
    EXPECT_LT(body.getPhysicsBody().getVelocity().z, 9.5f); // slowed by its decay
    EXPECT_EQ(body.getPhysicsBody().getPosition(), body.getSceneNode()->getPosition());
    EXPECT_EQ(1.0f, runsOf("SceneDynamicBody::synchroniseDynamics"));
    body.deactivate();
    EXPECT_EQ(nullptr, body.getSceneNode()->getParent());
}

} // namespace
} // namespace Tolvarine
