#include "TestGround.h"

#include "CameraController.h"
#include "CommandSystem.h"
#include "ConfigurationError.h"
#include "Faction.h"
#include "FileWatch.h"
#include "FireableProjectile.h"
#include "FixedTask.h"
#include "GameLog.h"
#include "Interface.h"
#include "ParticleSpray.h"
#include "Scenario.h"
#include "ScenarioManager.h"
#include "Scheduler.h"
#include "Ship.h"
#include "ShipType.h"

#include <boost/python/class.hpp>
#include <boost/python/copy_const_reference.hpp>
#include <boost/python/reference_existing_object.hpp>
#include <boost/python/return_value_policy.hpp>

#include <OgreCamera.h>
#include <OgreOverlay.h>
#include <OgreOverlayElement.h>
#include <OgreOverlayManager.h>

#include <algorithm>
#include <exception>
#include <functional>

namespace bp = boost::python;

namespace Tolvarine {

namespace {

// The fixed task that looks at the data file runs with the other per-frame scenery work.
constexpr unsigned WATCH_ORDER = 50;
// The ship placed as the target of a spawned projectile, and where.
const char* const TARGET_TYPE = "trifighter";
const Ogre::Vector3 TARGET_POSITION(100, 0, 0);

Ogre::OverlayElement* findElement(Ogre::OverlayManager& overlays, const std::string& name)
{
    if (overlays.hasOverlayElement(name))
        return overlays.getOverlayElement(name);
    GameLog::line("TestGround: no overlay element " + name);
    return nullptr;
}

bool isShip(const Ship* ship, const Targetable& targetable)
{
    return ship && static_cast<const Targetable*>(ship) == &targetable;
}

} // namespace

TestGround* TestGround::singleton = nullptr;

TestGround::TestGround()
    : selfHandle(std::make_shared<TestGround*>(this))
{
    singleton = this;
    subscribeInput();
    findOverlay();
    // Ships come back first at the end of a game; the spawned objects are forgotten with them,
    // and the captions go with the scenario they describe (show loads its scenario first). The
    // test ground's own reload returns the pools' objects too, but stays in its scenario.
    std::weak_ptr<TestGround*> handle = selfHandle;
    Scenario::addPoolRelease(Scenario::PooledKind::SHIPS, [handle]() {
        if (std::shared_ptr<TestGround*> self = handle.lock()) {
            (*self)->forgetSpawned();
            if (!(*self)->reloading)
                (*self)->hide();
        }
    });
    // A spawned projectile that hits or times out goes back to its pool, which hands it to the
    // next weapon that fires its type: the test ground must not take that shot out of play.
    FireableProjectile::addReleaseWatch([handle](const FireableProjectile& released) {
        if (std::shared_ptr<TestGround*> self = handle.lock())
            (*self)->forgetFireable(released);
    });
}

TestGround::~TestGround()
{
    if (singleton == this)
        singleton = nullptr;
}

TestGround& TestGround::getSingleton()
{
    if (!singleton) {
        GameLog::line("TestGround used before it was created");
        throw ConfigurationError();
    }
    return *singleton;
}

void TestGround::subscribeInput()
{
    const std::pair<const char*, std::function<void()>> handlers[] = {
        {"next_category", [this] { nextCategory(); }},
        // Bound, so that the keys are taken, but stepping back is not offered.
        {"prev_category", [] {}},
        {"next_item", [this] { nextItem(); }},
        {"prev_item", [] {}},
        {"toggle_test_ground", [this] { toggle(); }},
        {"load_test_scenario", [this] { loadTestScenario(); }},
        {"test_special", [this] { testSpecial(); }},
    };
    for (const auto& handler : handlers)
        subscriptions.push_back(std::make_unique<InputHandler::EnterSubscription>(handler.first, handler.second));
}

void TestGround::findOverlay()
{
    // The overlay is data: without it the test ground still works, only unseen.
    Ogre::OverlayManager* overlays = Ogre::OverlayManager::getSingletonPtr();
    overlay = overlays ? overlays->getByName("TestGround") : nullptr;
    if (!overlay) {
        GameLog::line("TestGround: no overlay TestGround, the choice is not shown");
        return;
    }
    overlay->hide();
    categoryText = findElement(*overlays, "TestGround/Category/Text");
    itemText = findElement(*overlays, "TestGround/Item/Text");
    showCaptions();
}

void TestGround::toggle()
{
    if (shown)
        hide();
    else
        show();
}

void TestGround::hide()
{
    shown = false;
    updateOverlay();
    watchTask.reset();
}

void TestGround::setMenuOver(bool over)
{
    menuOver = over;
    updateOverlay();
}

void TestGround::updateOverlay()
{
    if (!overlay)
        return;
    if (areCaptionsVisible())
        overlay->show();
    else
        overlay->hide();
}

void TestGround::show()
{
    // The scenario before goes first, taking any captions with it; then this one's are shown, and
    // command mode lists this scenario's ships, not the ones just given back to their pools.
    if (!loadScenario("TestGround")) {
        hide();
        return;
    }
    shown = true;
    if (Interface* gameInterface = Interface::getSingletonPtr())
        gameInterface->setMode(Interface::COMMAND, false);
    updateOverlay();
    // Made from an input handler, inside the scheduler's fixed pass: it first runs in the next.
    watchTask = std::make_unique<FixedTask>([this](float, float) { watchDataFile(); }, "TestGround::update",
                                            WATCH_ORDER);
}

void TestGround::loadTestScenario()
{
    hide();
    loadScenario("Test");
    if (Interface* gameInterface = Interface::getSingletonPtr())
        gameInterface->setMode(Interface::COMMAND, false);
}

bool TestGround::loadScenario(const std::string& name) const
{
    ScenarioManager* scenarios = ScenarioManager::getSingletonPtr();
    if (!scenarios) {
        GameLog::line("TestGround: there are no scenarios to load " + name + " from");
        return false;
    }
    try {
        scenarios->loadScenario(name);
        return true;
    } catch (const ConfigurationError&) {
        GameLog::line("TestGround: the scenario " + name + " cannot be loaded");
        return false;
    }
}

void TestGround::nextCategory()
{
    currentCategory = currentCategory >= categories.size() ? 0 : currentCategory + 1;
    selectCategory();
}

void TestGround::nextItem()
{
    currentItem = currentItem >= items.size() ? 0 : currentItem + 1;
    selectItem();
}

const std::string* TestGround::currentCategoryName() const
{
    return currentCategory < categories.size() ? &categories[currentCategory] : nullptr;
}

const std::string* TestGround::currentItemName() const
{
    return currentItem < items.size() ? &items[currentItem] : nullptr;
}

void TestGround::selectCategory()
{
    const std::string* category = currentCategoryName();
    categoryCaption = category ? *category : NONE;
    showCaptions();
    items.clear();
    currentItem = 0;
    if (!category) {
        selectItem();
        return;
    }
    removeTarget();
    items = typeNames(*category);
    if (*category == FIREABLE) {
        if (Faction* faction = playerFaction()) {
            if (!placeTarget(*faction))
                GameLog::line(std::string("TestGround: no ship type ") + TARGET_TYPE + " to aim at");
        }
    }
    selectItem();
}

void TestGround::selectItem()
{
    const std::string* item = currentItemName();
    itemCaption = item ? *item : NONE;
    showCaptions();
    // "None" leaves the earlier spawn where it is.
    if (!item)
        return;
    removeItem();
    spawnItem();
}

void TestGround::spawnItem()
{
    const std::string* category = currentCategoryName();
    const std::string* item = currentItemName();
    if (!category || !item)
        return;
    Faction* faction = playerFaction();
    if (!faction)
        return;
    // The types may have changed under the list (a failed reload leaves some unread).
    const std::vector<std::string> loaded = typeNames(*category);
    if (std::find(loaded.begin(), loaded.end(), *item) == loaded.end()) {
        GameLog::line("TestGround: there is no " + *category + " type " + *item);
        return;
    }
    placeItem(*category, *item, *faction);
    dataFile = dataFileOf(*category, *item);
    watch = std::make_unique<FileWatch>(dataFile);
    GameLog::line("TestGround: spawned " + *category + " " + *item + ", watching " + dataFile);
}

void TestGround::respawn()
{
    const std::string* category = currentCategoryName();
    const std::string* item = currentItemName();
    if (!category || !item)
        return;
    const std::string name = *item;
    // A refused file changes nothing: the spawned objects stay where they are, and the watch stays
    // for the next save.
    if (!reloadTypes(*category))
        return;
    // The reload deleted every object of its kind, the spawned item with them (a ship reload first
    // took everything out of play, and the pools' release forgot the spawned objects); the target
    // is placed afresh with the item.
    testFireable = nullptr;
    items = typeNames(*category);
    const auto found = std::find(items.begin(), items.end(), name);
    currentItem = static_cast<std::size_t>(found - items.begin());
    if (found == items.end()) {
        GameLog::line("TestGround: there is no type " + name + " after reading the types again");
        itemCaption = NONE;
        showCaptions();
        dataFile.clear();
        watch.reset();
        return;
    }
    if (*category == FIREABLE) {
        if (Faction* faction = playerFaction())
            placeTarget(*faction);
    }
    spawnItem();
    // A ship reload took every ship out of play, and the ships now in play are new ones: command
    // mode, when open, lists them.
    if (*category == SHIP) {
        if (CommandSystem* command = CommandSystem::getSingletonPtr())
            command->relistShips();
    }
}

void TestGround::watchDataFile()
{
    const Scheduler* scheduler = Scheduler::getSingletonPtr();
    const double now = scheduler ? scheduler->getRealTime() : 0.0;
    if (!(now - lastCheckTime > CHECK_PERIOD))
        return;
    lastCheckTime = now;
    if (dataFile.empty() || !watch)
        return;
    if (!watch->exists()) {
        GameLog::line("Failed to open handle to " + dataFile);
        // No more looks until the next spawn.
        dataFile.clear();
        watch.reset();
        return;
    }
    if (watch->changed()) {
        GameLog::line("TestGround: " + dataFile + " changed, reading its types again");
        respawn();
    }
}

void TestGround::testSpecial()
{
    CameraController* cameras = CameraController::getSingletonPtr();
    const Ogre::Camera* camera = cameras && cameras->getCurrentCamera() ? cameras->getCamera() : nullptr;
    if (!camera) {
        GameLog::line("TestGround: there is no camera to spray in front of");
        return;
    }
    const Ogre::Vector3 point =
        camera->getDerivedPosition() - 100.0f * camera->getDerivedOrientation().zAxis();
    ParticleSpray::spray("plating", point, Ogre::Vector3::ZERO);
}

void TestGround::showCaptions()
{
    if (categoryText)
        categoryText->setCaption(categoryCaption);
    if (itemText)
        itemText->setCaption(itemCaption);
}

Faction* TestGround::playerFaction() const
{
    ScenarioManager* scenarios = ScenarioManager::getSingletonPtr();
    Scenario* scenario = scenarios ? scenarios->getCurrentScenario() : nullptr;
    if (!scenario) {
        GameLog::line("TestGround: there is no current scenario");
        return nullptr;
    }
    const std::shared_ptr<Faction> faction = scenario->getFaction("Player");
    if (!faction) {
        GameLog::line("TestGround: current scenario has no faction Player");
        return nullptr;
    }
    return faction.get();
}

std::vector<std::string> TestGround::typeNames(const std::string& category) const
{
    if (category == FIREABLE)
        return FireableProjectile::getTypeNames();
    if (category == SHIP)
        return ShipType::getTypeNames();
    return {};
}

std::string TestGround::dataFileOf(const std::string& category, const std::string& item) const
{
    return category == SHIP ? ShipType::getFilename(item) : FireableProjectile::getPath(item);
}

bool TestGround::placeTarget(Faction& faction)
{
    removeTarget();
    const std::vector<std::string> ships = ShipType::getTypeNames();
    if (std::find(ships.begin(), ships.end(), TARGET_TYPE) == ships.end())
        return false;
    targetShip = Ship::create(TARGET_TYPE);
    targetShip->activate(faction, TARGET_POSITION, Ogre::Quaternion::IDENTITY);
    return true;
}

void TestGround::placeItem(const std::string& category, const std::string& item, Faction& faction)
{
    if (category == FIREABLE) {
        testFireable = FireableProjectile::create(item);
        testFireable->launch(&faction, false, Ogre::Vector3::ZERO, Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY,
                             0.0f, targetShip);
    } else if (category == SHIP) {
        testShip = Ship::create(item);
        testShip->activate(faction, spawnPosition, Ogre::Quaternion::IDENTITY);
    }
}

// What the test ground still holds is in play and its own: it lets go of an object as soon as
// it leaves play (forgetShip, forgetFireable).
void TestGround::removeItem()
{
    if (testShip)
        testShip->deactivate(TAKEN_OUT);
    testShip = nullptr;
    if (testFireable)
        testFireable->deactivate(TAKEN_OUT);
    testFireable = nullptr;
}

void TestGround::removeTarget()
{
    if (targetShip)
        targetShip->deactivate(TAKEN_OUT);
    targetShip = nullptr;
}

void TestGround::forgetSpawned()
{
    testShip = nullptr;
    testFireable = nullptr;
    targetShip = nullptr;
}

void TestGround::forgetShip(const Targetable& gone)
{
    if (isShip(testShip, gone))
        testShip = nullptr;
    if (isShip(targetShip, gone))
        targetShip = nullptr;
}

void TestGround::forgetFireable(const FireableProjectile& released)
{
    if (testFireable == &released)
        testFireable = nullptr;
}

bool TestGround::reloadTypes(const std::string& category)
{
    // A ship reload returns everything in play to its pool first, command mode's list of ships
    // included, so that nothing keeps a ship it deletes; a projectile reload returns only the
    // projectiles, after everything that may hold one has let go of it.
    reloading = true;
    const struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{reloading};
    try {
        if (category == SHIP)
            ShipType::reloadAll();
        else if (category == FIREABLE)
            FireableProjectile::shutdown();
        return true;
    } catch (const std::exception&) {
        // A file saved half-way through an edit must not end the session: the reader has named
        // the file and key, the types and everything in play are as they were, and the next save
        // retries.
        GameLog::line("TestGround: the " + category + " types could not be read again; fix the file and save it again");
        return false;
    }
}

void TestGround::exportToPython()
{
    const auto caption = bp::return_value_policy<bp::copy_const_reference>();
    bp::class_<TestGround, boost::noncopyable>("TestGround", bp::no_init)
        .def("getSingleton", &TestGround::getSingleton, bp::return_value_policy<bp::reference_existing_object>())
        .staticmethod("getSingleton")
        .def("toggle", &TestGround::toggle)
        .def("loadTestScenario", &TestGround::loadTestScenario)
        .def("nextCategory", &TestGround::nextCategory)
        .def("nextItem", &TestGround::nextItem)
        .def("respawn", &TestGround::respawn)
        .def("testSpecial", &TestGround::testSpecial)
        .def("isShown", &TestGround::isShown)
        .def("getCategoryCaption", &TestGround::getCategoryCaption, caption)
        .def("getItemCaption", &TestGround::getItemCaption, caption)
        .def("getDataFile", &TestGround::getDataFile, caption);
}

} // namespace Tolvarine
