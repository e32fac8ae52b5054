#include "Interface.h"

#include "CameraController.h"
#include "CodeNames.h"
#include "CommandSystem.h"
#include "Config.h"
#include "ConfigurationError.h"
#include "Controllable.h"
#include "FatalError.h"
#include "GameLog.h"
#include "GuiFileLog.h"
#include "HudOverlay.h"
#include "MenuSystem.h"
#include "ResourceFiles.h"
#include "Scheduler.h"
#include "ScreenProjection.h"
#include "TargetReadout.h"
#include "TestGround.h"
#include "TolvarineEngine.h"
#include "ValueRange.h"
#include "WidgetFactory.h"

#include <CEGUI/Exceptions.h>
#include <CEGUI/FontManager.h>
#include <CEGUI/GUIContext.h>
#include <CEGUI/ImageManager.h>
#include <CEGUI/Logger.h>
#include <CEGUI/MouseCursor.h>
#include <CEGUI/RendererModules/Ogre/Renderer.h>
#include <CEGUI/SchemeManager.h>
#include <CEGUI/System.h>
#include <CEGUI/Window.h>
#include <CEGUI/WindowManager.h>
#include <OgreException.h>
#include <OgreOverlay.h>
#include <OgreOverlayElement.h>
#include <OgreOverlayManager.h>
#include <OgreRenderWindow.h>
#include <OgreResourceGroupManager.h>
#include <OgreViewport.h>
#include <boost/python/class.hpp>
#include <boost/python/enum.hpp>
#include <boost/python/return_value_policy.hpp>
#include <boost/python/reference_existing_object.hpp>

#include <cmath>
#include <filesystem>

namespace Tolvarine {

Interface* Interface::singleton = nullptr;

namespace {

// The play menu's ship pictures, drawn by tools/make_thumbnails.py, each one image of its own file
// in a folder of the default resource group. A file that is missing or does not load stops the
// start with the file's name; the library's own refusal names none of the game's files.
void addPictures()
{
    CEGUI::ImageManager& images = CEGUI::ImageManager::getSingleton();
    for (const CodeNames::Name* picture : CodeNames::PICTURES) {
        const std::string image = std::string(MenuSystem::PICTURE_IMAGESET) + "/" + picture->name;
        if (images.isDefined(image))
            continue;
        std::string reason;
        try {
            images.addFromImageFile(image, std::filesystem::path(picture->file).filename().string());
            continue;
        } catch (const Ogre::Exception& error) {
            reason = error.getDescription();
        } catch (const CEGUI::Exception& error) {
            reason = error.getMessage().c_str();
        }
        GameLog::line("Interface: the image " + image + " cannot be loaded: " + reason);
        CodeNames::refuse(*picture);
    }
}

// The file that the resource groups could not find, from their refusal ("Cannot locate resource
// <name> in resource group <group>."); empty for any other refusal.
std::string missingResource(const Ogre::Exception& error)
{
    const std::string lead = "Cannot locate resource ";
    const std::string& text = error.getDescription();
    const std::size_t end = text.find(" in resource group ");
    if (text.compare(0, lead.size(), lead) != 0 || end == std::string::npos)
        return std::string();
    return text.substr(lead.size(), end - lead.size());
}

// The GUI file of the default resource group (a scheme, font, image set or looks file) that names
// `resource` in one of its attributes; empty when none does.
std::string guiFileNaming(const std::string& resource)
{
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    const std::string quoted = "\"" + resource + "\"";
    for (const char* pattern : {"*.scheme", "*.font", "*.imageset", "*.looknfeel"}) {
        const Ogre::FileInfoListPtr files = groups.findResourceFileInfo(Ogre::RGN_DEFAULT, pattern);
        for (const Ogre::FileInfo& file : *files) {
            if (groups.openResource(file.filename, Ogre::RGN_DEFAULT)->getAsString().find(quoted) != std::string::npos)
                return file.filename;
        }
    }
    return std::string();
}

// Where the transient message sits, in pixels below the top of the screen.
constexpr float MESSAGE_TOP = 100.0f;
constexpr double STATS_PERIOD = 0.5;
constexpr double STATS_START = 1.0;

double realTime()
{
    Scheduler* scheduler = Scheduler::getSingletonPtr();
    return scheduler ? scheduler->getRealTime() : 0.0;
}

} // namespace

Interface::Interface()
    : commandModeKey("toggle_command_mode", [this]() { toggleCommandMode(); })
    , menuKey("disabled", [this]() { toggleMenu(); })
    , screenshotKey("screenshot", []() { TolvarineEngine::getSingleton().takeScreenshot(); })
    , quitKey("quit", []() { TolvarineEngine::getSingleton().quit(); })
    , suicideKey("suicide", [this]() { suicide(); })
{
    singleton = this;
    if (Scheduler::getSingletonPtr()) {
        statsTask = std::make_unique<FixedTask>(
            [this](float last, float smoothed) { updateStats(last, smoothed); }, "Interface/UpdateStats", 50);
        messageTask = std::make_unique<FunctionTask>(
            [this](float elapsed) { return transientMessageUpdate(elapsed); }, "Interface::transientMessageUpdate",
            0.04f, 0.01f);
    }
    lookUpStats();
}

Interface::~Interface()
{
    menuSystem.reset();
    commandSystem.reset();
    stopGui();
    if (singleton == this)
        singleton = nullptr;
}

Interface& Interface::getSingleton()
{
    return *singleton;
}

Interface* Interface::getSingletonPtr()
{
    return singleton;
}

const Config& Interface::getConfig()
{
    static const Config settings("cfg/interface.cfg", false, false, false);
    return settings;
}

// The overlay lives in a folder of the default resource group, which is ready before the overlay
// scripts of the game's own group: the interface is made in between.
void Interface::lookUpStats()
{
    Ogre::OverlayManager* overlays = Ogre::OverlayManager::getSingletonPtr();
    if (!overlays)
        return;
    if (!overlays->getByName("Stats")) {
        GameLog::line("Interface: there is no overlay \"Stats\": no frame rate is shown");
        return;
    }
    statsOverlay = overlays->getByName("Stats");
    fpsElement = overlays->getOverlayElement("Stats/TopRight/Fps");
    trisElement = overlays->getOverlayElement("Stats/TopRight/Tris");
    if (statsOverlay && getConfig().get<bool>("Interface", "showFps", false)) {
        statsOverlay->show();
        nextStatsUpdate = STATS_START;
    }
}

void Interface::setRenderWindow(Ogre::RenderWindow* window)
{
    renderWindow = window;
    CameraController& cameras = CameraController::getSingleton();
    viewport = renderWindow->addViewport(cameras.getCamera(), 0, 0.0f, 0.0f, 1.0f, 1.0f);
    cameras.activateFixedCamera();
}

void Interface::initialiseGui()
{
    if (!renderWindow) {
        GameLog::line("Interface: the GUI cannot start before the render window is set");
        throw FatalError();
    }
    menuSystem.reset();
    commandSystem.reset();
    stopGui();
    const Config& settings = getConfig();
    const auto scheme = settings.get<std::string>("GUI", "scheme");
    const auto font = settings.get<std::string>("GUI", "font");
    const auto alpha = settings.get<float>("GUI", "alpha");

    if (!CEGUI::Logger::getSingletonPtr())
        guiLog = std::make_unique<GuiFileLog>();
    guiRenderer = &CEGUI::OgreRenderer::bootstrapSystem(*renderWindow);
    loadScheme(settings, scheme, font);
    CEGUI::GUIContext& context = CEGUI::System::getSingleton().getDefaultGUIContext();
    // The pointer's image and the menus' window types are the scheme's; the menus' sheets are
    // made later, most when the player first opens them.
    const std::string schemeFile = ResourceFiles::locate(scheme + ".scheme");
    const std::string pointer = scheme + "/MouseArrow";
    if (!CEGUI::ImageManager::getSingleton().isDefined(pointer))
        CodeNames::refuse({"image", pointer.c_str(), schemeFile.c_str(), "The mouse pointer"});
    context.getMouseCursor().setDefaultImage(pointer);
    context.getMouseCursor().setImage(pointer);
    context.setDefaultFont(&CEGUI::FontManager::getSingleton().get(font));
    WidgetFactory::checkWindowTypes(schemeFile);
    addPictures();

    desktopWindow = CEGUI::WindowManager::getSingleton().createWindow("DefaultWindow", "Desktop");
    desktopWindow->setSize(CEGUI::USize(CEGUI::UDim(1, 0), CEGUI::UDim(1, 0)));
    desktopWindow->setMousePassThroughEnabled(true);
    context.setRootWindow(desktopWindow);
    desktopWindow->setAlpha(alpha);
    desktopWindow->show();
    desktopWindow->enable();

    messageWindow = WidgetFactory::createStaticText("Desktop/Message", desktopWindow, "");
    messageWindow->hide();

    InputHandler::getSingleton().setGuiInjector(&guiInjector);
    lastGuiTime = realTime();
    guiTimeTask = std::make_unique<FixedTask>(
        [this](float, float) {
            const double now = realTime();
            CEGUI::System::getSingleton().injectTimePulse(static_cast<float>(now - lastGuiTime));
            CEGUI::System::getSingleton().getDefaultGUIContext().injectTimePulse(
                static_cast<float>(now - lastGuiTime));
            lastGuiTime = now;
        },
        "Interface/GuiTime", 1);

    commandSystem = std::make_unique<CommandSystem>();
    menuSystem = std::make_unique<MenuSystem>();
    menuSystem->initialise();
    updateControlState();
    GameLog::line("GUI started with scheme " + scheme + " and font " + font);
}

// The scheme loads its image sets, looks and fonts; a broken one is named by its file, which
// otherwise only the library's own log names. The library reads every file through the rendering
// engine's resource groups, whose own exception refuses a file that is not there.
void Interface::loadScheme(const Config& settings, const std::string& scheme, const std::string& font)
{
    if (guiLog)
        guiLog->forget();
    try {
        CEGUI::SchemeManager& schemes = CEGUI::SchemeManager::getSingleton();
        if (!schemes.isDefined(scheme))
            schemes.createFromFile(scheme + ".scheme");
    } catch (const CEGUI::Exception& error) {
        refuseGui(settings, "scheme", scheme, font, error.getMessage().c_str(), std::string());
    } catch (const Ogre::Exception& error) {
        refuseGui(settings, "scheme", scheme, font, error.getDescription(), missingResource(error));
    }
    try {
        CEGUI::FontManager::getSingleton().get(font);
    } catch (const CEGUI::Exception& error) {
        refuseGui(settings, "font", scheme, font, error.getMessage().c_str(), std::string());
    }
}

// The file to mend: a GUI file the library could not parse, the one that names a file that is not
// there, or the scheme's file when it named something else the library could not load (a window
// renderer module, say). Without one, the scheme or font that `key` names is unknown.
void Interface::refuseGui(const Config& settings, const char* key, const std::string& scheme, const std::string& font,
                          const std::string& reason, const std::string& missing) const
{
    std::string file = guiLog ? guiLog->getLastFailedFile() : std::string();
    if (file.empty() && !missing.empty())
        file = guiFileNaming(missing);
    const std::string schemeFile = scheme + ".scheme";
    if (file.empty() && key == std::string("scheme")
        && Ogre::ResourceGroupManager::getSingleton().resourceExistsInAnyGroup(schemeFile))
        file = schemeFile;
    if (!file.empty()) {
        GameLog::line("Interface: the GUI file " + ResourceFiles::locate(file) + " is broken: " + reason);
        throw ConfigurationError();
    }
    ValueRange::refuse(settings, "GUI", key,
                       "Interface: the GUI scheme " + scheme + " with the font " + font + " could not be loaded: " + reason);
}

void Interface::stopGui()
{
    if (!guiRenderer)
        return;
    guiTimeTask.reset();
    if (InputHandler* input = InputHandler::getSingletonPtr())
        input->setGuiInjector(nullptr);
    if (messageTask)
        messageTask->subscribe(false);
    messageWindow = nullptr;
    desktopWindow = nullptr;
    CEGUI::OgreRenderer::destroySystem();
    guiRenderer = nullptr;
}

Interface::InterfaceMode Interface::getMode() const
{
    if (inMenu)
        return MENU;
    return inCommandMode ? COMMAND : NORMAL;
}

void Interface::enterCommandMode()
{
    inCommandMode = true;
    if (commandSystem)
        commandSystem->enterCommandMode();
    updateControlState();
}

void Interface::leaveCommandMode()
{
    inCommandMode = false;
    if (commandSystem)
        commandSystem->leaveCommandMode();
    updateControlState();
}

// The menu system pauses the game while it shows.
void Interface::showMenu()
{
    inMenu = true;
    if (menuSystem)
        menuSystem->showSheet();
    updateControlState();
}

void Interface::hideMenu()
{
    inMenu = false;
    if (menuSystem)
        menuSystem->hideSheet();
    updateControlState();
}

void Interface::setMode(int mode, bool lockKeys)
{
    switch (mode) {
    case NORMAL:
        if (inCommandMode)
            leaveCommandMode();
        if (inMenu)
            hideMenu();
        break;
    case COMMAND:
        if (inMenu)
            hideMenu();
        if (!inCommandMode)
            enterCommandMode();
        break;
    case MENU:
        if (inCommandMode)
            leaveCommandMode();
        if (!inMenu)
            showMenu();
        break;
    default:
        break;
    }
    // The display follows the mode even when no mode changed: start-up hides it until the first
    // mode is set.
    updateHud();
    commandModeKey.setEnabled(!lockKeys);
    menuKey.setEnabled(!lockKeys);
}

void Interface::toggleCommandMode()
{
    if (inCommandMode)
        leaveCommandMode();
    else
        enterCommandMode();
}

void Interface::toggleMenu()
{
    if (inMenu)
        hideMenu();
    else
        showMenu();
}

void Interface::updateControlState() const
{
    const bool flying = getMode() == NORMAL;
    if (InputHandler* input = InputHandler::getSingletonPtr()) {
        input->setGuiInjection(!flying);
        input->setMouseMomentumSuspended(!flying);
    }
    updateHud();
    if (TestGround* testGround = TestGround::getSingletonPtr())
        testGround->setMenuOver(inMenu);
    Controllable::setInputEnabled(flying);
    if (guiRenderer)
        CEGUI::System::getSingleton().getDefaultGUIContext().getMouseCursor().setVisible(inMenu);
}

void Interface::updateHud() const
{
    HudOverlay* hud = HudOverlay::getSingletonPtr();
    if (!hud)
        return;
    const bool flying = getMode() == NORMAL;
    hud->setVisible(flying);
    // The read-out is an overlay of its own, which the display's visibility does not reach; the
    // player paused under a menu still has a target, whose figures must not show through it.
    TargetReadout::getSingleton().setFlying(flying);
    HudOverlay::setFrameBillboardsVisible(true);
}

void Interface::suicide()
{
    Controllable* flown = Controllable::getFocused();
    if (!flown)
        return;
    GameLog::line("Self destruct");
    flown->destroy();
}

void Interface::showTransientMessage(const std::string& text, float holdSeconds, float fadeSeconds)
{
    if (!messageWindow || !messageTask) {
        GameLog::line("Interface: message before the GUI started: " + text);
        return;
    }
    messageTask->subscribe(true);
    messageStart = Scheduler::getSingleton().getTime();
    messageHold = holdSeconds;
    messageFade = fadeSeconds;
    messageWindow->setText(text);
    WidgetFactory::fitToText(*messageWindow);
    const float width = messageWindow->getPixelSize().d_width;
    const float rootWidth = desktopWindow->getPixelSize().d_width;
    messageWindow->setPosition(CEGUI::UVector2(CEGUI::UDim(0, (rootWidth - width) * 0.5f), CEGUI::UDim(0, MESSAGE_TOP)));
    messageWindow->setAlpha(1.0f);
    messageWindow->show();
}

bool Interface::transientMessageUpdate(float)
{
    if (!messageWindow)
        return false;
    const float shown = static_cast<float>(Scheduler::getSingleton().getTime() - messageStart);
    if (shown <= messageHold) {
        messageWindow->setAlpha(1.0f);
        return true;
    }
    // A fade of no length ends at once rather than dividing by zero.
    const float alpha = messageFade > 0.0f ? 1.0f - (shown - messageHold) / messageFade : 0.0f;
    if (alpha > 0.0f) {
        messageWindow->setAlpha(alpha);
        return true;
    }
    messageWindow->hide();
    return false;
}

void Interface::updateStats(float, float)
{
    const double now = realTime();
    if (now <= nextStatsUpdate || !renderWindow || !fpsElement)
        return;
    nextStatsUpdate = now + STATS_PERIOD;
    const Ogre::RenderTarget::FrameStats& stats = renderWindow->getStatistics();
    fpsElement->setCaption(std::to_string(static_cast<long>(std::floor(stats.avgFPS))));
    trisElement->setCaption(std::to_string(stats.triangleCount));
}

bool Interface::projectToScreen(const Ogre::Vector3& world, float& x, float& y)
{
    return ScreenProjection::projectToScreen(*CameraController::getSingleton().getCurrentCamera(), world, x, y);
}

void Interface::screenEdgePoint(const Ogre::Vector3& world, float& x, float& y)
{
    ScreenProjection::screenEdgePoint(*CameraController::getSingleton().getCurrentCamera(), world, x, y);
}

float Interface::projectedScreenWidth(const Ogre::Vector3& world, float radius) const
{
    return ScreenProjection::projectedScreenWidth(*CameraController::getSingleton().getCurrentCamera(), world,
                                                  radius);
}

void Interface::exportToPython()
{
    namespace bp = boost::python;
    bp::class_<Interface, boost::noncopyable>("Interface", bp::no_init)
        // None where no interface was made (scripts run by the tools and tests without a screen).
        .def("getSingleton", &Interface::getSingletonPtr, bp::return_value_policy<bp::reference_existing_object>())
        .staticmethod("getSingleton")
        .def("setMode", &Interface::setMode);
    bp::enum_<InterfaceMode>("InterfaceMode").value("MENU", MENU).value("COMMAND", COMMAND).value("NORMAL", NORMAL);
}

} // namespace Tolvarine
