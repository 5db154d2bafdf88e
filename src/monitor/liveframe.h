// What a live frame from a pedal means on screen: the four cells of a monitor row, and which
// pedal picture the frame moves. Pure code, so every rule is tested without a window.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace Monitor {

// Frames waiting to be shown; beyond this the oldest is dropped so the display never lags
// the pedal by more than this many messages.
inline constexpr int kLiveQueueCapacity = 250;
// Frames shown between two event-processing passes of a drain.
inline constexpr int kDrainBatchSize = 25;
// Batches before the drain takes one extra event-processing pass.
inline constexpr int kDrainBatchesPerRound = 50;
// Longest the monitor views go unpainted while live frames stream in: one 60 Hz frame.
inline constexpr int kMonitorRepaintIntervalMs = 16;
// Rows each monitor table keeps; the oldest row goes first.
inline constexpr int kMaxMonitorRows = 1000;

// Text of a cell that carries no value.
inline const QString kNoValue = QStringLiteral("--");

struct MonitorRow
{
    QString event = kNoValue;
    QString no = kNoValue;
    QString value = kNoValue;
    QString channel = kNoValue;

    friend bool operator==(const MonitorRow &a, const MonitorRow &b)
    {
        return a.event == b.event && a.no == b.no && a.value == b.value && a.channel == b.channel;
    }
};

struct DecodedFrame
{
    bool empty = true;
    int messageNumber = 0; // high nibble of byte 0, the position in the message-number list
    int status = 0;
    bool realTime = false; // clock or transport: Tempo, Start, Continue, Stop
    // A complete Start, Continue or Stop frame, the only real-time frames that tap the switch.
    bool transportTap = false;
    MonitorRow row;
};

// Missing data bytes of a short frame read as 0.
DecodedFrame decodeLiveFrame(const QByteArray &frame, int noteNaming, bool showCCName);

// A cell read as a number: "--" and anything else that is not a decimal integer read as 0.
int cellNumber(const QString &text);

enum class Picture { None, Expression, HiHat, Switch };

// The selector positions that decide where a frame goes.
struct PageState
{
    int pedalType = 0;       // 0 Expression, 1 Switch, 2 Hi-Hat
    int messageIndex = 0;    // position in the message-number list
    bool filterOnly = false; // the current page's "Show only current message number"
    int expressionEvent = 0; // 0 CC, 1 NOTE, 2 Pitch Bend, 3 Channel Pressure
    bool triggerOff = true;  // the Expression trigger level shows "OFF"
    int triggerLevel = 0;    // its position, the level number
    int switchEvent = 0;     // 1 is Program Change
    int hatEvent = 0;        // 0 CC, 1 NOTE
};

struct LiveFrameOutcome
{
    bool listed = false;             // a row goes to the three tables
    Picture picture = Picture::None; // the picture the frame moves, if any
    QString pictureValue;            // the cell text handed to that picture
};

// The process-wide count of Note messages still to be listed without moving the Expression
// picture after a trigger-level match. It is shared by all pages and never reset otherwise.
int &triggerIgnoreCount();

// Applies the message-number filter, the routing by pedal type and the trigger-level rule.
// `ignoreCount` is read and written by the trigger-level rule only.
LiveFrameOutcome routeLiveFrame(const DecodedFrame &frame, const PageState &page, int &ignoreCount);

// Appends to a bounded FIFO; returns true when the oldest frame had to make room.
bool enqueueBounded(QList<QByteArray> &queue, const QByteArray &frame,
                    int capacity = kLiveQueueCapacity);

} // namespace Monitor
