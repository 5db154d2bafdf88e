// Angle rules of the pedal pictures; see pedalangles.h.
#include "monitor/pedalangles.h"

#include <algorithm>

namespace Monitor {

ValueRange orderedRange(int first, int second)
{
    return {std::min(first, second), std::max(first, second)};
}

std::optional<float> expressionAngle(int value, ValueRange range)
{
    if (range.lower == range.upper)
        return std::nullopt;
    const float share =
        static_cast<float>(value - range.lower) / static_cast<float>(range.upper - range.lower);
    return std::clamp((1.0f - share) * kExpressionUpAngle, 0.0f, kExpressionUpAngle);
}

std::optional<float> hiHatAngle(int value, ValueRange range)
{
    if (range.lower == range.upper)
        return std::nullopt;
    if (value == 0)
        return kHiHatRestAngle;
    const float share =
        static_cast<float>(value - range.lower) / static_cast<float>(range.upper - range.lower);
    return kHiHatDownAngle * share;
}

float switchResetAngle(int value, std::optional<int> lo, int hi)
{
    if (!lo)
        return kSwitchDownAngle;
    if (value == *lo)
        return *lo > hi ? kSwitchDownAngle : 0.0f;
    if (value == hi)
        return *lo > hi ? 0.0f : kSwitchDownAngle;
    return kSwitchDownAngle * static_cast<float>(value - *lo) / static_cast<float>(hi - *lo);
}

} // namespace Monitor
