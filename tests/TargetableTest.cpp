#include "TargetingDoubles.h"

#include "FrameDisplay.h"

#include <gtest/gtest.h>

namespace Tolvarine::Test {
namespace {

using Ogre::Vector3;
using Entries = std::vector<std::string>;

class TargetableSelection : public TargetingFixture {
protected:
    TargetableSelection()
    {
        // The selection reaches the weapon systems of the focused object.
        player.setFocus(true);
        journal.state = [this] { return "selected=" + nameOf(Targetable::getSelected()) + " hud=" + nameOf(hud.getTargetWireframe()); };
        journal.entries.clear();
    }

    TestShip& player = ship("P");
};

TEST_F(TargetableSelection, SelectionHighlightsAndHandsTheTargetToTheFocusedObject)
{
    TestShip& a = ship("A");
    TestShip& b = ship("B");
    a.setSelected(true);
    a.setSelected(true); // again, or deselecting another: nothing changes
    b.setSelected(false);
    EXPECT_EQ(journal.entries, (Entries{"A.setSelected(true) [selected=- hud=-]",
                                        "P.primary.setTarget [selected=A hud=A]",
                                        "P.secondary.setTarget [selected=A hud=A]",
                                        "A.setSelected(true) [selected=A hud=A]",
                                        "B.setSelected(false) [selected=A hud=A]"}));
    EXPECT_TRUE(a.getFrameDisplay().isSelected());
    {
        SCOPED_TRACE("selecting B deselects A first, through A's own setSelected, which may select B again");
        // An object whose deselection passes the new selection on (as a formation passes targets
        // to its members) must not bounce the selection between the two for ever.
        a.onDeselect = [&b] { b.setSelected(true); };
        journal.entries.clear();
        b.setSelected(true);
        a.onDeselect = nullptr;
        EXPECT_EQ(journal.entries, (Entries{"B.setSelected(true) [selected=A hud=A]",
                                            "A.setSelected(false) [selected=A hud=A]",
                                            "B.setSelected(true) [selected=A hud=A]",
                                            "P.primary.clearTarget [selected=- hud=-]",
                                            "P.secondary.clearTarget [selected=- hud=-]",
                                            "P.primary.setTarget [selected=B hud=B]",
                                            "P.secondary.setTarget [selected=B hud=B]"}));
        EXPECT_FALSE(a.getFrameDisplay().isSelected());
        EXPECT_EQ(player.primary->target, &b);
    }
    {
        SCOPED_TRACE("leaving or entering play deselects");
        journal.entries.clear();
        b.setInactive(true);
        EXPECT_EQ(journal.entries, (Entries{"B.setSelected(false) [selected=B hud=B]",
                                            "P.primary.clearTarget [selected=- hud=-]",
                                            "P.secondary.clearTarget [selected=- hud=-]"}));
        b.setSelected(true);
        b.setInactive(false);
        EXPECT_EQ(Targetable::getSelected(), nullptr);
    }
    {
        SCOPED_TRACE("destroying the selected target clears the selection");
        b.getFrameDisplay().activate();
        b.getFrameDisplay().activate(); // a second activation makes no second frame
        b.setSelected(true);
        journal.state = nullptr;
        journal.entries.clear();
        ships.pop_back();
        EXPECT_EQ(Targetable::getSelected(), nullptr);
        EXPECT_EQ(hud.getTargetWireframe(), nullptr);
        EXPECT_EQ(journal.entries, (Entries{"P.primary.clearTarget", "P.secondary.clearTarget"}));
    }
    {
        SCOPED_TRACE("destroying an object the camera still follows lets the camera go");
        // As an explosion's camera event leaves the view on a ship that has left play, and the
        // ship types are then read again.
        camera.setCameraType(CameraController::CHASE);
        camera.getChaseCamera().setTarget(ship("C"));
        ships.pop_back();
        EXPECT_EQ(camera.getCurrentCamera()->getTarget(), nullptr);
        camera.setCameraTarget(ship("D"));
        ships.pop_back();
        EXPECT_EQ(camera.getCameraTarget(), nullptr);
        EXPECT_EQ(camera.getCurrentCamera()->getTarget(), nullptr);
    }
    SCOPED_TRACE("without a focused object only the frame and wireframe change");
    player.setFocus(false);
    journal.entries.clear();
    a.setSelected(true);
    a.setSelected(false);
    EXPECT_EQ(journal.entries, (Entries{"A.setSelected(true)", "A.setSelected(false)"}));
    EXPECT_EQ(Targetable::getSelected(), nullptr);
}

} // namespace
} // namespace Tolvarine::Test
