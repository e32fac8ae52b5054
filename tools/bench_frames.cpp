// Prints what the target frames cost per rendered frame with 100 and 400 framed ships on screen:
// every frame placed over its moving ship, then the shared billboard set's vertices rewritten,
// as the frames' tasks and the scene manager do before each draw. Also counts the heap
// allocations of those frames, which should be none. A baseline, not a test: the times depend
// on the machine.

#include "CameraBase.h"
#include "CameraController.h"
#include "Config.h"
#include "FrameBillboardSet.h"
#include "FrameDisplay.h"
#include "InputHandler.h"
#include "OverlayBillboardSet.h"
#include "Scheduler.h"
#include "Targetable.h"

#include <OgreCamera.h>
#include <OgreDefaultHardwareBufferManager.h>
#include <OgreLogManager.h>
#include <OgreMaterialManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "AllocationCounter.h"

using namespace Tolvarine;

namespace {

// A ship circling in front of the camera: all a frame asks of its target.
class CirclingShip : public Targetable {
public:
    CirclingShip(const Config& type, int index)
        : Targetable(type)
        , phase(0.37f * static_cast<float>(index))
        , distance(200.0f + 15.0f * static_cast<float>(index % 40))
    {
    }

    void advance(float time) { angle = phase + 0.5f * time; }

    Ogre::Vector3 getPosition() const override
    {
        return Ogre::Vector3(std::cos(angle) * distance * 0.5f, std::sin(angle) * distance * 0.3f, -distance);
    }
    Ogre::Quaternion getOrientation() const override { return Ogre::Quaternion::IDENTITY; }
    Ogre::Vector3 getVelocity() const override { return Ogre::Vector3::ZERO; }
    void addPositionListener(PositionListener*) override {}
    void removePositionListener(PositionListener*) override {}
    Ogre::Vector3 predictPosition(float) const override { return getPosition(); }
    Ogre::Vector3 predictPositionWithThrust(float) const override { return getPosition(); }
    Ogre::Vector3 predictPositionWithThrustFactor(float, float) const override { return getPosition(); }
    float getBoundingRadius() const override { return 8.0f; }
    DamageModel* getDamageModel() override { return nullptr; }
    Faction* getFaction() override { return nullptr; }

private:
    float phase;
    float distance;
    float angle = 0.0f;
};

std::string writeFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path) << text;
    return path.string();
}

struct Figures {
    double microsecondsPerFrame;
    double allocationsPerFrame;
};

Figures measure(std::vector<std::unique_ptr<CirclingShip>>& ships, OverlayBillboardSet& set, int frames)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const unsigned long long allocatedBefore = allocations;
    for (int frame = 0; frame < frames; ++frame) {
        for (auto& ship : ships) {
            ship->advance(static_cast<float>(frame) / 60.0f);
            ship->getFrameDisplay().positionUpdate();
        }
        set._notifyCurrentCamera(nullptr);
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    return {elapsed * 1e6 / frames, static_cast<double>(allocations - allocatedBefore) / frames};
}

} // namespace

int main()
{
    auto* logs = new Ogre::LogManager();
    logs->createLog("bench_frames.log", true, false, true);
    // The cameras subscribe to their view keys and run as tasks; the frames are placed by hand.
    InputHandler input;
    Scheduler scheduler;
    Ogre::Root root("", "", "");
    Ogre::DefaultHardwareBufferManager buffers;
    Ogre::MaterialManager::getSingleton().initialise();
    Ogre::SceneManager* scene = root.createSceneManager();

    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    const Config cameraSettings(writeFile(folder / "bench_frames_camera.cfg",
                                          "[Camera]\nchaseCorrectionSpeed = 4\n[FreeCamera]\norbitRange = 100\n"
                                          "orbitSpeedDegrees = 10\nfreeCameraCorrectionSpeed = 1\n"));
    const Config hudSettings(writeFile(folder / "bench_frames_hud.cfg", "[Hud]\nframeMaterial = BaseWhite\n"));
    const Config frameSettings(writeFile(folder / "bench_frames_colours.cfg",
                                         "[Frames]\nplayerColour = (0 1 0 1)\nfriendColour = (0 0 1 1)\n"
                                         "enemyColour = (1 0 0 1)\n"));
    const Config shipType(writeFile(folder / "bench_frames.ship",
                                    "[Targetable]\nchaseOffset = (0 5 30)\nfixedOffset = (0 1 -4)\n"));
    CameraController cameras(*scene, cameraSettings);
    cameras.getCurrentCamera()->getCamera()->setAspectRatio(4.0f / 3.0f);
    FrameBillboardSet frames(*scene, hudSettings, frameSettings);

    std::printf("%-8s %16s %22s\n", "ships", "us per frame", "allocations per frame");
    std::vector<std::unique_ptr<CirclingShip>> ships;
    for (const int count : {100, 400}) {
        while (static_cast<int>(ships.size()) < count) {
            ships.push_back(std::make_unique<CirclingShip>(shipType, static_cast<int>(ships.size())));
            ships.back()->getFrameDisplay().activate();
        }
        measure(ships, frames.getBillboardSet(), 60); // the buffers grow to the pool once
        const Figures figures = measure(ships, frames.getBillboardSet(), 2000);
        std::printf("%-8d %16.1f %22.2f\n", count, figures.microsecondsPerFrame, figures.allocationsPerFrame);
    }
    ships.clear();
    return 0;
}
