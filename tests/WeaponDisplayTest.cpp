#include "TargetingDoubles.h"

#include "LogCapture.h"

#include <OgreOverlay.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>
#include <OgreOverlaySystem.h>
#include <gtest/gtest.h>

#include <memory>

namespace Tolvarine::Test {
namespace {

// The overlay system of the rendering engine without a window, and reticle overlays made in code
// as the overlay scripts would define them.
class WeaponDisplayTest : public TargetingFixture {
protected:
    // The display outlives the overlays made here.
    ~WeaponDisplayTest() override { display.clearReticleOverlay(); }

    Ogre::Overlay* reticle(const std::string& name, bool withPrimary, bool withSecondary)
    {
        Ogre::OverlayManager& manager = Ogre::OverlayManager::getSingleton();
        Ogre::Overlay* overlay = manager.create(name);
        auto* panel = static_cast<Ogre::OverlayContainer*>(manager.createOverlayElement("Panel", name + "/Panel"));
        if (withPrimary)
            panel->addChild(manager.createOverlayElement("Panel", name + "/ReticlePrimaryComponent"));
        if (withSecondary)
            panel->addChild(manager.createOverlayElement("Panel", name + "/ReticleSecondaryComponent"));
        overlay->add2D(panel);
        return overlay;
    }

    WeaponDisplay& display = WeaponDisplay::getSingleton();
};

TEST_F(WeaponDisplayTest, AReticleWithoutItsComponentsIsLoggedAndKept)
{
    LogCapture log;
    Ogre::Overlay* partial = reticle("Partial", true, false);
    display.setReticleOverlay(partial);
    EXPECT_EQ(display.getReticleOverlay(), partial);
    EXPECT_NE(display.getPrimaryComponent(), nullptr);
    EXPECT_EQ(display.getSecondaryComponent(), nullptr);
    display.setReticleOverlay(reticle("Empty", false, false));
    EXPECT_EQ(display.getPrimaryComponent(), nullptr);
    const std::string missing = "WeaponDisplay::setReticleOverlay, no overlay element ";
    EXPECT_EQ(log.lines(), (std::vector<std::string>{missing + "Partial/ReticleSecondaryComponent",
                                                    missing + "Empty/ReticlePrimaryComponent",
                                                    missing + "Empty/ReticleSecondaryComponent"}));
}

} // namespace
} // namespace Tolvarine::Test
