#pragma once

#include "DisableTime.h"

#include <OgrePrerequisites.h>
#include <OgreSharedPtr.h>

#include <functional>
#include <memory>
#include <string>

namespace Tolvarine {

class Config;
class FunctionTask;

// One camera-facing billboard whose texture plays a flip-book animation once: the frames of the
// first texture unit of its material advance evenly over the configured duration on the game
// clock, then the billboard holds the last frame and tells its owner that it has finished.
// The owner places it by starting it on one of its own scene nodes.
//
// Each billboard animates its own clone of the material, so several billboards of one material
// can show different frames at the same time. The material's frames should be set up for manual
// stepping (an animated texture of duration 0).
class AnimatedBillboard {
public:
    using Callback = std::function<void()>;

    // Reads the keys "materialName", "duration", "timeResolution" and "size" of `section`; a
    // missing key, a duration below 0, an unknown material or a material without
    // texture frames is logged and throws ConfigurationError. Creates the billboard set in
    // `sceneManager` (the engine's), not yet in the scene.
    AnimatedBillboard(Config& config, const std::string& section, Ogre::SceneManager& sceneManager);
    ~AnimatedBillboard();
    // Reads and checks `section` as the constructor does, without making anything: the owners'
    // type checks call it for types whose pools start empty. Each refusal is followed by the
    // file's line "Config: in <path>, section <section>, key <key>".
    static void checkSection(const Config& config, const std::string& section);
    AnimatedBillboard(const AnimatedBillboard&) = delete;
    AnimatedBillboard& operator=(const AnimatedBillboard&) = delete;

    // Moves the billboard onto `node`, shows the first frame and starts the animation from the game
    // clock's time now. `onDone` (the caller's, may be null) is called once when the animation
    // ends, unless the billboard is stopped first; an empty callable throws when it is due.
    void start(Ogre::SceneNode& node, const Callback* onDone);
    // Takes the billboard out of the scene and ends the animation without calling the completion
    // callback; the current frame stays until the next start.
    void stop(DisableTime);

    Ogre::BillboardSet& getBillboardSet() const { return *billboardSet; }
    const Ogre::MaterialPtr& getMaterial() const { return material; }
    // The frame shown now, counting from 0.
    unsigned getCurrentFrame() const;

private:
    struct Settings;
    static Settings readSettings(const Config& config, const std::string& section);
    // The material's first texture unit with its frames, or a refusal.
    static void requireFrames(const Ogre::MaterialPtr& material, const Config& config, const std::string& section);

    bool update(float);
    Ogre::TextureUnitState* frameUnit() const;
    void detach();

    static unsigned counter;

    Ogre::SceneManager& sceneManager;
    Ogre::MaterialPtr material;
    Ogre::BillboardSet* billboardSet = nullptr;
    double startTime = 0.0;
    float duration = 0.0f;
    const Callback* onDone = nullptr;
    std::unique_ptr<FunctionTask> updateTask;
};

} // namespace Tolvarine
