#include "ParticleQuota.h"

#include <OgreParticleEmitter.h>
#include <OgreParticleSystem.h>

#include <algorithm>
#include <cmath>

namespace Tolvarine {

void ParticleQuota::hold(Ogre::ParticleSystem& system, double highestRate)
{
    holdAt(system, std::max(highestRate, 0.0));
}

void ParticleQuota::hold(Ogre::ParticleSystem& system)
{
    holdAt(system, -1.0);
}

void ParticleQuota::holdAt(Ogre::ParticleSystem& system, double highestRate)
{
    // In double: a rate or a life near the float range multiplies past it.
    double alive = 0.0;
    for (unsigned short i = 0; i < system.getNumEmitters(); ++i) {
        const Ogre::ParticleEmitter& emitter = *system.getEmitter(i);
        if (!emitter.getEmittedEmitter().empty())
            return;
        const double rate = highestRate >= 0.0 ? highestRate : std::max<double>(emitter.getEmissionRate(), 0.0);
        const double life = std::max<double>({emitter.getMinTimeToLive(), emitter.getMaxTimeToLive(), 0.0});
        // One more for the part of a particle that the emitter carries from frame to frame.
        alive += rate * (life + FRAME_SECONDS) + 1.0;
    }
    if (alive < double(system.getParticleQuota()))
        system.setParticleQuota(static_cast<size_t>(std::ceil(alive)));
}

} // namespace Tolvarine
