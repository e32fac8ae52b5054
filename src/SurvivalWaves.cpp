#include "SurvivalWaves.h"

#include "CodeNames.h"

#include <algorithm>
#include <cmath>

namespace Tolvarine {

namespace {

constexpr float WAVE_INTERVAL = 180.0f;
constexpr float CLEARED_DELAY = 5.0f;

} // namespace

const std::vector<SurvivalWaves::Row>& SurvivalWaves::defaultTable()
{
    static const std::vector<Row> table{{CodeNames::WAVE_SHIP.name, 1}};
    return table;
}

void SurvivalWaves::update(float elapsed, const std::function<bool()>& enemyHasShips,
                           const std::function<void()>& sendWave)
{
    nextWaveTimer -= elapsed;
    if (nextWaveTimer < 0.0f)
        sendWave();
    if (!enemyHasShips()) {
        clearedWaveTimer -= elapsed;
        if (clearedWaveTimer < 0.0f)
            sendWave();
    }
}

void SurvivalWaves::restartTimers()
{
    nextWaveTimer = WAVE_INTERVAL;
    clearedWaveTimer = CLEARED_DELAY;
}

unsigned SurvivalWaves::takeBudget(unsigned playerStrength)
{
    const float budget = std::floor(std::max(1.0f, 0.2f * static_cast<float>(playerStrength) * waveFactor));
    waveFactor += 1.0f;
    return static_cast<unsigned>(budget);
}

unsigned SurvivalWaves::strength(const std::vector<Row>& table, const std::vector<std::string>& shipTypes)
{
    unsigned total = 0;
    for (const std::string& type : shipTypes) {
        const auto row = std::find_if(table.begin(), table.end(), [&type](const Row& r) { return r.shipType == type; });
        if (row != table.end())
            total += row->cost;
    }
    return total;
}

std::vector<std::string> SurvivalWaves::compose(const std::vector<Row>& table, unsigned budget, const Draw& draw)
{
    std::vector<std::string> wave;
    while (budget > 0) {
        std::vector<const Row*> affordable;
        for (const Row& row : table) {
            // A free row would never lower the budget.
            if (row.cost > 0 && row.cost <= budget)
                affordable.push_back(&row);
        }
        if (affordable.empty())
            break;
        const unsigned count = static_cast<unsigned>(affordable.size());
        const Row& row = *affordable[std::min(draw(count), count - 1)];
        budget -= row.cost;
        wave.push_back(row.shipType);
    }
    return wave;
}

} // namespace Tolvarine
