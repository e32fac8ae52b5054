#pragma once

#include "ConfigurationError.h"
#include "FatalError.h"
#include "FillWatch.h"
#include "GameLog.h"
#include "PoolFactory.h"

#include <cstddef>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace Tolvarine {

// One pool per type name, for element types that come in many named types (one per data file).
// Scripts and data files name a type by its file stem, which addresses its configuration, its
// pool and its objects alike. Pools are made when the types load at start-up.
template <typename T>
class MultiPoolFactory {
public:
    using Pool = PoolFactory<T>;
    using Creator = typename Pool::Creator;

    // Makes and prefills the pool of a new type name, read from `file`. A name that is already
    // registered keeps its first pool, and nothing is built for the second registration (a plain
    // data file and its enciphered twin name the same type). A negative size is logged and taken
    // as 0. Any other size is filled; one that the machine's memory cannot hold (the pool's
    // watch, or a reservation that fails) is logged with two lines, "Multipool factory: pool size
    // <n> of <name> in <file> cannot be made: the machine's memory would run out" and the figures,
    // and refused with ConfigurationError, leaving nothing of the pool behind: the kernel would
    // otherwise end the game for want of memory without a word. Returns whether a pool was made.
    bool registerType(const std::string& name, Creator creator, int poolSize, const std::string& file);

    // The size registerType takes for a type: the negative size's line above, for loaders that
    // check a type before its pool is made (a reload registers no pool before every type is read).
    static int checkedPoolSize(const std::string& name, int poolSize);

    // An object of the named type, idle and not yet activated. An unknown name is a broken
    // invariant: it is logged, then FatalError is thrown, and no pool is touched.
    T* create(const std::string& name);
    // Whether create(name) would hand out an object. When it would not, the line create logs is
    // logged all the same: callers that check a name before they take anything (a script's fleet
    // is checked whole) leave the same line for a modder to search the log for.
    bool canCreate(const std::string& name) const;

    // The pool of a type name, or null: an object deactivating itself finds its pool here
    // through its type name and is simply not given back when there is none.
    Pool* getPool(const std::string& name) const;

    // Gives a live object back to the pool of its type name; an unknown name or an object that
    // is not live changes nothing.
    void release(T* object, const std::string& name);

    // Calls deactivate(object) once on every live object of every pool, in name order, so that
    // afterwards every object is idle (each deactivation releases its object).
    template <typename Deactivate>
    void releaseAll(Deactivate&& deactivate);

    // Deletes every pool and all its objects, and forgets every type name (for reloading the
    // types). Live objects are deleted too: deactivate them first with releaseAll.
    void clear();
    // Calls visit(object) on every object of every pool, live and idle: what clear would delete.
    template <typename Visit>
    void forEachObject(Visit&& visit) const;

    bool hasType(const std::string& name) const { return pools.count(name) != 0; }
    // The live objects of every type together.
    std::size_t getLiveCount() const;
    std::vector<std::string> getTypeNames() const;

private:
    // The one line of a name without a pool, for create and canCreate alike.
    static void logNoCreator(const std::string& name);

    std::map<std::string, std::shared_ptr<Pool>> pools;
};

template <typename T>
bool MultiPoolFactory<T>::registerType(const std::string& name, Creator creator, int poolSize, const std::string& file)
{
    if (hasType(name))
        return false;
    poolSize = checkedPoolSize(name, poolSize);
    std::string shortage;
    try {
        pools.emplace(name, std::make_shared<Pool>(std::move(creator), static_cast<unsigned>(poolSize)));
        return true;
    } catch (const FillWatch::Shortage& error) {
        shortage = error.what();
    } catch (const std::bad_alloc&) {
        shortage = "a reservation for them was refused";
    }
    GameLog::line("Multipool factory: pool size " + std::to_string(poolSize) + " of " + name + " in " + file
                  + " cannot be made: the machine's memory would run out");
    GameLog::line("Multipool factory: " + shortage);
    throw ConfigurationError();
}

template <typename T>
int MultiPoolFactory<T>::checkedPoolSize(const std::string& name, int poolSize)
{
    if (poolSize < 0) {
        GameLog::line(
            "Multipool factory: pool size " + std::to_string(poolSize) + " of " + name
            + " is negative, using 0");
        poolSize = 0;
    }
    return poolSize;
}

template <typename T>
T* MultiPoolFactory<T>::create(const std::string& name)
{
    Pool* pool = getPool(name);
    if (!pool) {
        logNoCreator(name);
        throw FatalError();
    }
    return pool->create();
}

template <typename T>
bool MultiPoolFactory<T>::canCreate(const std::string& name) const
{
    if (getPool(name))
        return true;
    logNoCreator(name);
    return false;
}

template <typename T>
void MultiPoolFactory<T>::logNoCreator(const std::string& name)
{
    GameLog::line("Multipool factory cannot create " + name + " as there is no creator registered");
}

template <typename T>
typename MultiPoolFactory<T>::Pool* MultiPoolFactory<T>::getPool(const std::string& name) const
{
    const auto found = pools.find(name);
    return found == pools.end() ? nullptr : found->second.get();
}

template <typename T>
void MultiPoolFactory<T>::release(T* object, const std::string& name)
{
    if (Pool* pool = getPool(name))
        pool->release(object);
}

template <typename T>
template <typename Deactivate>
void MultiPoolFactory<T>::releaseAll(Deactivate&& deactivate)
{
    for (auto& entry : pools)
        entry.second->deactivateLive(deactivate);
}

template <typename T>
void MultiPoolFactory<T>::clear()
{
    for (auto& entry : pools)
        entry.second->destroyAll();
    pools.clear();
}

template <typename T>
template <typename Visit>
void MultiPoolFactory<T>::forEachObject(Visit&& visit) const
{
    for (const auto& entry : pools)
        entry.second->forEachObject(visit);
}

template <typename T>
std::size_t MultiPoolFactory<T>::getLiveCount() const
{
    std::size_t live = 0;
    for (const auto& entry : pools)
        live += entry.second->getLiveCount();
    return live;
}

template <typename T>
std::vector<std::string> MultiPoolFactory<T>::getTypeNames() const
{
    std::vector<std::string> names;
    names.reserve(pools.size());
    for (const auto& entry : pools)
        names.push_back(entry.first);
    return names;
}

} // namespace Tolvarine
