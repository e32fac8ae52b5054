#include "GuiWorld.h"
#include "MenuSystem.h"
#include "SoundFiles.h"
#include "SoundSource.h"
#include "WidgetFactory.h"

#include <CEGUI/widgets/Slider.h>

#include <filesystem>

namespace Tolvarine::Test {
namespace {

using ControlAndSoundSheetTest = GuiWorld;

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

} // namespace
} // namespace Tolvarine::Test
