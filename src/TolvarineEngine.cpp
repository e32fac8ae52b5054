#include "TolvarineEngine.h"

#include <cassert>
#include <utility>

namespace Tolvarine {

TolvarineEngine* TolvarineEngine::singleton = nullptr;

TolvarineEngine::TolvarineEngine()
{
    singleton = this;
}

TolvarineEngine::~TolvarineEngine()
{
    if (singleton == this)
        singleton = nullptr;
}

TolvarineEngine& TolvarineEngine::getSingleton()
{
    assert(singleton);
    return *singleton;
}

TolvarineEngine* TolvarineEngine::getSingletonPtr()
{
    return singleton;
}

void TolvarineEngine::addCallback(Callback callback)
{
    callbacks.push_back(std::move(callback));
}

} // namespace Tolvarine
