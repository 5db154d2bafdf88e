// The editor as the pedal sees it: selector positions in, the 24 configuration bytes out, and
// from a read-back reply back to the positions the selectors should show. Pure, no widgets.
#pragma once

#include "protocol/messages.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// Before the Expression curve editor exists its saturation point is that of a default curve.
constexpr int kDefaultSaturationPercent = 100;

// Pages of the three event stacks, in page order.
enum ExpressionPage {
    ExpressionCcPage,
    ExpressionNotePage,
    ExpressionPitchPage,
    ExpressionPressurePage,
    kExpressionPageCount
};
enum SwitchPage {
    SwitchCcPage,
    SwitchNotePage,
    SwitchProgramPage,
    SwitchStopPage,
    SwitchContinuePage,
    SwitchStartPage,
    SwitchTempoPage,
    kSwitchPageCount
};
enum HatPage { HatCcPage, HatNotePage, kHatPageCount };

// Positions of one Expression or Hi-Hat event page; -1 where a selector has no current entry.
struct RangePageState
{
    int channel = -1;
    int number = -1; // controller or note; none on Pitch Bend and Channel Pressure
    int min = -1;    // Channel Pressure: value 1
    int max = -1;    // Channel Pressure: value 2
    int gain = -1;
    int curve = -1;
};

struct SwitchPageState
{
    int channel = -1; // CC, NOTE and Program Change pages only
    int number = -1;  // controller (CC) or note (NOTE)
    int mode = -1;
    QString modeText;
    int min = -1;
    int max = -1;
};

// Everything a configuration message is made of, as the selectors show it.
struct EditorState
{
    int pedalIndex = -1;
    int messageIndex = -1;
    QString pedalNumberText;
    int pedalTypePage = -1; // page shown in the pedal-type stack
    QString pedalTypeText;  // text of the first pedal-type selector

    QString expressionEventText;
    int expressionPage = -1;
    std::array<RangePageState, kExpressionPageCount> expressionPages{};
    int expressionTriggerLevel = -1;
    int expressionPressNote = -1;
    int expressionReleaseNote = -1;
    bool expressionInverted = false;

    QString switchEventText;
    int switchPage = -1;
    std::array<SwitchPageState, kSwitchPageCount> switchPages{};
    QString tempoPageEventText; // the Tempo page's copy of the Switch event selector
    bool switchInverted = false;

    QString hatEventText;
    int hatPage = -1;
    std::array<RangePageState, kHatPageCount> hatPages{};
    int hatTriggerLevel = -1;
    int hatPressNote = -1;
    int hatReleaseNote = -1;
    bool hatInverted = false;

    int saturationPercent = kDefaultSaturationPercent;
};

// Bytes 6-22 of the configuration message for this state; `eventTypeCodes` maps event texts
// to their codes 0 ... 8.
Protocol::ConfigurationFields configurationFields(const EditorState &state,
                                                  const QMap<QString, int> &eventTypeCodes);
// The whole 24-byte message.
QByteArray buildConfiguration(const EditorState &state, const QMap<QString, int> &eventTypeCodes);

// ---- read-back ----

// The event text of a read-back code; none outside the list.
std::optional<QString> eventTextForCode(int code, const QStringList &eventTypeNames);

// Min and max positions a read-back puts on a page; an absent one is left as it is, and so is
// the invert box when `inverted` is absent.
struct RangeReadBack
{
    std::optional<int> min;
    std::optional<int> max;
    std::optional<bool> inverted;

    friend bool operator==(const RangeReadBack &a, const RangeReadBack &b)
    {
        return a.min == b.min && a.max == b.max && a.inverted == b.inverted;
    }
};

// `eventPosition` is the position of the Expression event selector after the reply's event
// was shown (0 CC, 1 NOTE, 2 Pitch Bend, 3 Channel Pressure).
RangeReadBack expressionRangeReadBack(const Protocol::ConfigurationFields &f, int eventPosition);
// Pitch Bend levels run to 16383 and carry their upper byte in byte 22.
int expressionTriggerLevelReadBack(const Protocol::ConfigurationFields &f, int eventPosition);
// `eventIndex` is the Switch event's list position plus one (1 CC, 2 Program Change, 3 NOTE).
RangeReadBack switchRangeReadBack(const Protocol::ConfigurationFields &f, int eventIndex);
RangeReadBack hatRangeReadBack(const Protocol::ConfigurationFields &f);

// A consistent read-back must pass the range checks that run as the selectors change: write
// the minimum first when it does not exceed the maximum shown now, else the maximum first.
enum class RangeWriteOrder { MinFirst, MaxFirst };
RangeWriteOrder rangeWriteOrder(int currentMax, int newMin);

// Which query Check sends: the device text of the port list decides the model.
enum class SlotQueryForm { Plain, Typed };
SlotQueryForm checkQueryForm(const QString &deviceText, int zb8StatusBits, int connectedPedalBits,
                             int pedalIndex);
QByteArray checkQuery(const QString &deviceText, int zb8StatusBits, int connectedPedalBits,
                      int pedalIndex, int messageIndex, int pedalTypePosition);

// ---- acknowledgments ----

constexpr char kMakerWebsite[] = "https://www.volarix.example";
constexpr char kLinkColour[] = "#FFA500";

// The fixed text of a set result; none for a result without one.
std::optional<QString> setResultText(int result);
// Shown, as rich text, for any other result.
QString latestReleaseText();
