#include "ParticleQuota.h"

#include "RenderingRoot.h"

#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>
#include <OgreParticleSystemManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <gtest/gtest.h>

#include <vector>

namespace Tolvarine::Test {
namespace {

TEST(ParticleQuota, HoldsTheQuotaToWhatTheEmittersKeepAlive)
{
    RenderingRoot rendering(RenderingRoot::Kind::Headless);
    Ogre::Root::getSingleton().loadPlugin(std::string(TOLVARINE_OGRE_PLUGIN_DIR) + "/Plugin_ParticleFX");
    struct Row {
        const char* rule;
        size_t quota;
        std::vector<float> rates;
        float life;
        // Below 0: the emitters keep the template's rates.
        double highestRate;
        bool emitsEmitters;
        size_t want;
    };
    const Row rows[] = {
        {"rate times life and a frame, and one, per emitter", 10000000, {50, 50}, 0.5f, -1, false, 152},
        {"a smaller quota stays as written", 100, {50, 50}, 0.4f, -1, false, 100},
        {"the rate the user sets counts", 1000000, {10}, 1.0f, 100, false, 201},
        {"a rate below 0 emits nothing", 1000000, {-5}, 1.0f, -1, false, 1},
        {"a life near the float range needs the whole quota", 1000000, {50}, 3.4e38f, -1, false, 1000000},
        {"emitted emitters add particles the rates do not show", 1000000, {50}, 0.4f, -1, true, 1000000},
    };
    Ogre::ParticleSystemManager& templates = Ogre::ParticleSystemManager::getSingleton();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        Ogre::ParticleSystem* made = templates.createTemplate("Test/Quota", Ogre::RGN_DEFAULT);
        made->setParticleQuota(row.quota);
        for (const float rate : row.rates) {
            Ogre::ParticleEmitter* emitter = made->addEmitter("Point");
            emitter->setEmissionRate(rate);
            emitter->setTimeToLive(row.life);
            if (row.emitsEmitters)
                emitter->setEmittedEmitter("Test/Emitted");
        }
        Ogre::ParticleSystem* system = rendering.sceneManager().createParticleSystem("Quota", "Test/Quota");
        if (row.highestRate >= 0)
            ParticleQuota::hold(*system, row.highestRate);
        else
            ParticleQuota::hold(*system);
        EXPECT_EQ(row.want, system->getParticleQuota());
        rendering.sceneManager().destroyParticleSystem(system);
        templates.removeTemplate("Test/Quota");
    }
}

} // namespace
} // namespace Tolvarine::Test
