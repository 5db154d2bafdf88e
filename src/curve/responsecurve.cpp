// The response computation follows the pedal firmware's integer steps, so the drawn staircase
// matches what the pedal sends, truncations included.
#include "curve/responsecurve.h"

#include <algorithm>
#include <cmath>

namespace ResponseCurve {

namespace {

// The value the pedal sends for `s` units of travel in minI … maxI, where `limit` units cover the
// range. A range whose minimum is above its maximum holds no value between them: it stays at its
// maximum instead of dividing by an empty (or negative) span.
int stepValue(int s, int limit, int minI, int maxI)
{
    if (maxI == minI)
        return maxI;
    const int span = maxI - minI + 1;
    if (span <= 0)
        return maxI;
    const int q = std::max(1, limit / span);
    const int v = minI + s / q;
    return v > maxI ? maxI : std::max(v, minI);
}

double clampSevenBit(double value)
{
    return std::min(std::max(value, 0.0), static_cast<double>(kSevenBitTop));
}

// Positive curves rise fast and flatten, negative ones start slowly; both run 0 … 1.
double shape(double u, int curveInt)
{
    const double w = 1.0 - u;
    const double k = std::abs(curveInt);
    if (curveInt > 0) {
        const double e = 0.15 * k * w * w + (1.2 + 0.05 * k) - 0.04 * k * std::pow(u, 1.5);
        return 1.0 - std::pow(w, e);
    }
    const double e = 0.2 * k * u * u * w + (1.0 + 0.04 * k);
    return std::pow(u, e);
}

} // namespace

double gainFactor(double gain)
{
    return gain > 0 ? 1.0 + gain / 50.0 : 1.0 + gain / 100.0;
}

Result compute(const Input &input)
{
    Result r;
    const int n = std::max(2, input.pointCount);
    const double rawMax = input.max;
    double min = input.min;
    double max = input.max;
    if (input.fourteenBit) {
        min /= kFourteenBitFactor;
        max /= kFourteenBitFactor;
    }
    r.curveInt = static_cast<int>(input.cgain);
    r.gainFactor = gainFactor(input.gain);

    r.keys.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        r.keys[static_cast<size_t>(i)] = static_cast<double>(i) / (n - 1);

    r.saturationX = 1.0;
    if (max > min) {
        for (double x : r.keys) {
            if (((max - min) * x + min) * r.gainFactor >= max) {
                r.saturationX = x;
                break;
            }
        }
    }
    r.saturationPercent = static_cast<int>(r.saturationX * 100);

    // A 14-bit range handed over without the 14-bit flag is drawn on the 7-bit scale.
    if (max > kSevenBitTop)
        max /= kFourteenBitFactor;
    r.stepLimit = rawMax > kSevenBitTop ? kFourteenBitStepLimit : kSevenBitStepLimit;

    const int s = std::clamp(static_cast<int>(r.gainFactor * r.stepLimit), 0, r.stepLimit);
    const int maxI = static_cast<int>(max);
    const int minI = static_cast<int>(min);
    const int span = maxI - minI + 1;
    if (maxI != minI && span > 0)
        r.stepQuotient = std::max(1, r.stepLimit / span);
    const int top = stepValue(s, r.stepLimit, minI, maxI);
    const int bottom = maxI == minI ? maxI : minI;
    r.lowAdj = clampSevenBit(bottom);
    r.highAdj = clampSevenBit(top);

    r.values.resize(static_cast<size_t>(n));
    for (size_t i = 0; i < r.keys.size(); ++i) {
        const double x = r.keys[i];
        int si = static_cast<int>(static_cast<float>(x * kFullScale * r.gainFactor));
        if (si < 0)
            si = 0;
        else if (si > kFullScale)
            si = r.stepLimit;
        const int linear = stepValue(si, kFullScale, minI, maxI);
        double y;
        if (r.curveInt == 0) {
            // Not std::clamp: an inverted range must not be undefined behaviour.
            y = std::min(std::max(static_cast<double>(linear), min), max);
        } else if (x > r.saturationX) {
            y = r.highAdj;
        } else {
            const double u = x / r.saturationX; // 0/0 when the range is used up at once
            y = std::min(shape(u, r.curveInt) * (r.highAdj - r.lowAdj) + r.lowAdj, r.highAdj);
        }
        r.values[i] = y;
    }
    if (std::isnan(r.values.back()))
        r.values.back() = r.highAdj;
    if (std::isnan(r.values.front()))
        r.values.front() = r.lowAdj;

    r.min = min;
    r.max = max;
    const double labelFactor = input.fourteenBit ? kFourteenBitFactor : 1.0;
    r.minLabel = static_cast<int>(r.lowAdj * labelFactor);
    r.maxLabel = static_cast<int>(r.highAdj * labelFactor);
    r.curveLabel = r.curveInt;
    return r;
}

} // namespace ResponseCurve
