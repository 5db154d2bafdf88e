// The pedal response the curve editor draws: the value sent against the pedal position, from a
// page's minimum, maximum, gain and curve. Pure arithmetic, so it is tested without a plot.
#pragma once

#include <vector>

namespace ResponseCurve {

constexpr int kPointCount = 500;
constexpr int kSevenBitTop = 127;
constexpr double kFourteenBitFactor = 129.0; // 14-bit value = 7-bit value × 129
constexpr int kFullScale = 4095;             // the pedal's 12-bit travel
constexpr int kSevenBitStepLimit = 4054;     // 7-bit ranges never reach full scale
constexpr int kFourteenBitStepLimit = 4095;

struct Input
{
    double min = 0;   // 7-bit units, or 14-bit units when fourteenBit is set
    double max = 127; // likewise
    double gain = 0;  // -50 … 50
    double cgain = 0; // curve, -50 … 50
    bool fourteenBit = false;
    int pointCount = kPointCount;
};

struct Result
{
    std::vector<double> keys;   // pedal position 0 … 1
    std::vector<double> values; // value sent, 7-bit units
    double min = 0;             // both in 7-bit units after the computation
    double max = 0;
    int curveInt = 0;
    double gainFactor = 1;
    double saturationX = 1; // first position where the range is used up; can be 0
    int saturationPercent = 100;
    int stepLimit = kSevenBitStepLimit;
    int stepQuotient = 0; // units of travel per value step at the top; 0 when flat
    double lowAdj = 0;    // where the curve starts and ends, 0 … 127
    double highAdj = 0;
    // What the MIN, MAX and Curve labels read.
    int minLabel = 0;
    int maxLabel = 0;
    int curveLabel = 0;
};

Result compute(const Input &input);

// The gain selector's -50 … 50 as a factor 0.5 … 2.0.
double gainFactor(double gain);

} // namespace ResponseCurve
