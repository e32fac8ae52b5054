#include "ResourceReport.h"

#include "FunctionTask.h"
#include "GameLog.h"
#include "MemoryRoom.h"
#include "ParticleSpray.h"
#include "PoolCensus.h"
#include "ShipExplosionEvent.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace Tolvarine {

const char* const ResourceReport::PERIOD_VARIABLE = "TOLVARINE_REPORT_PERIOD";

ResourceReport::ResourceReport(float period)
    : task(std::make_unique<FunctionTask>([this](float elapsed) { return write(elapsed); }, "ResourceReport",
                                          period))
{
    task->subscribe(true);
}

ResourceReport::~ResourceReport() = default;

std::unique_ptr<ResourceReport> ResourceReport::fromEnvironment()
{
    const char* text = std::getenv(PERIOD_VARIABLE);
    if (!text || !*text)
        return nullptr;
    char* end = nullptr;
    const float period = std::strtof(text, &end);
    if (*end != '\0' || !std::isfinite(period) || period <= 0.0f) {
        GameLog::line(std::string(PERIOD_VARIABLE) + " \"" + text
                      + "\" is not a positive number of seconds: no resource reports");
        return nullptr;
    }
    return std::make_unique<ResourceReport>(period);
}

bool ResourceReport::write(float elapsed)
{
    gameTime += elapsed;
    GameLog::line("Resources at " + std::to_string(std::lround(gameTime)) + " s: "
                  + std::to_string(MemoryRoom::residentKilobytes()) + " kB resident");
    PoolCensus::logLiveCounts();
    const ShipExplosionEvent::LeftOut& leftOut = ShipExplosionEvent::getLeftOut();
    GameLog::line("Left out by explosion sequences: " + std::to_string(leftOut.explosions) + " explosions, "
                  + std::to_string(leftOut.sprays) + " sprays");
    GameLog::line("Left out where memory would run out: " + std::to_string(ParticleSpray::getLeftOutForMemory())
                  + " sprays");
    return true;
}

} // namespace Tolvarine
