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

TEST_F(SceneDynamicBodyTest, ActiveBodyDriftsWithItsNodeSlowsByItsDecayAndLeavesTheSceneWhenDeactivated)
{
    SceneDynamicBody coasting(scene(), *drifting);
    SceneDynamicBody slowing(scene(), *braked);
    const Quaternion turned(Ogre::Degree(30), Vector3::UNIT_X);
    coasting.activate(Vector3(0, 5, 0), turned, Vector3(10, 0, 0));
    slowing.activate(Vector3(0, -5, 0), turned, Vector3(10, 0, 0));
    EXPECT_EQ(scene().getRootSceneNode(), coasting.getSceneNode()->getParent());
    EXPECT_EQ(Vector3(0, 5, 0), coasting.getSceneNode()->getPosition());
    EXPECT_TRUE(coasting.getSceneNode()->getOrientation().equals(turned, Ogre::Degree(0.01f)));

    engine.update(0.1f, 0.1f); // 19 steps of 0.005 s
    EXPECT_NEAR(0.95f, coasting.getSceneNode()->getPosition().x, 1e-4f);
    EXPECT_EQ(coasting.getPhysicsBody().getPosition(), coasting.getSceneNode()->getPosition());
    EXPECT_NEAR(10.0f, coasting.getPhysicsBody().getVelocity().x, 1e-4f);
    const float slowed = slowing.getPhysicsBody().getVelocity().x;
    EXPECT_LT(slowed, 9.5f);
    EXPECT_GT(slowed, 0.0f);
    EXPECT_LT(slowing.getSceneNode()->getPosition().x, 0.95f);
    EXPECT_EQ(slowing.getPhysicsBody().getPosition(), slowing.getSceneNode()->getPosition());

    // Deactivated, it leaves the scene and stays where it was.
    SceneDynamicBody& body = coasting;
    const Vector3 stopped = body.getSceneNode()->getPosition();
    body.deactivate();
    EXPECT_EQ(nullptr, body.getSceneNode()->getParent());
    EXPECT_FALSE(body.getPhysicsBody().isActive());
    engine.update(0.1f, 0.1f);
    EXPECT_EQ(stopped, body.getPhysicsBody().getPosition());
    EXPECT_EQ(stopped, body.getSceneNode()->getPosition());

    LogCapture log;
    Ogre::LogManager::getSingleton().setLogDetail(Ogre::LL_BOREME);
    body.deactivate();
    Ogre::LogManager::getSingleton().setLogDetail(Ogre::LL_NORMAL);
    EXPECT_TRUE(
        log.contains("PhysicsEngine: attempting to deactivate an already-inactive or unknown body"));

    // Activated again, it follows its body from the new start, moved once per frame.
    body.activate(Vector3(0, 0, 100), Quaternion::IDENTITY, Vector3::ZERO);
    body.activate(Vector3(0, 0, 200), Quaternion::IDENTITY, Vector3(0, 0, 10));
    EXPECT_EQ(Vector3(0, 0, 200), body.getSceneNode()->getPosition());
    slowing.deactivate();
    profiler.reset();
    engine.update(0.1f, 0.1f);
    // 19 or 20 steps, with the time the engine carried over.
    EXPECT_NEAR(200.975f, body.getSceneNode()->getPosition().z, 0.03f);
    EXPECT_EQ(body.getPhysicsBody().getPosition(), body.getSceneNode()->getPosition());
    EXPECT_EQ(1.0f, runsOf("SceneDynamicBody::synchroniseDynamics"));
}

} // namespace
} // namespace Tolvarine
