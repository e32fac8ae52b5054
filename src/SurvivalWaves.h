#pragma once

#include <functional>
#include <string>
#include <vector>

namespace Tolvarine {

// The bookkeeping of the survival mode: when the next wave is due, how large it is and which
// ship types make it up. A wave comes 180 s after the last one, or once 5 s have gone by (added up
// over the task's runs) without enemy ships; the first comes 3 s after the start. Each wave's
// budget grows with the player's strength and with the number of waves already sent.
class SurvivalWaves {
public:
    struct Row {
        std::string shipType;
        // The type's weight in the player's strength and its price in a wave's budget.
        unsigned cost;
    };
    // Draws a whole number evenly from 0 to count - 1.
    using Draw = std::function<unsigned(unsigned count)>;

    // The table of the game: one "trifighter" (the Trifighter's type name) at cost 1.
    static const std::vector<Row>& defaultTable();

    // One run of the update task, `elapsed` seconds of game time after the last: the 180 s timer
    // counts down and sends a wave when it falls below 0; then, when the enemy has no ships (asked
    // after that wave is sent), the cleared-wave timer counts down and sends one below 0. A wave
    // sent first has set both timers back, so the cleared-wave timer counts this run from 5 s.
    // `sendWave` must set them back (restartTimers) and may end the game, but not delete this.
    void update(float elapsed, const std::function<bool()>& enemyHasShips, const std::function<void()>& sendWave);
    // Sets the timers back for the wave being sent.
    void restartTimers();
    // The budget of the wave being sent, at least 1, for the player's strength; raises the wave
    // factor for the wave after.
    unsigned takeBudget(unsigned strength);

    // The player's strength: the cost of each ship type named, 0 for types not in the table.
    static unsigned strength(const std::vector<Row>& table, const std::vector<std::string>& shipTypes);
    // The ship types of a wave: rows drawn at random among those the remaining budget affords,
    // until the budget is spent or no row is affordable any more (so a table of dear rows or
    // rows of cost 0 cannot draw for ever).
    static std::vector<std::string> compose(const std::vector<Row>& table, unsigned budget, const Draw& draw);

    float getNextWaveTimer() const { return nextWaveTimer; }
    float getClearedWaveTimer() const { return clearedWaveTimer; }
    float getWaveFactor() const { return waveFactor; }

private:
    float nextWaveTimer = 3.0f;
    float clearedWaveTimer = 5.0f;
    float waveFactor = 3.0f;
};

} // namespace Tolvarine
