#include "GraphicsSettings.h"
#include "GuiWorld.h"
#include "MenuSystem.h"
#include "PngImage.h"
#include "SoundFiles.h"
#include "SoundSource.h"
#include "WidgetFactory.h"

#include <CEGUI/GUIContext.h>
#include <CEGUI/RendererModules/Ogre/Renderer.h>
#include <CEGUI/System.h>
#include <CEGUI/widgets/Slider.h>
#include <OgreHardwarePixelBuffer.h>
#include <OgreRenderTexture.h>
#include <OgreTextureManager.h>
#include <OgreViewport.h>
#include <SDL.h>

#include <filesystem>

namespace Tolvarine::Test {
namespace {

using ControlAndSoundSheetTest = GuiWorld;

void click(const char* name)
{
    const CEGUI::Rectf area = WidgetFactory::findWindow(name)->getUnclippedOuterRect().get();
    CEGUI::GUIContext& gui = CEGUI::System::getSingleton().getDefaultGUIContext();
    gui.injectMousePosition(area.left() + area.getWidth() / 2, area.top() + area.getHeight() / 2);
    gui.injectMouseButtonDown(CEGUI::LeftButton);
    gui.injectMouseButtonUp(CEGUI::LeftButton);
}

float volume(const SoundSource& source)
{
    float value = -1.0f;
    source.getChannel().getVolume(value);
    return value;
}

// Back applies all four sliders, moved without a thumb release, to the playing sounds; hiding the
// menus while the sheet is on top brings gains set elsewhere to the playing sounds too.
TEST_F(ControlAndSoundSheetTest, SoundBackAppliesEveryGainAndHidingRefreshesTheVolumes)
{
    writeFile("cfg/sound.cfg", TEST_SOUND_CONFIG);
    std::filesystem::create_directories("data/sound");
    std::filesystem::create_directories("sounds");
    writeToneWav("sounds/hum.wav", 1.0);
    writeFile("data/sound/hum.sound", "[Sound]\nfilename = hum.wav\nlooping = 1\n");
    SoundManager::forgetSoundConfigs();
    SoundManager sound(nullptr, SoundSystem::Output::SILENT);
    start();
    MenuSystem& menus = MenuSystem::getSingleton();
    interface->setMode(Interface::MENU, false);
    const struct {
        const char *slider, *key;
        SoundCategory category;
        float gain;
    } rows[] = {{"Sound/EffectsSlider", "effects", SoundCategory::EFFECTS, 0.25f},
                {"Sound/AmbientSlider", "ambient", SoundCategory::AMBIENT, 0.75f},
                {"Sound/InstrumentSlider", "instrument", SoundCategory::INSTRUMENT, 0.5f},
                {"Sound/ThrustSlider", "thrust", SoundCategory::THRUST, 1.0f}};
    std::vector<std::unique_ptr<SoundSource>> sources;
    menus.openSoundSheet(CEGUI::EventArgs());
    for (const auto& row : rows) {
        sources.push_back(SoundSource::create("hum", row.category, nullptr, Ogre::Vector3::ZERO, false));
        sources.back()->play();
        static_cast<CEGUI::Slider*>(WidgetFactory::findWindow(row.slider))->setCurrentValue(row.gain);
    }
    menus.closeSoundSheet(CEGUI::EventArgs());
    menus.openSoundSheet(CEGUI::EventArgs());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        SCOPED_TRACE(rows[i].slider);
        EXPECT_EQ(sound.getCategoryGain(rows[i].category), rows[i].gain);
        EXPECT_EQ(volume(*sources[i]), rows[i].gain);
        EXPECT_EQ(Config("cfg/sound.cfg").get<float>("Gain", rows[i].key), rows[i].gain);
    }
    sound.setEffectsGain(0.125f);
    ASSERT_EQ(volume(*sources[0]), 0.25f) << "setting a gain alone leaves the playing sounds";
    ASSERT_EQ(menus.getStack().back(), menus.getSoundSheet());
    menus.hideSheet();
    EXPECT_EQ(volume(*sources[0]), 0.125f);
    sources.clear();
}

// Draws the GUI into a picture and checks that every widget of `sheet` lies inside it and shows
// something there.
void expectDrawnInside(CEGUI::Window* sheet, const std::string& name, Ogre::Camera* camera, Ogre::RenderTarget& window)
{
    ASSERT_NE(sheet, nullptr) << name;
    Ogre::TexturePtr texture = Ogre::TextureManager::getSingleton().createManual(
        "Picture/" + name, Ogre::RGN_DEFAULT, Ogre::TEX_TYPE_2D, 800, 600, 0, Ogre::PF_BYTE_RGBA, Ogre::TU_RENDERTARGET);
    Ogre::RenderTarget* target = texture->getBuffer()->getRenderTarget();
    target->addViewport(camera)->setBackgroundColour(Ogre::ColourValue::Black);
    auto& gui = static_cast<CEGUI::OgreRenderer&>(*CEGUI::System::getSingleton().getRenderer());
    gui.setDefaultRootRenderTarget(*target);
    CEGUI::System::getSingleton().getDefaultGUIContext().markAsDirty();
    target->update();
    CEGUI::System::getSingleton().renderAllGUIContexts();
    const std::string file = std::filesystem::temp_directory_path() / ("tolvarine-" + name + ".png");
    target->writeContentsToFile(file);
    gui.setDefaultRootRenderTarget(window);
    target->removeAllViewports();
    const PngImage image(file);
    std::filesystem::remove(file);
    ASSERT_FALSE(image.empty());
    const CEGUI::Rectf outline = sheet->getUnclippedOuterRect().get();
    for (std::size_t i = 0; i < sheet->getChildCount(); ++i) {
        const CEGUI::Window* widget = sheet->getChildAtIdx(i);
        if (widget->isAutoWindow() || !widget->isVisible())
            continue;
        SCOPED_TRACE(name + ": " + widget->getName().c_str());
        const CEGUI::Rectf area = widget->getUnclippedOuterRect().get();
        // A combo box's area takes in its closed drop-down list, which may reach past the sheet.
        const bool combo = widget->getType().find("Combobox") != CEGUI::String::npos;
        EXPECT_TRUE(area.left() >= outline.left() && area.right() <= outline.right() && area.top() >= outline.top() &&
                    (combo || area.bottom() <= outline.bottom()));
        int brightest = 0;
        for (float y = area.top() + 1; y < area.bottom() - 1; ++y)
            for (float x = area.left() + 1; x < area.right() - 1; ++x) {
                const std::uint8_t* pixel = image.at(unsigned(x), unsigned(y));
                brightest = std::max(brightest, pixel[0] + pixel[1] + pixel[2]);
            }
        EXPECT_GT(brightest, 400) << "drawn";
    }
}

// The Control sheet as drawn: every row inside the sheet and visible; a click on a row's button
// and a real key through SDL bind it, and Back writes the binding to the key map file.
TEST_F(ControlAndSoundSheetTest, ControlSheetDrawsItsRowsAndBindsAKeyPressedThroughSdl)
{
    std::filesystem::copy_file(std::string(TOLVARINE_SOURCE_DIR) + "/cfg/active.keymap", "cfg/active.keymap");
    input.loadKeymap("cfg/active.keymap");
    start();
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    MenuSystem& menus = MenuSystem::getSingleton();
    interface->setMode(Interface::MENU, false);
    menus.openControlSheet();

    // Each sheet as drawn: every widget inside it and visible.
    expectDrawnInside(menus.getControlSheet(), "control", interface->getViewport()->getCamera(), *root->window());
    click("Button/pitch_up");
    ASSERT_TRUE(input.isCapturing());
    expectDrawnInside(menus.getChangeInputPopup(), "prompt", interface->getViewport()->getCamera(), *root->window());
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = SDLK_k;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    input.processEvents(1.0);
    EXPECT_EQ(input.getInputNameForSymbol("pitch_up"), "k");
    click("Control/Back");
    EXPECT_NE(menus.getStack().back(), menus.getControlSheet());
    EXPECT_EQ(Config("cfg/active.keymap").get<std::string>("Mapping", "pitch_up"), "k");
    std::filesystem::copy_file(std::string(TOLVARINE_SOURCE_DIR) + "/cfg/graphics.cfg", "cfg/graphics.cfg",
                               std::filesystem::copy_options::overwrite_existing);
    const GraphicsSettings graphics;
    menus.openGraphicsSheet(CEGUI::EventArgs());
    expectDrawnInside(menus.getGraphicsSheet(), "graphics", interface->getViewport()->getCamera(), *root->window());
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

} // namespace
} // namespace Tolvarine::Test
