// Decoding and routing of live frames; see liveframe.h.
#include "monitor/liveframe.h"

#include "editor/vocabulary.h"

namespace Monitor {

namespace {
constexpr int kClock = 0xF8;
constexpr int kStart = 0xFA;
constexpr int kContinue = 0xFB;
constexpr int kStop = 0xFC;
constexpr int kFullFrameLength = 4;

int byteAt(const QByteArray &frame, int index)
{
    return index < frame.size() ? static_cast<quint8>(frame.at(index)) : 0;
}

QString numberWithName(int number, const QString &name)
{
    return QStringLiteral("%1/%2").arg(number).arg(name);
}

bool isNoteEvent(const QString &event)
{
    // "Note On" and "Note Off"; case-sensitive on purpose.
    return event.contains(QLatin1String("Note"));
}
} // namespace

DecodedFrame decodeLiveFrame(const QByteArray &frame, int noteNaming, bool showCCName)
{
    DecodedFrame decoded;
    if (frame.isEmpty())
        return decoded;
    decoded.empty = false;
    decoded.messageNumber = byteAt(frame, 0) >> 4;
    decoded.status = byteAt(frame, 1);
    const int data1 = byteAt(frame, 2);
    const int data2 = byteAt(frame, 3);
    MonitorRow &row = decoded.row;

    const char *realTimeEvent = nullptr;
    switch (decoded.status) {
    case kClock:
        realTimeEvent = "Tempo";
        break;
    case kStart:
        realTimeEvent = "Start";
        break;
    case kContinue:
        realTimeEvent = "Continue";
        break;
    case kStop:
        realTimeEvent = "Stop";
        break;
    default:
        break;
    }
    if (realTimeEvent) {
        row.event = QString::fromLatin1(realTimeEvent);
        decoded.realTime = true;
        decoded.transportTap = decoded.status != kClock && frame.size() >= kFullFrameLength;
        return decoded;
    }

    row.channel = QString::number((decoded.status & 0x0F) + 1);
    switch (decoded.status & 0xF0) {
    case 0x80:
        row.event = QStringLiteral("Note Off");
        row.no = numberWithName(data1, noteName(data1, noteNaming));
        row.value = QString::number(data2);
        break;
    case 0x90:
        row.event = QStringLiteral("Note On");
        row.no = numberWithName(data1, noteName(data1, noteNaming));
        row.value = QString::number(data2);
        break;
    case 0xB0:
        row.event = QStringLiteral("CC");
        row.no = showCCName ? numberWithName(data1, controllerName(data1)) : QString::number(data1);
        row.value = QString::number(data2);
        break;
    case 0xC0:
        row.event = QStringLiteral("PC");
        row.no = QString::number(data1);
        break;
    case 0xD0:
        row.event = QStringLiteral("CH");
        row.value = QString::number(data1);
        break;
    case 0xE0:
        row.event = QStringLiteral("Pitch Bend");
        row.value = QString::number(data2 * 128 + data1);
        break;
    default:
        row.event = QStringLiteral("Unknown");
        break;
    }
    return decoded;
}

int cellNumber(const QString &text)
{
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    return ok ? number : 0;
}

int &triggerIgnoreCount()
{
    static int count = 0;
    return count;
}

namespace {
LiveFrameOutcome listedOnly()
{
    LiveFrameOutcome outcome;
    outcome.listed = true;
    return outcome;
}

LiveFrameOutcome listedMoving(Picture picture, const QString &value)
{
    LiveFrameOutcome outcome;
    outcome.listed = true;
    outcome.picture = picture;
    outcome.pictureValue = value;
    return outcome;
}

LiveFrameOutcome routeExpression(const DecodedFrame &frame, const PageState &page, int &ignoreCount)
{
    const bool selected = frame.messageNumber == page.messageIndex;
    LiveFrameOutcome normal =
        selected ? listedMoving(Picture::Expression, frame.row.value) : listedOnly();
    if (page.triggerOff)
        return normal;

    constexpr int kNoteEvent = 1;
    if (page.expressionEvent == kNoteEvent) {
        if (ignoreCount > 0) {
            --ignoreCount;
            return listedOnly();
        }
        if (cellNumber(frame.row.value) == page.triggerLevel) {
            // The trigger message moves the picture but is not listed; the next two are
            // listed without moving it.
            ignoreCount = 2;
            LiveFrameOutcome outcome = normal;
            outcome.listed = false;
            return outcome;
        }
        return normal;
    }
    if (isNoteEvent(frame.row.event))
        return listedOnly();
    return normal;
}
} // namespace

LiveFrameOutcome routeLiveFrame(const DecodedFrame &frame, const PageState &page, int &ignoreCount)
{
    if (frame.empty)
        return {};
    if (page.filterOnly && frame.messageNumber != page.messageIndex)
        return {};

    if (frame.realTime) {
        if (frame.transportTap && frame.messageNumber == page.messageIndex)
            return listedMoving(Picture::Switch, kNoValue);
        return listedOnly();
    }

    constexpr int kProgramChangeEvent = 1;
    constexpr int kHatCCEvent = 0;
    switch (page.pedalType) {
    case 1:
        return listedMoving(Picture::Switch, page.switchEvent == kProgramChangeEvent
                                                 ? frame.row.no
                                                 : frame.row.value);
    case 2:
        if (page.hatEvent == kHatCCEvent && isNoteEvent(frame.row.event))
            return listedOnly();
        if (frame.messageNumber == page.messageIndex)
            return listedMoving(Picture::HiHat, frame.row.value);
        return listedOnly();
    case 0:
        return routeExpression(frame, page, ignoreCount);
    default:
        return listedOnly();
    }
}

bool enqueueBounded(QList<QByteArray> &queue, const QByteArray &frame, int capacity)
{
    bool dropped = false;
    while (!queue.isEmpty() && queue.size() >= capacity) {
        queue.removeFirst();
        dropped = true;
    }
    queue.append(frame);
    return dropped;
}

} // namespace Monitor
