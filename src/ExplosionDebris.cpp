#include "ExplosionDebris.h"

namespace Tolvarine {

ExplosionDebris::~ExplosionDebris() = default;

MultiPoolFactory<ExplosionDebris>& ExplosionDebris::getPools()
{
    static MultiPoolFactory<ExplosionDebris> pools;
    return pools;
}

void ExplosionDebris::releaseAll()
{
    getPools().releaseAll([](ExplosionDebris* piece) { piece->deactivate(static_cast<DisableTime>(2)); });
}

} // namespace Tolvarine
