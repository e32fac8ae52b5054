#pragma once

#include <vector>

namespace Tolvarine {

// A function on [0, 1] given by evenly spaced samples and read by linear interpolation.
// Callers look a curve up once (ResponseCurves) and keep their own copy.
class ResponseCurve {
public:
    ResponseCurve() = default;
    explicit ResponseCurve(std::vector<float> samples);

    // With n samples, x is scaled by n (not n - 1): the last sample is reached at x = (n - 1) / n
    // and held beyond; x at or below 0, and NaN, give the first sample. An empty curve gives 0.
    float evaluate(float x) const;

    const std::vector<float>& getSamples() const { return samples; }

private:
    std::vector<float> samples;
};

} // namespace Tolvarine
