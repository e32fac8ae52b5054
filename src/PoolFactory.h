#pragma once

#include "FillWatch.h"
#include "NormalExit.h"
#include "TolvarineEngine.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace Tolvarine {

// A pool of reusable objects of one type. Objects are made up front by the creator and never
// deleted during play: a user takes one with create(), activates it, and the object gives itself
// back with release() at the end of its own deactivation. The most recently released object is
// handed out first, and an empty pool grows by one object per request, so create() never fails
// for lack of objects.
//
// Every object the pool made is either idle (freeObjects) or live (liveObjects). The pool owns
// them all; they are deleted only by destroyAll(), which the pool registers with the engine.
template <typename T>
class PoolFactory {
public:
    using Creator = std::function<T*()>;

    PoolFactory(Creator creator, unsigned poolSize);
    // Deletes no object: the objects belong to destroyAll().
    ~PoolFactory();

    PoolFactory(const PoolFactory&) = delete;
    PoolFactory& operator=(const PoolFactory&) = delete;
    PoolFactory(PoolFactory&&) = delete;
    PoolFactory& operator=(PoolFactory&&) = delete;

    // Makes n new idle objects. A creator that throws leaves the objects made before it idle. A
    // long run is watched (FillWatch) every CHECK_EVERY objects: one that the machine's memory
    // would not hold throws FillWatch::Shortage before the memory runs out, as a reservation that
    // cannot be had throws std::bad_alloc, and one under way when the game is asked to end throws
    // NormalExit.
    void grow(unsigned n);
    static constexpr unsigned CHECK_EVERY = 1024;

    // Moves an idle object to live and returns it, growing by one when none is idle.
    // The caller activates the object.
    T* create();

    // Gives a live object back. An object that is not live (already released, or never
    // handed out by this pool) changes nothing, so no object can be idle twice.
    void release(T* object);

    // Takes an idle object back into use without handing it out through create(): for an
    // object that was released while its user still holds it (an object re-activated while
    // active deactivates itself first). Returns false, changing nothing, when the object is
    // not idle in this pool.
    bool reclaim(T* object);

    // Deletes every object of the pool, live and idle, through the element's virtual destructor.
    void destroyAll();

    // Calls deactivate(object) once on every live object. It walks a copy of the live set,
    // since each deactivation releases its object, and skips objects that an earlier call in
    // the same walk has already released.
    template <typename Deactivate>
    void deactivateLive(Deactivate&& deactivate);

    // Calls visit(object) on every object of the pool, live and idle.
    template <typename Visit>
    void forEachObject(Visit&& visit) const;

    bool isLive(const T* object) const { return liveObjects.count(const_cast<T*>(object)) != 0; }
    // A copy, so callers may walk it while objects are released.
    std::set<T*> getLiveObjects() const { return liveObjects; }
    std::size_t getLiveCount() const { return liveObjects.size(); }
    std::size_t getFreeCount() const { return freeObjects.size(); }

private:
    Creator creator;
    std::vector<T*> freeObjects;  // used as a stack: the back is handed out next
    std::set<T*> liveObjects;
    // The engine's callback reaches the pool through this handle, so a callback that outlives
    // its pool finds the handle expired and does nothing.
    std::shared_ptr<PoolFactory*> selfHandle;
};

template <typename T>
PoolFactory<T>::PoolFactory(Creator creatorIn, unsigned poolSize)
    : creator(std::move(creatorIn))
    , selfHandle(std::make_shared<PoolFactory*>(this))
{
    try {
        grow(poolSize);
    } catch (const NormalExit&) {
        // The program ends: what the fill made goes with the process. Deleted one by one, each
        // ship telling every holder of a target, 10,000 ships took longer than making them.
        throw;
    } catch (...) {
        // The pool never comes to exist, so nothing else could ever delete what it made.
        destroyAll();
        throw;
    }
    if (TolvarineEngine* engine = TolvarineEngine::getSingletonPtr()) {
        std::weak_ptr<PoolFactory*> handle = selfHandle;
        engine->addCallback([handle]() {
            if (std::shared_ptr<PoolFactory*> pool = handle.lock())
                (*pool)->destroyAll();
        });
    }
}

template <typename T>
PoolFactory<T>::~PoolFactory() = default;

template <typename T>
void PoolFactory<T>::grow(unsigned n)
{
    if (n == 0)
        return;
    // Reserved first, so that storing a newly made object can never fail and lose it.
    freeObjects.reserve(freeObjects.size() + n);
    // Only a run long enough to be watched reads the memory it starts from: a pool that runs dry
    // in play grows by one object at a time, within a frame.
    std::optional<FillWatch> watch;
    if (n > CHECK_EVERY)
        watch.emplace();
    for (unsigned i = 0; i < n; ++i) {
        if (watch && i > 0 && i % CHECK_EVERY == 0)
            watch->check(i, n);
        freeObjects.push_back(creator());
    }
}

template <typename T>
T* PoolFactory<T>::create()
{
    if (freeObjects.empty())
        grow(1);
    T* object = freeObjects.back();
    liveObjects.insert(object);  // before the pop: a failed insertion leaves the object idle
    freeObjects.pop_back();
    return object;
}

template <typename T>
void PoolFactory<T>::release(T* object)
{
    if (liveObjects.erase(object) == 1)
        freeObjects.push_back(object);
}

template <typename T>
bool PoolFactory<T>::reclaim(T* object)
{
    for (auto it = freeObjects.rbegin(); it != freeObjects.rend(); ++it) {
        if (*it == object) {
            liveObjects.insert(object);
            freeObjects.erase(std::next(it).base());
            return true;
        }
    }
    return false;
}

template <typename T>
void PoolFactory<T>::destroyAll()
{
    // Taken out of the members first, so an element whose destructor releases itself finds
    // nothing to change.
    std::set<T*> live;
    live.swap(liveObjects);
    std::vector<T*> idle;
    idle.swap(freeObjects);
    for (T* object : live)
        delete object;
    for (T* object : idle)
        delete object;
}

template <typename T>
template <typename Deactivate>
void PoolFactory<T>::deactivateLive(Deactivate&& deactivate)
{
    const std::set<T*> snapshot = liveObjects;
    for (T* object : snapshot) {
        if (liveObjects.count(object) != 0)
            deactivate(object);
    }
}

template <typename T>
template <typename Visit>
void PoolFactory<T>::forEachObject(Visit&& visit) const
{
    for (T* object : liveObjects)
        visit(object);
    for (T* object : freeObjects)
        visit(object);
}

} // namespace Tolvarine
