#include "TargetReadout.h"

#include "Config.h"
#include "GameLog.h"
#include "HudOverlay.h"

#include <OgreColourValue.h>
#include <OgreOverlay.h>
#include <OgreOverlayElement.h>
#include <OgreOverlayManager.h>

#include <cmath>
#include <sstream>

namespace Tolvarine {

namespace {

TargetReadout* instance = nullptr;

// Whole numbers as a float prints them: precision 7, so that 1234567 is not cut to 1.23457e+06.
std::string wholeNumber(double value)
{
    std::ostringstream text;
    text.precision(7);
    text << static_cast<float>(value);
    return text.str();
}

Ogre::OverlayElement* findElement(Ogre::OverlayManager& overlays, const std::string& name)
{
    if (overlays.hasOverlayElement(name))
        return overlays.getOverlayElement(name);
    GameLog::line("TargetReadout: no overlay element " + name);
    return nullptr;
}

} // namespace

TargetReadout& TargetReadout::getSingleton()
{
    // Never destroyed: frames may let go of their selection until the very end of the program.
    if (!instance)
        instance = new TargetReadout();
    return *instance;
}

TargetReadout* TargetReadout::getSingletonPtr()
{
    return instance;
}

TargetReadout::TargetReadout()
{
    // The overlay is data: without it the game still runs, only without the read-out.
    Ogre::OverlayManager* overlays = Ogre::OverlayManager::getSingletonPtr();
    overlay = overlays ? overlays->getByName("TargetReadout") : nullptr;
    if (!overlay) {
        GameLog::line("TargetReadout: no overlay TargetReadout, the target read-out is not shown");
        return;
    }
    overlay->hide();
    panel = findElement(*overlays, "TargetReadout/Panel");
    distance = findElement(*overlays, "TargetReadout/Panel/Distance");
    rate = findElement(*overlays, "TargetReadout/Panel/RateOfChange");
    const auto colour = HudOverlay::getConfig().get<Ogre::ColourValue>("Hud", "colour");
    for (Ogre::OverlayElement* text : {distance, rate}) {
        if (text)
            text->setColour(colour);
    }
}

void TargetReadout::addSelection()
{
    if (selections++ == 0)
        measured = false;
    updateVisibility();
}

void TargetReadout::removeSelection()
{
    if (selections == 0)
        return;
    --selections;
    updateVisibility();
}

void TargetReadout::setMeasured(bool newMeasured)
{
    // Called every frame by the selected frame: only a change reaches the overlay.
    if (measured == newMeasured)
        return;
    measured = newMeasured;
    updateVisibility();
}

void TargetReadout::setFlying(bool newFlying)
{
    flying = newFlying;
    updateVisibility();
}

void TargetReadout::updateVisibility()
{
    if (!overlay)
        return;
    if (selections > 0 && measured && flying)
        overlay->show();
    else
        overlay->hide();
}

bool TargetReadout::isShown() const
{
    return overlay && overlay->isVisible();
}

std::string TargetReadout::distanceText(float metres)
{
    return wholeNumber(std::floor(metres)) + " m";
}

std::string TargetReadout::rateText(float metresPerSecond)
{
    return (metresPerSecond >= 0.0f ? "+" : "") + wholeNumber(std::floor(metresPerSecond)) + " m/s";
}

void TargetReadout::setDistance(float metres)
{
    const double whole = std::floor(metres);
    if (!distance || whole == shownDistance)
        return;
    shownDistance = whole;
    distance->setCaption(distanceText(metres));
}

void TargetReadout::setRateOfChange(float metresPerSecond)
{
    // A rate in [0, 1) and one in [-1, 0) share no whole number once the sign is shown.
    const double whole = std::floor(metresPerSecond);
    if (!rate || whole == shownRate)
        return;
    shownRate = whole;
    rate->setCaption(rateText(metresPerSecond));
}

void TargetReadout::setPosition(float left, float top)
{
    if (panel)
        panel->setPosition(left, top);
}

} // namespace Tolvarine
