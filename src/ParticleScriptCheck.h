#pragma once

#include <OgreScriptCompiler.h>

#include <string>

namespace Tolvarine {

// Checks every particle template as the rendering engine compiles its script, after the script is
// read into a tree and before its values are set on the template: the particle library ends the
// program (an assertion) on some values while it sets them (a negative particle size or time to
// live, a speed that is no finite number), and on others once the particles are drawn (a place or
// a flight beyond the float range that the renderer's boxes take), where no check of ours could run.
// A value it would end the game on stops the start-up instead: a line gives the reason and
// "Particle script: in <path> (line <n>), particle_system <name>, emitter <type>, attribute <name>"
// the place (the block and line left out where they do not apply), and ConfigurationError is
// raised while the group's scripts are parsed. Refused, in every template of every script:
//   - a number that is no finite number (nan, inf, or one beyond the float range such as 1e39);
//   - particle_width or particle_height below 0; an emitter's time_to_live or time_to_live_min
//     below 0 (time_to_live_max below 0 plays: the particle dies at once);
//   - an emitter's position beyond ValueRange::MAX_DRAWN_LENGTH on an axis;
//   - an emitter whose fastest particle (velocity, velocity_min, velocity_max) would fly farther
//     than MAX_DRAWN_LENGTH in its longest life (time_to_live, time_to_live_min, time_to_live_max;
//     a year at most, since no game runs longer) and a frame (FRAME_SECONDS);
//   - an area emitter whose box (width, height, depth) spans MAX_AREA_SPAN or more across;
//   - a quota below 0: the library reads it as an unsigned number, about 4e9 particles, and the
//     first system of the template cannot be made.
// While it lives, it is the listener of the script compiler; the one it replaced is put back when
// it goes.
class ParticleScriptCheck : public Ogre::ScriptCompilerListener {
public:
    // The longest a particle can fly: a year of play.
    static constexpr float LONGEST_FLIGHT_SECONDS = 3.15e7f;
    // The frame's step a particle's flight may take beyond its life: one born in a frame starts up
    // to that step along its way. The fights of the data sweep on a loaded machine, drawn in
    // software, take steps of this order.
    static constexpr float FRAME_SECONDS = 0.5f;
    // The shortest diagonal of an area emitter's box at which the renderer's boxes of its particles
    // ended the game (see checkArea).
    static constexpr float MAX_AREA_SPAN = 2e38f;

    ParticleScriptCheck();
    ~ParticleScriptCheck() override;
    ParticleScriptCheck(const ParticleScriptCheck&) = delete;
    ParticleScriptCheck& operator=(const ParticleScriptCheck&) = delete;

    // Checks the particle templates of a compiled script; raises ConfigurationError as above, and
    // lets the compilation go on otherwise.
    bool postConversion(Ogre::ScriptCompiler* compiler, const Ogre::AbstractNodeListPtr& nodes) override;

private:
    struct Place;
    struct Flight;

    static void checkSystem(const Ogre::ObjectAbstractNode& system);
    static void checkSystemAttribute(const Place& place, const Ogre::PropertyAbstractNode& attribute);
    static void checkEmitter(const Place& system, const Ogre::ObjectAbstractNode& emitter);
    static void checkEmitterAttribute(const Place& place, const Ogre::PropertyAbstractNode& attribute, Flight& flight);
    static void checkFlight(const Place& place, const Flight& flight);
    static void checkArea(const Place& place, const Flight& flight);
    static void checkFinite(const Place& place, const Ogre::PropertyAbstractNode& attribute);

    Ogre::ScriptCompilerListener* replaced = nullptr;
};

} // namespace Tolvarine
