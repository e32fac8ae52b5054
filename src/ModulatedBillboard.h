#pragma once

#include "DisableTime.h"
#include "ResponseCurve.h"

#include <OgreColourValue.h>
#include <OgrePrerequisites.h>

#include <functional>
#include <memory>
#include <string>

namespace Tolvarine {

class Config;
class FunctionTask;
class ResponseCurves;

// One camera-facing billboard whose size and colour follow two response curves over a configured
// duration on the game clock: a glow or flash that swells, changes colour and fades, then tells
// its owner that it has finished. The colour's range is scaled by the graphics settings' glow
// level at every start, so a change of that level shows at each billboard's next start.
class ModulatedBillboard {
public:
    using Callback = std::function<void()>;

    // Reads the keys "duration", "sizeCurveName", "minSize", "maxSize", "colourCurveName",
    // "minColour", "maxColour", "timeResolution" and "materialName" of `section`, with the curves
    // of the program's curve file. A missing key or an unknown curve or material is logged and
    // throws ConfigurationError. A duration of 0 ends at the first run; below 0 the billboard never
    // ends (see requireEnd). Creates the billboard set in `sceneManager` (the engine's), not yet in
    // the scene.
    ModulatedBillboard(Config& config, const std::string& section, Ogre::SceneManager& sceneManager);
    // The same with the curves of `curves`.
    ModulatedBillboard(Config& config, const std::string& section, Ogre::SceneManager& sceneManager,
                       const ResponseCurves& curves);
    ~ModulatedBillboard();
    ModulatedBillboard(const ModulatedBillboard&) = delete;
    // Reads and checks `section` as the constructor does (with the curves of `curves`, the
    // program's when null), without making anything: the owners' type checks call it for types
    // whose pools start empty. Each refusal is followed by the file's line "Config: in <path>,
    // section <section>, key <key>".
    static void checkSection(const Config& config, const std::string& section, const ResponseCurves* curves = nullptr);
    // For an owner that goes back to its pool only once the billboard has ended (an explosion, a
    // warp arrival): refuses a duration below 0, under which the time runs backwards, the billboard
    // never ends and every owner that shows it stays out of its pool. Logged with the file's line,
    // then ConfigurationError. A weapon's muzzle glow of such a duration only stays lit.
    static void requireEnd(const Config& config, const std::string& section);
    ModulatedBillboard& operator=(const ModulatedBillboard&) = delete;

    // Moves the billboard onto `node`, takes the current glow level, shows the state at curve
    // position 0 and starts the curves from the game clock's time now. `onDone` (the caller's,
    // may be null) is called once when the duration has passed, unless the billboard is stopped
    // first; an empty callable throws when it is due.
    void start(Ogre::SceneNode& node, const Callback* onDone);
    // Takes the billboard out of the scene and ends the modulation without calling the completion
    // callback.
    void stop(DisableTime);

    Ogre::BillboardSet& getBillboardSet() const { return *billboardSet; }
    Ogre::Billboard& getBillboard() const { return *billboard; }

private:
    struct Settings;

    ModulatedBillboard(Config& config, const std::string& section, Ogre::SceneManager& sceneManager,
                       const ResponseCurves* curves);
    static Settings readSettings(const Config& config, const std::string& section, const ResponseCurves* curves);
    bool update(float);
    void apply(float t);
    void detach();

    static unsigned counter;

    Ogre::SceneManager& sceneManager;
    Ogre::BillboardSet* billboardSet = nullptr;
    Ogre::Billboard* billboard = nullptr;
    double startTime = 0.0;
    float duration = 0.0f;
    const Callback* onDone = nullptr;
    ResponseCurve sizeCurve;
    float minSize = 0.0f;
    float sizeRange = 0.0f;
    ResponseCurve colourCurve;
    Ogre::ColourValue minColour;
    Ogre::ColourValue colourRange;
    Ogre::ColourValue scaledColourRange;
    std::unique_ptr<FunctionTask> updateTask;
};

} // namespace Tolvarine
