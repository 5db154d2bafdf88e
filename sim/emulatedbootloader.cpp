#include "sim/emulatedbootloader.h"

#include "sim/bootloaderlines.h"
#include "sim/emulatedpedal.h"

#include <QDebug>
#include <QPointer>

namespace {
// Requests kept for tests; a bootloader only ever sees a handful.
constexpr int kRecordLimitRequests = 1000;
// Bootloader product ids sit in a range of their own beside the pedal's.
constexpr quint16 kBootloaderIdBase = 0xB000;
constexpr quint16 kBootloaderIdMask = 0x0FFF;
} // namespace

EmulatedBootloader::EmulatedBootloader(const QString &model, QObject *parent)
    : EmulatedBootloader(model, kDefaultVendorId, defaultProductId(model), parent)
{}

EmulatedBootloader::EmulatedBootloader(const QString &model, quint16 vendorId, quint16 productId,
                                       QObject *parent)
    : EmulatedPort(vendorId, productId, defaultProductName(model), parent), deviceModel(model)
{
    eraseTimer.setSingleShot(true);
    connect(&eraseTimer, &QTimer::timeout, this, &EmulatedBootloader::eraseTimerFired);
    plugIn();
}

quint16 EmulatedBootloader::defaultProductId(const QString &model)
{
    return kBootloaderIdBase | (EmulatedPedal::defaultProductId(model) & kBootloaderIdMask);
}

QString EmulatedBootloader::defaultProductName(const QString &model)
{
    return QStringLiteral("%1 Bootloader").arg(model);
}

void EmulatedBootloader::setFailure(Failure mode, qint64 imageByteCount)
{
    failureMode = mode;
    failureBytes = qMax<qint64>(0, imageByteCount);
    resumeReading(); // readLimit() stops it again when the new mode says so
}

void EmulatedBootloader::clearReceived()
{
    EmulatedPort::clearReceived();
    requestList.clear();
}

void EmulatedBootloader::terminalOpened()
{
    state = Listening;
    requestStream.clear();
}

void EmulatedBootloader::terminalClosing()
{
    eraseTimer.stop();
    requestStream.clear();
}

qint64 EmulatedBootloader::failureLimit() const
{
    if (failureMode == VanishAfterImageBytes || failureMode == StallAfterImageBytes)
        return failureBytes;
    return -1;
}

int EmulatedBootloader::readLimit() const
{
    if (state != Receiving)
        return kReadChunk;
    const qint64 limit = failureLimit();
    if (limit < 0)
        return kReadChunk;
    // Read no further than the failure point, so what lies behind it stays with the tool. A
    // device about to vanish still reads the byte that makes it vanish.
    const qint64 left = limit - imageBytes.size();
    const qint64 floor = failureMode == VanishAfterImageBytes ? 1 : 0;
    return int(qBound<qint64>(floor, left, kReadChunk));
}

void EmulatedBootloader::handleBytes(const QByteArray &bytes)
{
    switch (state) {
    case Listening: {
        const QPointer<EmulatedBootloader> alive(this);
        const QList<QByteArray> requests = requestStream.feed(bytes);
        for (const QByteArray &request : requests) {
            handleRequest(request);
            if (!alive || !isPlugged() || state != Listening)
                return; // what followed an erase request is lost in the erase
        }
        break;
    }
    case Erasing:
        break; // a flash being erased takes nothing
    case Receiving: {
        qint64 take = qMin<qint64>(bytes.size(), kMaxImageBytes - imageBytes.size());
        if (take < bytes.size())
            qWarning() << "EmulatedBootloader: image beyond" << kMaxImageBytes << "bytes dropped";
        const qint64 limit = failureLimit();
        if (limit >= 0)
            take = qBound<qint64>(0, limit - imageBytes.size(), take);
        imageBytes += bytes.left(int(take));
        if (take > 0)
            emit imageBytesReceived(imageBytes.size());
        if (failureMode == VanishAfterImageBytes && imageBytes.size() >= failureBytes)
            unplug();
        break;
    }
    }
}

void EmulatedBootloader::handleRequest(const QByteArray &request)
{
    requestList << request;
    if (requestList.size() > kRecordLimitRequests)
        requestList.removeFirst();
    const int code = Sim::bootloaderRequestCode(request);
    if (code == Protocol::EraseRequest)
        startErase();
    else if (const QByteArray answer = Sim::identityAnswer(code, deviceModel, version);
             !answer.isEmpty())
        sendRaw(answer);
}

void EmulatedBootloader::startErase()
{
    state = Erasing;
    requestStream.clear();
    imageBytes.clear();
    emit eraseRequested();
    switch (failureMode) {
    case EraseNeverEnds:
        return;
    case VanishDuringErase:
        eraseTimer.start(eraseDelayMs / 2);
        return;
    default:
        eraseTimer.start(eraseDelayMs);
        return;
    }
}

void EmulatedBootloader::eraseTimerFired()
{
    if (state != Erasing)
        return;
    if (failureMode == VanishDuringErase) {
        unplug();
        return;
    }
    state = Receiving;
    sendRaw(Sim::eraseEndLine());
    emit eraseFinished();
}
