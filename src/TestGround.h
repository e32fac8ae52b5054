#pragma once

#include "InputHandler.h"
#include "TargetableWatch.h"

#include <OgreVector.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace Ogre {
class Overlay;
class OverlayElement;
} // namespace Ogre

namespace Tolvarine {

class Faction;
class FileWatch;
class FireableProjectile;
class FixedTask;
class Ship;
class Targetable;

// The data writers' harness. It spawns one projectile type ("Fireable", with a ship as its
// target) or one ship type ("Ship") of the developer's choice in the scenario "TestGround",
// watches that type's data file and, when the file is saved, reads all types of that kind again
// and spawns the item anew, so that a change to a ".ship" or ".fireable" file is seen at once.
// Reading the types again deletes every object of that kind. For the ship types everything in
// play goes back to its pool first, as at the end of a game (ships, projectiles, explosions,
// sequences, arrivals): the current scenario keeps its factions and sky, and only the item return.
// For the projectile types only the projectiles go, and the battle goes on; the target is placed
// afresh. A file that is refused (logged with its file and key) changes nothing: the types, their
// pools and everything in play stay as they were, and the next save of the file is read. A ship
// save that drops a type name loaded before (renamed or removed) is refused the same way, since
// the running scenarios may spawn it by that name: a new name is taken at the next start.
// It is worked by input symbols ("next_category", "next_item", "toggle_test_ground",
// "load_test_scenario", "test_special"; "prev_category" and "prev_item" are bound to nothing that
// acts) and shows its choice in the overlay "TestGround" (elements "TestGround/Category/Text" and
// "TestGround/Item/Text") while it shows and no menu is over it.
//
// One instance, made by the engine's start-up after the statistics and never destroyed. The
// spawned objects belong to their pools: the test ground forgets each as soon as it leaves play
// (shot down, timed out, taken out by a script, the end or unload of a scenario, a reload of the
// types), before its pool can hand it to another user, so it only ever removes its own. Spawns
// need the current scenario's faction "Player"; without one the test ground logs and spawns
// nothing.
class TestGround {
public:
    static constexpr const char* FIREABLE = "Fireable";
    static constexpr const char* SHIP = "Ship";
    // The caption of no category and of no item.
    static constexpr const char* NONE = "--";
    // Real seconds between two looks at the data file.
    static constexpr double CHECK_PERIOD = 1.0;

    TestGround();
    virtual ~TestGround();
    TestGround(const TestGround&) = delete;
    TestGround& operator=(const TestGround&) = delete;

    // The one test ground; before it is made, logged and ConfigurationError.
    static TestGround& getSingleton();
    static TestGround* getSingletonPtr() { return singleton; }

    // Hides the test ground when shown, shows it otherwise.
    void toggle();
    // Shows the overlay, goes to command mode, (re)loads the scenario "TestGround" and starts
    // watching the data file.
    void show();
    // Hides the overlay, stops watching, loads the scenario "Test" and goes to command mode.
    void loadTestScenario();

    // Steps forwards through the categories and through the items of the current category. Each
    // list wraps round through "none" ("--") after its last entry.
    void nextCategory();
    void nextItem();

    // Spawns the current item again after reading its kind's types anew.
    void respawn();
    // The watch task's work: at most once a real second, respawns when the data file changed.
    void watchDataFile();
    // Fires the particle spray "plating" 100 units in front of the camera.
    void testSpecial();

    // A menu over the test ground hides its captions until the menu goes; the interface tells.
    void setMenuOver(bool over);

    bool isShown() const { return shown; }
    // Whether the captions are on the screen: the test ground shows and no menu is over it.
    bool areCaptionsVisible() const { return shown && !menuOver; }
    const std::string& getCategoryCaption() const { return categoryCaption; }
    const std::string& getItemCaption() const { return itemCaption; }
    const std::string& getDataFile() const { return dataFile; }
    bool isWatching() const { return watchTask != nullptr; }

    // Registers the script class "TestGround", so that scripts can work it as the keys do.
    static void exportToPython();

protected:
    // The world the test ground works on; tests put doubles of their own in its place.
    // The type names of a category, in ascending order.
    virtual std::vector<std::string> typeNames(const std::string& category) const;
    // The data file of a type.
    virtual std::string dataFileOf(const std::string& category, const std::string& item) const;
    // Puts a ship of the target type into play for the faction; false when there is no such type.
    virtual bool placeTarget(Faction& faction);
    // Puts the item into play for the faction.
    virtual void placeItem(const std::string& category, const std::string& item, Faction& faction);
    // Takes what the test ground spawned (the target too, when asked) out of play, if it is still
    // in play.
    virtual void removeItem();
    virtual void removeTarget();
    // Forgets the spawned objects without touching them: their pools took them back.
    virtual void forgetSpawned();
    // Reads every type of the category again (ShipType::reloadAll or FireableProjectile::shutdown);
    // false (logged) when a file is refused, which leaves everything as it was.
    virtual bool reloadTypes(const std::string& category);

private:
    // Forgets a spawned ship or projectile that is leaving play, whoever takes it out.
    void forgetShip(const Targetable& gone);
    void forgetFireable(const FireableProjectile& released);
    void subscribeInput();
    void findOverlay();
    void hide();
    void selectCategory();
    void selectItem();
    void spawnItem();
    void showCaptions();
    void updateOverlay();
    const std::string* currentCategoryName() const;
    const std::string* currentItemName() const;
    // The current scenario's faction "Player", or null after the log line.
    Faction* playerFaction() const;
    bool loadScenario(const std::string& name) const;

    static TestGround* singleton;

    Ogre::Vector3 spawnPosition = Ogre::Vector3::ZERO;
    Ship* testShip = nullptr;
    FireableProjectile* testFireable = nullptr;
    Ship* targetShip = nullptr;

    std::vector<std::unique_ptr<InputHandler::EnterSubscription>> subscriptions;
    const std::vector<std::string> categories{FIREABLE, SHIP};
    // Positions in the lists; the list's size stands for "none".
    std::size_t currentCategory = categories.size();
    std::vector<std::string> items;
    std::size_t currentItem = 0;

    std::string dataFile;
    std::unique_ptr<FileWatch> watch;
    std::unique_ptr<FixedTask> watchTask;
    double lastCheckTime = 0.0;

    bool shown = false;
    bool menuOver = false;
    // Set while the test ground reads types again: the pools' release then forgets the spawned
    // objects but leaves the test ground shown and watching (the watch task may be the caller).
    bool reloading = false;
    std::string categoryCaption = NONE;
    std::string itemCaption = NONE;
    Ogre::Overlay* overlay = nullptr;
    Ogre::OverlayElement* categoryText = nullptr;
    Ogre::OverlayElement* itemText = nullptr;
    // The pools' release at the end of a game reaches the test ground through this handle, which
    // is empty once the test ground is gone.
    std::shared_ptr<TestGround*> selfHandle;
    // Last: it stops listening before the pointers it clears go.
    TargetableWatch shipWatch{[this](const Targetable& gone) { forgetShip(gone); },
                              TargetableWatch::Until::LEAVING_PLAY};
};

} // namespace Tolvarine
