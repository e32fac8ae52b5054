#include "ProfileBlock.h"

#include "Profiler.h"

#include <utility>

namespace Tolvarine {

ProfileBlock::ProfileBlock(std::string blockName)
    : ProfileBlock(Profiler::getSingletonPtr(), std::move(blockName))
{
}

ProfileBlock::ProfileBlock(Profiler* blockProfiler, std::string blockName)
    : profiler(blockProfiler)
    , name(std::move(blockName))
{
    if (profiler)
        profiler->beginProfile(name);
}

ProfileBlock::~ProfileBlock()
{
    if (profiler)
        profiler->endProfile(name);
}

} // namespace Tolvarine
