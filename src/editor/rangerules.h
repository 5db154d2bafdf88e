// Which Min and Max choices the editor refuses, the warning it shows and how it puts the value
// back. Pure: the window slots look the rule up and act on it.
#pragma once

#include <QString>

#include <optional>

namespace RangeRules {

enum class Bound { Min, Max };

constexpr int kInitialLastMax = 127;
constexpr int kInitialLastMin = 0;

struct Refusal
{
    QString title;
    QString text;
    bool silent = false; // the put-back does not pass through the slot again
};

// The rule of a validated selector, by object name; none for selectors never refused
// (the Pitch Bend Max and the Hi-Hat NOTE Max among them).
std::optional<Refusal> refusalFor(const QString &selectorName);

// A minimum above its maximum, or a maximum below its minimum. Equal values are a range.
bool isRefused(Bound bound, int value, int partnerValue);

// Switch trigger modes that send one value: "Single" and "LongPress" have no Max to check.
bool modeSkipsCheck(int modeIndex);

// What a refused selector shows afterwards.
int putBackValue(Bound bound, int lastAcceptedMax, int lastAcceptedMin);

} // namespace RangeRules
