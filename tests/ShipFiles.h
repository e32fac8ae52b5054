#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace Tolvarine::Test {

// The text of a ".ship" file with every key the ship type and the thrust effects require.
// `changes` replaces the value of a key wherever it stands (each key appears once); a change to
// "" drops the key. `extra` (component sections and the like) is appended.
inline std::string shipText(const std::string& name,
                            const std::map<std::string, std::string>& changes = {},
                            const std::string& extra = "")
{
    using Keys = std::vector<std::pair<std::string, std::string>>;
    const std::vector<std::pair<std::string, Keys>> sections = {
        {"Ship", {{"name", name}, {"description", name + " fighter"}, {"explosionGroup", "SmallShipDeath"},
                  {"damageWireframeScale", "0.25"}, {"maintenanceRate", "2"}, {"role", "fighter"}}},
        {"Display", {}},
        {"Thrust", {{"maxForce", "100"}, {"maxTorque", "20"}, {"colour", "(1 0.5 0.25 1)"},
                    {"engineParticleSystem", "TestEngine"}, {"mainThrustSound", "main_thrust"},
                    {"auxiliaryThrustSound", "auxiliary_thrust"}, {"updatePeriod", "0.125"}, {"updateVariance", "0"},
                    {"thrustLightRange", "200"}, {"thrustLightAttenuationConstant", "1"},
                    {"thrustLightAttenuationLinear", "0.01"}, {"thrustLightAttenuationQuadratic", "0.001"},
                    {"glowMaterial", "BaseWhite"}, {"glowSize", "4"}, {"position_b", "(2 0 8)"},
                    {"position_a", "(-2 0 8)"}}},
        {"Physics", {}},
        {"Behaviour", {{"engagementRange", "1500"}, {"rotationCorrectionFactorBad", "1"},
                       {"rotationCorrectionFactorGood", "3"}, {"targetLeadFactorBad", "10"},
                       {"targetLeadFactorGood", "20"}, {"predictionAccuracyBad", "0.5"},
                       {"predictionAccuracyGood", "0.75"}, {"rangeBufferProportionBad", "7"},
                       {"rangeBufferProportionGood", "8"}, {"attackArrivalProportionBad", "0.125"},
                       {"attackArrivalProportionGood", "0.625"}, {"missileAvoidanceFactorBad", "4"},
                       {"missileAvoidanceFactorGood", "2"}, {"shockMovementThresholdBad", "100"},
                       {"shockMovementThresholdGood", "300"}, {"shockDodgeThresholdBad", "-1"},
                       {"shockDodgeThresholdGood", "1"}, {"shockAttackThresholdBad", "40"},
                       {"shockAttackThresholdGood", "41"}, {"shockHalflifeBad", "2"}, {"shockHalflifeGood", "4"}, {"targetUpdateVariance", "0.25"},
                       {"targetUpdatePeriod", "1"}, {"behaviourUpdateVariance", "0"}, {"behaviourUpdatePeriod", "0.125"},
                       {"avoidanceVariance", "0.125"}, {"avoidancePeriod", "0.5"}, {"missileAvoidanceVariance", "0"},
                       {"missileAvoidancePeriod", "0.25"}, {"missileDodgeRange", "400"}}},
        {"Factory", {{"poolSize", "3"}}},
    };
    std::string text;
    for (const auto& section : sections) {
        text += "[" + section.first + "]\n";
        for (const auto& key : section.second) {
            const auto change = changes.find(key.first);
            const std::string value = change == changes.end() ? key.second : change->second;
            if (!value.empty())
                text += key.first + " = " + value + "\n";
        }
    }
    // Keys the template does not have go into the sections named "Section.key".
    for (const auto& change : changes) {
        const std::size_t dot = change.first.find('.');
        if (dot != std::string::npos)
            text += "[" + change.first.substr(0, dot) + "]\n" + change.first.substr(dot + 1) + " = " +
                    change.second + "\n";
    }
    return text + extra;
}

// A component section.
inline std::string componentText(const std::string& section, float armour,
                                 const std::vector<std::string>& adjacent = {},
                                 const std::string& more = "")
{
    std::string text = "[" + section + "]\nmesh = " + section + ".mesh\narmor = " + std::to_string(armour) + "\n";
    for (std::size_t i = 0; i < adjacent.size(); ++i)
        text += "adjacent" + std::to_string(i) + " = " + adjacent[i] + "\n";
    return text + more;
}

} // namespace Tolvarine::Test
