#include "ProfileBlock.h"

#include "Profiler.h"

namespace Tolvarine {

ProfileBlock::ProfileBlock(const std::string& name)
    : ProfileBlock(Profiler::getSingletonPtr(), name)
{
}

ProfileBlock::ProfileBlock(Profiler* blockProfiler, const std::string& name)
    : profiler(blockProfiler)
{
    if (profiler)
        profiler->beginProfile(name);
}

ProfileBlock::~ProfileBlock()
{
    if (profiler)
        profiler->endProfile();
}

} // namespace Tolvarine
