#include "GuiWorld.h"
#include "MenuSystem.h"
#include "PngImage.h"
#include "WizardDoubles.h"

#include <CEGUI/widgets/Combobox.h>
#include <CEGUI/widgets/PushButton.h>
#include <CEGUI/widgets/RadioButton.h>
#include <CEGUI/widgets/Slider.h>
#include <CEGUI/widgets/ToggleButton.h>
#include <CEGUI/RendererModules/Ogre/Renderer.h>
#include <OgreHardwarePixelBuffer.h>
#include <OgreRenderTexture.h>
#include <OgreTextureManager.h>
#include <OgreViewport.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace Tolvarine::Test {
namespace {

using MenuScreenshotTest = GuiWorld;

int brightness(const PngImage& image, float x, float y)
{
    const std::uint8_t* pixel = image.at(unsigned(x), unsigned(y));
    return pixel[0] + pixel[1] + pixel[2];
}

// The brightest pixel of the window's area: its text or its border.
int brightest(const PngImage& image, const CEGUI::Window& window)
{
    const CEGUI::Rectf area = window.getUnclippedOuterRect().get();
    int most = 0;
    for (float y = area.top() + 1; y < area.bottom() - 1; ++y)
        for (float x = area.left() + 1; x < area.right() - 1 && x < image.width(); ++x)
            most = std::max(most, brightness(image, x, y));
    return most;
}

void placeAt(CEGUI::Window& window, float x, float y)
{
    window.setPosition(CEGUI::UVector2(CEGUI::UDim(0, x), CEGUI::UDim(0, y)));
}

// A wizard page at the top left, a sheet with a widget of each kind at the right and the help pane,
// drawn by the real renderer: the page's buttons are drawn inside it and the pane on the bottom
// edge, centred; a click on "Next >>" moves the wizard on. TOLVARINE_KEEP_SCREENSHOTS=<folder>
// keeps the picture.
TEST_F(MenuScreenshotTest, TheWizardPageWidgetsAndHelpPaneDrawWhereTheyBelong)
{
    start();
    MenuSystem& menus = MenuSystem::getSingleton();
    Journal journal;
    JournalWizard wizard(menus.getMenuSheet(), journal);
    auto stage = std::make_shared<JournalStage>("Page", wizard, journal);
    wizard.addStage(stage);
    wizard.addStage(std::make_shared<JournalStage>("Second", wizard, journal));
    wizard.start();
    placeAt(*stage->getPage(), 10, 10);

    CEGUI::FrameWindow* sheet = WidgetFactory::createFrameWindow("Kinds", menus.getMenuSheet(), "Kinds");
    WidgetFactory::setClientSize(*sheet, 150, 400);
    placeAt(*sheet, 640, 10);
    CEGUI::Combobox* combo = WidgetFactory::createCombobox("Kinds/Combo", sheet);
    WidgetFactory::addComboItem(*combo, "Combo");
    CEGUI::Window* kinds[] = {WidgetFactory::createStaticText("Kinds/Text", sheet, "Label"),
                              WidgetFactory::createButton("Kinds/Button", sheet, "Button"),
                              WidgetFactory::createCheckbox("Kinds/Check", sheet, "Check"),
                              WidgetFactory::createRadioButton("Kinds/Radio", sheet, "Radio", 1), combo,
                              WidgetFactory::createSlider("Kinds/Slider", sheet, 1, 0.05f, 0.5f)};
    kinds[5]->setSize(CEGUI::USize(CEGUI::UDim(0, 20), CEGUI::UDim(0, 100)));
    for (int row = 0; row < 6; ++row)
        placeAt(*kinds[row], 10, 10 + 40 * row);
    menus.pushSheet(wizard.getRootWindow());
    interface->setMode(Interface::MENU, false);
    menus.showHelpPane();
    sheet->show();

    // The test window is hidden and its pixels unreadable: the GUI draws into a texture of its size.
    Ogre::TexturePtr texture = Ogre::TextureManager::getSingleton().createManual(
        "MenuPicture", Ogre::RGN_DEFAULT, Ogre::TEX_TYPE_2D, 800, 600, 0, Ogre::PF_BYTE_RGBA, Ogre::TU_RENDERTARGET);
    Ogre::RenderTarget* target = texture->getBuffer()->getRenderTarget();
    target->addViewport(interface->getViewport()->getCamera())->setBackgroundColour(Ogre::ColourValue::Black);
    auto& gui = static_cast<CEGUI::OgreRenderer&>(*CEGUI::System::getSingleton().getRenderer());
    gui.setDefaultRootRenderTarget(*target);
    CEGUI::System::getSingleton().getDefaultGUIContext().markAsDirty();
    target->update();
    CEGUI::System::getSingleton().renderAllGUIContexts();
    const std::string path = folder.file("menus.png");
    target->writeContentsToFile(path);
    gui.setDefaultRootRenderTarget(*root->window());
    target->removeAllViewports();
    if (const char* keep = std::getenv("TOLVARINE_KEEP_SCREENSHOTS"))
        std::filesystem::copy_file(path, std::string(keep) + "/menus.png",
                                   std::filesystem::copy_options::overwrite_existing);
    const PngImage image(path);
    ASSERT_EQ(image.width(), 800u);

    // From the right edge of the 600 x 400 client area leftwards: 30, Cancel, 30, Next, 30, Prev;
    // 20 below them (the library aligns the area to whole pixels).
    const CEGUI::Rectf page = stage->getPage()->getUnclippedInnerRect().get();
    float right = 600;
    for (const char* name : {"Page/Cancel", "Page/Next", "Page/Prev"}) {
        SCOPED_TRACE(name);
        const CEGUI::Window& window = *WidgetFactory::findWindow(name);
        right -= 30 + window.getPixelSize().d_width;
        EXPECT_NEAR(window.getPosition().d_x.d_offset, right, 0.5f);
        EXPECT_NEAR(window.getPosition().d_y.d_offset + window.getPixelSize().d_height, 400 - 20, 0.5f);
        const CEGUI::Rectf button = window.getUnclippedOuterRect().get();
        EXPECT_TRUE(button.left() > page.left() && button.right() < page.right() && button.bottom() < page.bottom());
        EXPECT_GT(brightest(image, window), 400);
    }
    for (const CEGUI::Window* kind : kinds)
        EXPECT_GT(brightest(image, *kind), 400) << kind->getName();
    // The pane's title bar stands centred above the bottom edge; beside it lies the black scene.
    const CEGUI::Rectf pane = menus.getHelpPane()->getUnclippedOuterRect().get();
    EXPECT_GT(brightness(image, 400, pane.top() + 8), 100);
    EXPECT_GT(brightest(image, *WidgetFactory::findWindow("Help/HelpLabel")), 400) << "the reset text";
    EXPECT_EQ(brightness(image, pane.left() - 20, 590), 0);
    EXPECT_EQ(brightness(image, pane.right() + 20, 590), 0);

    auto& context = CEGUI::System::getSingleton().getDefaultGUIContext();
    const CEGUI::Rectf next = WidgetFactory::findWindow("Page/Next")->getUnclippedOuterRect().get();
    context.injectMousePosition(next.left() + next.getWidth() / 2, next.top() + next.getHeight() / 2);
    context.injectMouseButtonDown(CEGUI::LeftButton);
    context.injectMouseButtonUp(CEGUI::LeftButton);
    EXPECT_EQ(journal.back(), "enter Second+");
}

} // namespace
} // namespace Tolvarine::Test
