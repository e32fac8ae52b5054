// The AI's steering functions against values worked out by hand, in a window-less scene.
#include "Behaviour.h"

#include "CombatWorld.h"
#include "SteeringDoubles.h"
#include "TargetGrid.h"
#include "TestMeshes.h"

#include <OgreEntity.h>
#include <OgreSceneNode.h>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;

// Mass 2 and maximum force 100 (full thrust accelerates by 50), radius 10, in a window-less scene
// and filed where the neighbour search finds them, as the game files its ships.
class Steering : public CombatWorld {
protected:
    Steering() : CombatWorld(RenderingRoot::Kind::Headless) { createMesh("ball.mesh", Ogre::RGN_DEFAULT, sphereShape(4, 8, 1.0f)); }

    Ogre::SceneNode& place(Craft& craft)
    {
        Ogre::Entity* entity = scene().createEntity("ball.mesh");
        craft.link.attachTo(*entity);
        entity->setQueryFlags(craft.link.getFlags() | OgreLink::SHIP_FLAG);
        Ogre::SceneNode* node = scene().getRootSceneNode()->createChildSceneNode();
        node->attachObject(entity);
        TargetGrid::get().file(*entity);
        return *node;
    }

    const Config type{written(folder.file("craft.cfg"), "[Physics]\nmass = 2\n[Targetable]\nchaseOffset = (0 0 0)\nfixedOffset = (0 0 0)\n")};
    Craft own{type, 10}, other{type, 10};
};

TEST_F(Steering, EachFunctionGivesTheHandWorkedRequest)
{
    place(own);
    Ogre::SceneNode& otherNode = place(other);
    // The other ship, on the z axis: a formation, a target, a threat or a neighbour.
    const auto at = [&](float z, const Vector3& velocity = Vector3::ZERO, float radius = 10) {
        other.body.setPosition(Vector3(0, 0, z));
        other.body.setLinearVelocity(velocity);
        otherNode.setPosition(Vector3(0, 0, z));
        TargetGrid::get().file(*otherNode.getAttachedObject(0));
        other.radius = radius;
    };
    PhysicsBody& self = own.body;
    const struct { const char* name; Vector3 velocity; std::function<Vector3()> steer; Vector3 want; } rows[] = {
        // 2 × sqrt(2 × 50 × 25) = 100 towards the slot, less the velocity held.
        {"seek a slot at rest", {0, 0, -10}, [&] { return Behaviour::seek(&own, nullptr, {0, 0, -25}); }, {0, 0, -90}},
        {"seek within 1 of the slot", {0, 0, -10}, [&] { return Behaviour::seek(&own, nullptr, {0, 0, -0.5f}); }, {0, 0, 10}},
        // 2 × sqrt(30² + 2 × 50 × 40) = 140.
        {"seek a moving slot", {0, 0, -10}, [&] { return at(-40, {0, 30, 0}), Behaviour::seek(&own, &other, Vector3::ZERO); }, {0, 0, -130}},
        // sqrt(2 × 100 × 100 / 2) × 0.5 = 50.
        {"arrive", {0, 0, -10}, [&] { return Behaviour::arrival(&own, {0, 0, -100}, 0.5f); }, {0, 0, -40}},
        {"arrive where it is", {0, 0, -10}, [&] { return Behaviour::arrival(&own, Vector3::ZERO, 0.5f); }, {0, 0, 10}},
        // The whole offset, half the target's velocity, less the own.
        {"intercept far", {0, 0, -10}, [&] { return at(-300, {20, 0, 0}), Behaviour::intercept(&self, &other, 100, 0.5f); }, {10, 0, -290}},
        {"intercept nearer than the approach speed", {0, 0, -10},
         [&] { return at(-40, {20, 0, 0}), Behaviour::intercept(&self, &other, 100, 0.5f); }, {10, 0, -90}},
        // A threat flying +z: full force along the drift across its line.
        {"dodge", {3, 0, -10}, [&] { return at(-300, {0, 0, 50}), Behaviour::dodge(&own, &other.body); }, {100, 0, 0}},
        {"dodge at rest", {0, 0, 0}, [&] { return at(-300, {0, 0, 50}), Behaviour::dodge(&own, &other.body); }, {0, 0, 0}},
        {"dodge along the line", {0, 0, -10}, [&] { return at(-300, {0, 0, 50}), Behaviour::dodge(&own, &other.body); }, {0, 0, 0}},
        // Reach 10 + 10 + 30 = 50: at 25, a quarter of the force. Own ship in the search, skipped.
        {"neighbour inside the reach", {}, [&] { return at(25), Behaviour::neighbourAvoidance(&own); }, {0, 0, -25}},
        {"reach cut to 50 from 50.8", {}, [&] { return at(25, {}, 10.8f), Behaviour::neighbourAvoidance(&own); }, {0, 0, -25}},
        {"neighbour outside the reach", {}, [&] { return at(60), Behaviour::neighbourAvoidance(&own); }, {0, 0, 0}},
        {"reach cut to 0 from 0.5", {}, [&] { return at(0.25f, {}, -39.5f), Behaviour::neighbourAvoidance(&own); }, {0, 0, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        self.setLinearVelocity(row.velocity);
        const Vector3 got = row.steer();
        EXPECT_TRUE(got.positionEquals(row.want, 1e-3f)) << got;
    }
}

} // namespace
} // namespace Tolvarine::Test
