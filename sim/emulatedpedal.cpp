#include "sim/emulatedpedal.h"

#include "sim/bootloaderlines.h"

#include <QPointer>

namespace {
constexpr char kPedalHeader[] = "\xF0\x00\x21\x5E";
constexpr int kPedalHeaderLength = 4;
constexpr char kEnd = '\xF7';
// First byte after the header in the replies this emulator builds.
constexpr char kHandshakeReplyTag = '\x01';
constexpr char kReplyTag = '\x10';
constexpr int kRecordLimitRequests = 100000;
constexpr quint8 kTempoEvent = 8;
constexpr quint8 kEmptySelector = 0xFF;

// Streamed output the host has left unread this long is discarded before more is sent,
// so a port opened later does not start with a backlog of old pedal motion.
constexpr int kStaleOutputMs = 1000;

QByteArray pedalHeader()
{
    return QByteArray(kPedalHeader, kPedalHeaderLength);
}

QByteArray framed(const QByteArray &body)
{
    return pedalHeader() + body + kEnd;
}

quint8 byteAt(const QByteArray &bytes, int i)
{
    return quint8(bytes.at(i));
}

struct KnownModel
{
    const char *model;
    quint16 productId;
};
constexpr KnownModel kKnownModels[] = {
    {"TRV-40", 0x0040}, {"TRV-50", 0x0050}, {"TRV-60", 0x0060},
    {"ZB-4", 0x0104},   {"ZB-5", 0x0105},   {"ZB-8", 0x0108},
};
} // namespace

EmulatedPedal::EmulatedPedal(const QString &model, int pedalCount, QObject *parent)
    : EmulatedPedal(model, pedalCount, kDefaultVendorId, defaultProductId(model), parent)
{}

EmulatedPedal::EmulatedPedal(const QString &model, int pedalCount, quint16 vendorId,
                             quint16 productId, QObject *parent)
    : EmulatedPort(vendorId, productId, defaultProductName(model), parent), deviceModel(model),
      pedals(pedalCount)
{
    connect(&streamTimer, &QTimer::timeout, this, &EmulatedPedal::streamTick);
    plugIn();
}

quint16 EmulatedPedal::defaultProductId(const QString &model)
{
    for (const KnownModel &known : kKnownModels) {
        if (model == QLatin1String(known.model))
            return known.productId;
    }
    // Any other model still gets a stable id of its own.
    return quint16(0x8000 | (qHash(model) & 0x7FFF));
}

QString EmulatedPedal::defaultProductName(const QString &model)
{
    return QStringLiteral("Volarix %1 USB MIDI Pedal").arg(model);
}

void EmulatedPedal::terminalOpened()
{
    requestStream.clear();
    hostLastDrained.start();
}

void EmulatedPedal::terminalClosing()
{
    stopStreaming();
    requestStream.clear();
}

void EmulatedPedal::clearReceived()
{
    EmulatedPort::clearReceived();
    requestList.clear();
}

QByteArray EmulatedPedal::storedSlot(int pedal, int message) const
{
    const auto found = storedSlots.constFind({pedal, message});
    if (found != storedSlots.constEnd())
        return *found;
    return factorySlot(pedal, message);
}

QByteArray EmulatedPedal::factorySlot(int pedal, int message)
{
    // Bytes 6-22: pedal, message, Expression, channel 1, CC, controller 11, 0, min 0, max 127,
    // mode 0, gain 50, trigger 0, press 0, release 0, curve 50, saturation 100, 0.
    QByteArray slot = QByteArray::fromHex("0000 01 00 00 0B 00 00 7F 00 32 00 00 00 32 64 00");
    slot[0] = char(pedal);
    slot[1] = char(message);
    return slot;
}

bool EmulatedPedal::isSlotWritten(int pedal, int message) const
{
    return storedSlots.contains({pedal, message});
}

void EmulatedPedal::storeSlot(int pedal, int message, const QByteArray &bytes6to22)
{
    QByteArray slot = bytes6to22.left(kSlotLength);
    slot.append(kSlotLength - slot.size(), '\0');
    storedSlots.insert({pedal, message}, slot);
}

bool EmulatedPedal::sendStatus(quint8 connectedBits)
{
    return sendRaw(framed(QByteArray(1, char(connectedBits))));
}

bool EmulatedPedal::sendZb8Status(quint32 connectedBits)
{
    QByteArray body("\x04\x06", 2);
    body += char(connectedBits & 0xFF);
    body += char((connectedBits >> 8) & 0xFF);
    body += char((connectedBits >> 16) & 0xFF);
    return sendRaw(framed(body));
}

bool EmulatedPedal::sendFrames(const QList<QByteArray> &frames)
{
    QByteArray bytes;
    for (const QByteArray &frame : frames)
        bytes += frame;
    return sendRaw(bytes);
}

void EmulatedPedal::streamFrames(const QList<QByteArray> &frames, int intervalMs, bool repeat)
{
    streamQueue = frames;
    streamPosition = 0;
    streamRepeats = repeat;
    if (streamQueue.isEmpty() || !isPlugged()) {
        streamTimer.stop();
        return;
    }
    streamTimer.start(qMax(0, intervalMs));
}

void EmulatedPedal::stopStreaming()
{
    streamTimer.stop();
    streamQueue.clear();
    streamPosition = 0;
}

void EmulatedPedal::streamTick()
{
    if (streamPosition >= streamQueue.size()) {
        if (!streamRepeats || streamQueue.isEmpty()) {
            stopStreaming();
            return;
        }
        streamPosition = 0;
    }
    dropStaleOutput();
    sendRaw(streamQueue.at(streamPosition++));
    if (streamPosition >= streamQueue.size() && !streamRepeats)
        stopStreaming();
}

void EmulatedPedal::dropStaleOutput()
{
    // The event loop has run since the last tick, so a host with the port open has read.
    if (unreadByHost() == 0) {
        hostLastDrained.restart();
    } else if (hostLastDrained.elapsed() > kStaleOutputMs) {
        discardUnreadByHost();
        hostLastDrained.restart();
    }
}

void EmulatedPedal::handleBytes(const QByteArray &bytes)
{
    // Answers may unplug or even delete this pedal.
    const QPointer<EmulatedPedal> alive(this);
    const QList<QByteArray> requests = requestStream.feed(bytes);
    for (const QByteArray &request : requests) {
        handleRequest(request);
        if (!alive || !isPlugged())
            return;
    }
}

void EmulatedPedal::handleRequest(const QByteArray &request)
{
    requestList << request;
    if (requestList.size() > kRecordLimitRequests)
        requestList.removeFirst();
    if (!silent) {
        if (request.startsWith(char(0xF0)))
            handlePedalMessage(request);
        else
            handleBootloaderLine(request);
    }
    emit requestReceived(request);
}

void EmulatedPedal::handlePedalMessage(const QByteArray &message)
{
    if (message.size() < 7)
        return;
    const quint8 command = byteAt(message, 4);
    const quint8 sub = byteAt(message, 5);
    if (command == 0x01 && sub == 0x01 && message.size() == 7) {
        sendRaw(framed(QByteArray(1, kHandshakeReplyTag) + char(pedals)));
    } else if (command == 0x04 && sub == 0x04 && (message.size() == 9 || message.size() == 10)) {
        sendRaw(framed(QByteArray(1, kReplyTag) + '\x04' +
                       storedSlot(byteAt(message, 6), byteAt(message, 7))));
    } else if (command == 0x10 && sub == 0x03 && message.size() == 24) {
        configure(message);
    } else if (command == 0x03 && sub == 0x05 && message.size() == 8) {
        deleteSlots(byteAt(message, 6));
    }
}

bool EmulatedPedal::carriesValidEvent(const QByteArray &message)
{
    if (byteAt(message, 10) > kTempoEvent)
        return false;
    // An empty selector is sent as FF; no valid position of these fields is.
    for (int field : {9, 11, 12, 13, 14, 15, 16, 20}) {
        if (byteAt(message, field) == kEmptySelector)
            return false;
    }
    return true;
}

quint8 EmulatedPedal::ruledSetResult(const QByteArray &message) const
{
    const int pedal = byteAt(message, 6);
    const int slot = byteAt(message, 7);
    const int type = byteAt(message, 8);
    if (pedal >= pedals || slot >= kMessageSlots)
        return WrongPedalNumber;
    if (type < 1 || type > 3 || !carriesValidEvent(message))
        return WrongPedalType;
    if (byteAt(message, 10) == kTempoEvent) {
        for (int other = 0; other < kMessageSlots; ++other) {
            if (other != slot && isSlotWritten(pedal, other) &&
                quint8(storedSlot(pedal, other).at(4)) == kTempoEvent)
                return TempoLimit;
        }
    }
    return SetOk;
}

void EmulatedPedal::configure(const QByteArray &message)
{
    const quint8 ruled = ruledSetResult(message);
    const quint8 result = forcedSetResult.value_or(ruled);
    forcedSetResult.reset();
    if (ruled == SetOk && result == SetOk)
        storeSlot(byteAt(message, 6), byteAt(message, 7), message.mid(6, kSlotLength));
    sendRaw(framed(QByteArray(1, kReplyTag) + '\x03' + message.at(6) + char(result)));
}

void EmulatedPedal::deleteSlots(quint8 pedalIndex)
{
    if (pedalIndex == kFactoryResetIndex) {
        storedSlots.clear();
    } else {
        for (int slot = 0; slot < kMessageSlots; ++slot)
            storedSlots.remove({pedalIndex, slot});
    }
    sendRaw(framed(QByteArray(1, kReplyTag) + '\x05' + char(pedalIndex)));
}

void EmulatedPedal::handleBootloaderLine(const QByteArray &line)
{
    // Erase, image and upgrade mode belong to the bootloader.
    const QByteArray answer =
        Sim::identityAnswer(Sim::bootloaderRequestCode(line), deviceModel, version);
    if (!answer.isEmpty())
        sendRaw(answer);
}
