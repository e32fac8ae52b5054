#include "TolvarineEngine.h"

#include "AmbientSoundManager.h"
#include "AreaManager.h"
#include "CameraController.h"
#include "CapitalShipStation.h"
#include "Clock.h"
#include "CodeNameChecks.h"
#include "CodeNames.h"
#include "ConsoleLogEcho.h"
#include "CollisionMeshCache.h"
#include "ConfigDialog.h"
#include "ConfigurationError.h"
#include "Config.h"
#include "Difficulty.h"
#include "DebrisSystem.h"
#include "ExplosionDebris.h"
#include "ExplosionManager.h"
#include "FireableProjectile.h"
#include "FixedTask.h"
#include "Formation.h"
#include "FillWatch.h"
#include "FrameBillboardSet.h"
#include "GameLog.h"
#include "GameWindow.h"
#include "GameplaySettings.h"
#include "GraphicsSettings.h"
#include "ImmediateExit.h"
#include "HudOverlay.h"
#include "InputHandler.h"
#include "InstrumentSoundManager.h"
#include "Interface.h"
#include "MovementController.h"
#include "NormalExit.h"
#include "OverlayBillboard.h"
#include "OverlayBillboardSet.h"
#include "ParticleScriptCheck.h"
#include "ParticleSpray.h"
#include "PhysicsEngine.h"
#include "PlatformInfo.h"
#include "PoolCensus.h"
#include "Profiler.h"
#include "ResourceFiles.h"
#include "ResourceReport.h"
#include "ScenarioManager.h"
#include "Scheduler.h"
#include "Screenshot.h"
#include "ScriptModule.h"
#include "ScriptSystem.h"
#include "Ship.h"
#include "ShipExplosionSequence.h"
#include "SoundManager.h"
#include "Statistics.h"
#include "TestGround.h"
#include "WarpArrival.h"

#include <OgreException.h>
#include <OgreFrameListener.h>
#include <OgreLogManager.h>
#include <OgreOverlaySystem.h>
#include <OgreRenderWindow.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

#include <OgreRenderSystem.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace Tolvarine {

TolvarineEngine* TolvarineEngine::singleton = nullptr;

namespace {

const char* const logName = "Tolvarine.log";

// Resource locations, in the order the resource groups search them.
void addResourceLocations()
{
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    const std::string general = Ogre::RGN_DEFAULT;
    for (const char* folder : {"data/splash", "data/fonts", "data/gui"})
        groups.addResourceLocation(folder, "FileSystem", general, true);
    for (const char* folder : {"data/overlays", "data/materials", "data/meshes", "data/particle_systems",
                               "data/textures", "data/textures/explosions", "data/textures/skyboxes"})
        groups.addResourceLocation(folder, "FileSystem", "Core", true);
    // The TrueType fonts of the overlay texts come from the system's DejaVu package.
    groups.addResourceLocation(HudOverlay::FONT_FOLDER, "FileSystem", "Core", false);
    // The GUI's scheme and fonts (data/gui, data/fonts) use the installed TaharezLook image set and
    // looks and the same DejaVu font; the frame-rate overlay's font is in the default group too.
    for (const char* folder : {"/usr/share/cegui-0.8.7/imagesets", "/usr/share/cegui-0.8.7/looknfeel",
                               HudOverlay::FONT_FOLDER})
        groups.addResourceLocation(folder, "FileSystem", general, false);
}

// Every mesh file directly inside data/meshes is declared so that loading "Core" loads it; files
// in sub-folders are reached through the recursive location instead.
void declareMeshes()
{
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    for (const auto& entry : std::filesystem::directory_iterator("data/meshes")) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || name.empty() || name[0] == '.' || entry.path().extension() != ".mesh")
            continue;
        groups.declareResource(name, "Mesh", "Core");
    }
}

// The program's own log, the default one, echoed to the console. A tool or test that made the
// log before the engine keeps its own.
Ogre::Log* programLog()
{
    Ogre::LogManager& logs = Ogre::LogManager::getSingleton();
    Ogre::Log* existing = nullptr;
    try {
        existing = logs.getLog(logName);
    } catch (const Ogre::Exception&) {
        existing = nullptr;
    }
    if (!existing) {
        Ogre::Log* made = logs.createLog(logName, true, true);
        ConsoleLogEcho::attachTo(*made);
        return made;
    }
    logs.setDefaultLog(existing);
    return existing;
}

struct VideoMode {
    unsigned width = 1024;
    unsigned height = 768;
    bool fullScreen = false;
};

// The window's size and full-screen flag come from the render system's video options, which
// ogre.cfg or the video options dialog set ("1024 x  768", "Yes").
VideoMode readVideoMode(Ogre::Root& root)
{
    VideoMode mode;
    Ogre::RenderSystem* renderSystem = root.getRenderSystem();
    if (!renderSystem)
        return mode;
    const Ogre::ConfigOptionMap& options = renderSystem->getConfigOptions();
    const auto video = options.find("Video Mode");
    if (video != options.end()) {
        unsigned width = 0;
        unsigned height = 0;
        if (std::sscanf(video->second.currentValue.c_str(), "%u x %u", &width, &height) == 2 && width > 0 &&
            height > 0) {
            mode.width = width;
            mode.height = height;
        }
    }
    const auto fullScreen = options.find("Full Screen");
    mode.fullScreen = fullScreen != options.end() && fullScreen->second.currentValue == "Yes";
    return mode;
}

// The sound manager is the one subsystem that holds an operating-system device: it is closed at
// every end of the program, a failed start-up included, so that the sound library does not find
// it still open when the process exits. The other subsystems live until the process ends.
void closeSound()
{
    delete SoundManager::getSingletonPtr();
}

} // namespace

TolvarineEngine::TolvarineEngine()
{
    singleton = this;
    try {
        if (!Ogre::LogManager::getSingletonPtr()) {
            ownLogManager = new Ogre::LogManager();
            ConsoleLogEcho::attachTo(*ownLogManager->createLog("Ogre.log", true, true));
        }
        root = new Ogre::Root("plugins.cfg", "ogre.cfg", "Ogre.log");
        log = programLog();
    } catch (...) {
        delete ownLogManager;
        singleton = nullptr;
        throw;
    }
}

TolvarineEngine::TolvarineEngine(Ogre::Root& existingRoot)
    : root(&existingRoot)
    , ownsRoot(false)
{
    singleton = this;
    log = programLog();
}

TolvarineEngine::~TolvarineEngine()
{
    delete overlaySystem;
    if (ownsRoot)
        delete root;
    delete ownLogManager;
    if (singleton == this)
        singleton = nullptr;
}

TolvarineEngine& TolvarineEngine::getSingleton()
{
    return *singleton;
}

TolvarineEngine* TolvarineEngine::getSingletonPtr()
{
    return singleton;
}

void TolvarineEngine::initialise()
{
    startCpuFrequencyMeasurement();
    try {
        runStartUpSequence();
    } catch (...) {
        // The measurement must not outlive a failed start-up into the end of the process.
        if (frequencyMeasurement.valid())
            frequencyMeasurement.wait();
        throw;
    }
}

void TolvarineEngine::runStartUpSequence()
{
    if (!restoreVideoOptions())
        askForVideoOptions();

    root->initialise(false);
    const VideoMode mode = readVideoMode(*root);
    gameWindow = std::make_unique<GameWindow>(*root, "Tolvarine", mode.width, mode.height, mode.fullScreen);
    renderWindow = gameWindow->getRenderWindow();

    sceneManager = root->createSceneManager();
    sceneManager->_setDestinationRenderSystem(root->getRenderSystem());
    // Overlays are a component of their own in this rendering engine: its system must exist
    // before the resource groups are initialised so that overlay and font scripts are parsed.
    overlaySystem = new Ogre::OverlaySystem();
    sceneManager->addRenderQueueListener(overlaySystem);

    new InputHandler();
    new Scheduler();
    renderTask = std::make_unique<FixedTask>(
        [this](float last, float smoothed) { renderFrame(last, smoothed); }, "Graphics", 60);
    InputHandler::getSingleton().initialise(*gameWindow);
    // A pool as large as its file asks takes as long to fill: a request to end stops the start-up.
    FillWatch::setEndRequest(&InputHandler::isCloseRequestWaiting);

    // A broken file of either group stops the start-up with its path, and so does a resource of
    // the group that the code names (the exit screen's is first used when the game ends); so does
    // a particle script value that the particle library would end the game on.
    const ParticleScriptCheck particleScripts;
    ResourceFiles::initialiseAndLoad(Ogre::RGN_DEFAULT);
    CodeNameChecks::checkResources(CodeNames::SCREENS);
    showSplash();

    createSubsystems();
    renderFrame(0, 0);
    new SoundManager(renderWindow);
    new AmbientSoundManager();

    ResourceFiles::initialiseAndLoad("Core");
    CodeNameChecks::checkResources(CodeNames::SCENERY);
    createHud();
    Interface::getSingleton().initialiseGui();
    logCpuFrequency();

    // The sounds the code plays by name, first played when a game starts; the alarms are made next.
    CodeNameChecks::checkSounds();
    new InstrumentSoundManager();
    new ScriptSystem();
    initTolvarine();
    new ScenarioManager();
    ScenarioManager::getSingleton().parseScenarioScripts();
    // The scenarios the menus load, first loaded when the player chooses one.
    CodeNameChecks::checkScenarios();
    new ExplosionManager();
    loadDataTypes();
    resourceReport = ResourceReport::fromEnvironment();
    ScriptSystem::getSingleton().runRequiredScript("startup.py");
    // From here the main loop answers such requests.
    FillWatch::setEndRequest(nullptr);
    removeSplash();
}

void TolvarineEngine::showSplash()
{
    splash = std::make_unique<OverlayBillboardSet>("Splash", 1);
    sceneManager->getRootSceneNode()->attachObject(splash.get());
    splash->setMaterialName(CodeNames::SPLASH.name);
    splash->createBillboard(0, 0, 0, Ogre::ColourValue::White)->setDimensions(2, 2);
    root->getRenderSystem()->_updateAllRenderTargets();
}

void TolvarineEngine::removeSplash()
{
    sceneManager->getRootSceneNode()->detachObject(splash.get());
    splash.reset();
}

bool TolvarineEngine::restoreVideoOptions()
{
    try {
        return root->restoreConfig();
    } catch (const Ogre::Exception& e) {
        // An option the render system does not have: the file is damaged, as much as one that
        // names no render system.
        GameLog::line("The video options in ogre.cfg are refused: " + e.getDescription());
        return false;
    }
}

void TolvarineEngine::askForVideoOptions()
{
    // Without a render system there are no options to restore or choose; without a terminal there
    // is nobody to ask. Either way the game cannot start, and says which file is at fault.
    if (root->getAvailableRenderers().empty()) {
        GameLog::error("No render system was loaded from plugins.cfg: the video options can be neither "
                       "restored nor chosen, and the game cannot start");
        throw ConfigurationError();
    }
    if (!ConfigDialog::canAsk()) {
        GameLog::error("The video options in ogre.cfg cannot be restored, and there is no terminal to ask "
                       "for them: the game cannot start. Run it from a terminal to choose them");
        throw ConfigurationError();
    }
    ConfigDialog dialog;
    // A player who cancels the dialog has chosen to end the game.
    if (!root->showConfigDialog(&dialog))
        throw NormalExit();
}

void TolvarineEngine::createSubsystems()
{
    PhysicsEngine::initialiseLibrary();
    new CollisionMeshCache();
    new PhysicsEngine();
    new Profiler();
    new MovementController();
    new DebrisSystem(*sceneManager);
    new CameraController();
    new GraphicsSettings();
    new GameplaySettings();
    new AreaManager();
    new Difficulty();
    new Interface();
    Interface::getSingleton().setRenderWindow(renderWindow);
}

void TolvarineEngine::createHud()
{
    hudSettings = std::make_unique<Config>("cfg/hud.cfg");
    frameSettings = std::make_unique<Config>("cfg/frames.cfg");
    new HudOverlay(*sceneManager, *hudSettings);
    new FrameBillboardSet(*sceneManager, *hudSettings, *frameSettings);
    // The display is made visible but shows its parts only on a change to visible: it starts
    // hidden here so that the mode shows it.
    HudOverlay::getSingleton().setVisible(false);
    Interface::getSingleton().updateHud();
}

void TolvarineEngine::startCpuFrequencyMeasurement()
{
    // The measurement busy-waits for up to two seconds, so it runs beside the start-up
    // instead of stopping it; it touches nothing but the processor's counters.
    frequencyMeasurement = std::async(std::launch::async, [] {
        double frequency = 0.0;
        double deviation = 5.0;
        const bool measured = Clock::measureCpuFrequency(frequency, deviation, 500, 3);
        return PlatformInfo::frequencyLine(measured, frequency, deviation);
    });
}

void TolvarineEngine::logCpuFrequency()
{
    // The lines keep their place in the log, after the GUI and before the scripts; the figure is
    // waited for here, the first place that needs it.
    GameLog::line("Measuring CPU frequency...");
    frequencyText = frequencyMeasurement.get();
    PlatformInfo::getSingleton().setFrequencyText(frequencyText);
    GameLog::line(frequencyText);
}

void TolvarineEngine::loadDataTypes()
{
    // A sound file that does not load stops the start-up, not the battle that first plays it.
    SoundManager::getSingleton().checkSoundFiles();
    // So does an ambient loop of the settings, first played when a game sets its mode.
    AmbientSoundManager::checkForegrounds();
    // So does an area that cannot be shown (its materials are loaded by now).
    AreaManager::getSingleton().checkAreas();
    FireableProjectile::loadTypes();
    CapitalShipStation::loadTypes();
    Ship::loadTypes();
    ExplosionDebris::loadTypes();
    ParticleSpray::loadTypes();
    // Explosions load first, since debris pieces explode into their groups; the sprays and
    // debris pieces they name are looked up now that those are loaded, not at the first hit.
    ExplosionManager::getSingleton().checkNames();
    // The warp arrivals are made at the first arrival, mid-game; their settings are read now.
    WarpArrival::checkType();
    ShipExplosionSequence::loadTypes();
    // A ship type without its sequence, or a breached plating without its sprays and explosion
    // groups, is refused now, not when its first ship is hit or destroyed, and so is a folder
    // without a ship type that the play menu, the survival's waves or the tutorial spawns; a reload
    // of the ship types makes the same checks.
    Ship::checkTypeReferences();
    new Statistics();
    // The data writers' harness, hidden until its key is pressed.
    new TestGround();
    Formation::registerCommands();
}

void TolvarineEngine::renderFrame(float, float smoothedFrameTime)
{
    Ogre::FrameEvent event;
    const float step = Scheduler::getSingleton().isPaused() ? 0.0f : smoothedFrameTime;
    event.timeSinceLastEvent = step;
    event.timeSinceLastFrame = step;
    stopRequested = !root->_fireFrameStarted(event);
    drawAllRenderTargets();
    // The GUI draws last and clips each of its windows with the scissor test, which it leaves on:
    // the next frame would otherwise draw the scene only inside the last window's rectangle.
    root->getRenderSystem()->setScissorTest(false);
    if (!stopRequested)
        stopRequested = !root->_fireFrameEnded(event);
    if (stopRequested) {
        InputHandler& input = InputHandler::getSingleton();
        input.pulseSymbol(input.getSymbol("quit"));
    }
}

// The rendering root's own update of all targets, with the screenshot taken from the frame just
// drawn, before the buffers swap: after a swap the back buffer's contents are undefined (under
// software OpenGL it holds an older frame).
void TolvarineEngine::drawAllRenderTargets()
{
    Ogre::RenderSystem* renderSystem = root->getRenderSystem();
    renderSystem->_updateAllRenderTargets(false);
    // The GUI draws itself while the frame is queued.
    root->_fireFrameRenderingQueued();
    if (screenshotRequested) {
        screenshotRequested = false;
        Screenshot::write(*renderWindow, "Tolvarine_", ".png");
    }
    renderSystem->_swapAllRenderTargetBuffers();
    for (const auto& scene : root->getSceneManagers())
        scene.second->_handleLodEvents();
}

void TolvarineEngine::quit()
{
    throw NormalExit();
}

void TolvarineEngine::takeScreenshot()
{
    screenshotRequested = true;
}

void TolvarineEngine::addCallback(std::function<void()> callback)
{
    callbacks.push_back(std::move(callback));
}

std::string TolvarineEngine::writeSystemInfo() const
{
    return PlatformInfo::getSingleton().writeSystemInfo();
}

void TolvarineEngine::showExitScreen()
{
    Interface::getSingleton().setMode(Interface::NORMAL, true);
    InputHandler::getSingleton().setExitOnKeyPress(true);
    exitScreen = std::make_unique<OverlayBillboardSet>("SplashExit", 1);
    sceneManager->getRootSceneNode()->attachObject(exitScreen.get());
    exitScreen->setMaterialName(CodeNames::SPLASH_EXIT.name);
    exitScreen->createBillboard(0, 0, 0, Ogre::ColourValue::White)->setDimensions(2, 2);
    exitScreenShown = true;
    try {
        renderFrame(0, 0);
    } catch (const NormalExit&) {
        // A failed frame event while the exit screen is drawn asks to quit again: the exit is
        // already under way, and the steps below must still run.
    }
    if (ScenarioManager* scenarios = ScenarioManager::getSingletonPtr())
        scenarios->unloadAll();
    // With the scenario gone every pooled object must be back in its pool.
    PoolCensus::logLiveCounts();
    if (Difficulty* difficulty = Difficulty::getSingletonPtr())
        difficulty->save();
}

void TolvarineEngine::removeExitScreen()
{
    if (exitScreen) {
        sceneManager->getRootSceneNode()->detachObject(exitScreen.get());
        exitScreen.reset();
    }
}

void TolvarineEngine::run()
{
    for (;;) {
        try {
            Scheduler::getSingleton().run();
        } catch (const NormalExit&) {
            // Once the exit screen is up, a further quit (a mouse button or joystick bound to
            // "quit", a failed frame event) is ignored: only a key press ends the program.
            if (!exitScreenShown)
                showExitScreen();
            // A closed window has no one left to press a key.
            if (InputHandler::getSingleton().isCloseRequested()) {
                removeExitScreen();
                return;
            }
        } catch (const ImmediateExit&) {
            removeExitScreen();
            return;
        }
    }
}

namespace {

// Start-up and main loop; the exit code, after the top-level handling has logged any failure.
int runEngine(TolvarineEngine& engine)
{
    try {
        addResourceLocations();
        declareMeshes();
        engine.initialise();
        engine.run();
        return 0;
    } catch (const NormalExit&) {
        return 0;
    } catch (const ConfigurationError&) {
        GameLog::line("ConfigurationError caught at top-level");
    } catch (const Ogre::Exception& e) {
        GameLog::line("Ogre exception caught at top-level\n");
        GameLog::line(std::string(e.getFile()) + ": " + std::to_string(e.getLine()));
        GameLog::line(e.getFullDescription());
    } catch (const std::exception& e) {
        GameLog::line(std::string("std::exception caught at top-level: ") + e.what());
    } catch (...) {
        GameLog::line("Unknown exception caught at top-level");
    }
    return 1;
}

} // namespace

int runGame()
{
    TolvarineEngine* engine = nullptr;
    try {
        engine = new TolvarineEngine();
    } catch (const Ogre::Exception& e) {
        // The log may not exist yet: standard error is the one place left to say why. Only the
        // description is safe here: the exception was made inside a plug-in library that the failed
        // root has already unloaded, so its file name, and even its destructor, are gone. The process
        // ends inside this handler, before the exception would be destroyed.
        std::cerr << "Tolvarine: the engine could not be created: " << e.getDescription() << std::endl;
        std::_Exit(1);
    } catch (const std::exception& e) {
        std::cerr << "Tolvarine: the engine could not be created: " << e.what() << '\n';
        return 1;
    } catch (...) {
        std::cerr << "Tolvarine: the engine could not be created\n";
        return 1;
    }

    const int exitCode = runEngine(*engine);
    closeSound();
    return exitCode;
}

} // namespace Tolvarine
