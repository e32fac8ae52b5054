#include "ResponseCurve.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace Tolvarine {

ResponseCurve::ResponseCurve(std::vector<float> samples)
    : samples(std::move(samples))
{
}

float ResponseCurve::evaluate(float x) const
{
    if (samples.empty())
        return 0.0f;
    // Callers feed ratios that can be 0 / 0; NaN would pass through the clamp and index anywhere.
    if (std::isnan(x))
        return samples.front();
    const float count = static_cast<float>(samples.size());
    const float pos = std::max(std::min(x * count, count - 1.0f), 0.0f);
    const std::size_t lo = static_cast<std::size_t>(std::floor(pos));
    const std::size_t hi = static_cast<std::size_t>(std::ceil(pos));
    return samples[lo] + (samples[hi] - samples[lo]) * (pos - static_cast<float>(lo));
}

} // namespace Tolvarine
