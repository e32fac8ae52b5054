#include "WizardStage.h"

#include "WidgetFactory.h"
#include "Wizard.h"

#include <CEGUI/widgets/FrameWindow.h>
#include <CEGUI/widgets/PushButton.h>

namespace Tolvarine {

namespace {

// Room between the buttons, and from the page's right and bottom edges.
constexpr float BUTTON_GAP = 30.0f;
constexpr float BOTTOM_GAP = 20.0f;

void placeAt(CEGUI::Window& window, float x, float y)
{
    window.setPosition(CEGUI::UVector2(CEGUI::UDim(0, x), CEGUI::UDim(0, y)));
}

} // namespace

WizardStage::WizardStage(const std::string& name, Wizard& owner)
    : wizard(owner), page(WidgetFactory::createFrameWindow(name, owner.getRootWindow(), ""))
{
    page->hide();
}

WizardStage::~WizardStage()
{
    WidgetFactory::destroyWindow(page);
}

void WizardStage::showPage()
{
    page->show();
}

void WizardStage::hidePage()
{
    page->hide();
}

// The page's sizes are its client area's, where the buttons are placed.
void WizardStage::buildPageFrame()
{
    if (built)
        return;
    buildPage();
    const std::string name = page->getName().c_str();
    const CEGUI::Sizef client = page->getUnclippedInnerRect().get().getSize();

    CEGUI::PushButton* cancel = WidgetFactory::createButton(name + "/Cancel", page, "Cancel");
    const CEGUI::Sizef cancelSize = cancel->getPixelSize();
    const float y = client.d_height - cancelSize.d_height - BOTTOM_GAP;
    const float cancelX = client.d_width - cancelSize.d_width - BUTTON_GAP;
    placeAt(*cancel, cancelX, y);
    cancel->subscribeEvent(CEGUI::PushButton::EventClicked, CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) {
        wizard.cancel();
        return true;
    }));

    CEGUI::PushButton* next = WidgetFactory::createButton(name + "/Next", page, "Next >>");
    const float nextX = cancelX - next->getPixelSize().d_width - BUTTON_GAP;
    placeAt(*next, nextX, y);
    next->subscribeEvent(CEGUI::PushButton::EventClicked,
                         CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) { return wizard.next(); }));

    CEGUI::PushButton* prev = WidgetFactory::createButton(name + "/Prev", page, "<< Prev");
    placeAt(*prev, nextX - prev->getPixelSize().d_width - BUTTON_GAP, y);
    prev->subscribeEvent(CEGUI::PushButton::EventClicked,
                         CEGUI::Event::Subscriber([this](const CEGUI::EventArgs&) { return wizard.prev(); }));
    built = true;
}

} // namespace Tolvarine
