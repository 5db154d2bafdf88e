#include "sim/emulatedpedal.h"

#include <QDebug>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr char kPedalHeader[] = "\xF0\x00\x21\x5E";
constexpr int kPedalHeaderLength = 4;
constexpr char kEnd = '\xF7';
// First byte after the header in the replies this emulator builds.
constexpr char kHandshakeReplyTag = '\x01';
constexpr char kReplyTag = '\x10';
// Third byte of the bootloader's text lines.
constexpr char kModelLineCode = '\x05';
constexpr char kVersionLineCode = '\x06';
constexpr quint8 kDeviceInfoRequest = 0x01;
constexpr quint8 kVersionRequest = 0x03;
// The records keep the most recent traffic only, so a demo that streams for hours stays small.
constexpr int kRecordLimitBytes = 4 * 1024 * 1024;
constexpr int kRecordLimitRequests = 100000;

void appendBounded(QByteArray &record, const QByteArray &bytes)
{
    record += bytes;
    if (record.size() > kRecordLimitBytes)
        record.remove(0, record.size() - kRecordLimitBytes);
}
constexpr quint8 kTempoEvent = 8;

constexpr int kReadChunk = 4096;
// A host that does not read still gets this much queued; beyond it output is lost, as a
// device's transmit buffer would overflow.
constexpr int kMaxPendingOutput = 64 * 1024;
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

QByteArray bootloaderLine(char code, const QString &text)
{
    return QByteArray("\xAA\xCC", 2) + code + text.toUtf8() + "\r\n";
}

quint8 byteAt(const QByteArray &bytes, int i)
{
    return quint8(bytes.at(i));
}

bool makeRaw(int fd)
{
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B115200);
    ::cfsetospeed(&settings, B115200);
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
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
    : QObject(parent), deviceModel(model), pedals(pedalCount), usbVendorId(vendorId),
      usbProductId(productId), usbProductName(defaultProductName(model))
{
    connect(&streamTimer, &QTimer::timeout, this, &EmulatedPedal::streamTick);
    plugIn();
}

EmulatedPedal::~EmulatedPedal()
{
    closeTerminal();
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

bool EmulatedPedal::plugIn()
{
    if (isPlugged())
        return true;

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        qWarning() << "EmulatedPedal: no pseudo-terminal:" << ::strerror(errno);
        return false;
    }
    char name[128] = {};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        qWarning() << "EmulatedPedal: pseudo-terminal not usable:" << ::strerror(errno);
        ::close(master);
        return false;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0 || !makeRaw(slave) || !makeRaw(master) ||
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK) != 0) {
        qWarning() << "EmulatedPedal: cannot set up" << name << ::strerror(errno);
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        return false;
    }

    masterFd = master;
    slaveFd = slave;
    slavePath = QString::fromLocal8Bit(name);
    requestStream.clear();
    hostLastDrained.start();

    readNotifier = new QSocketNotifier(masterFd, QSocketNotifier::Read, this);
    connect(readNotifier, &QSocketNotifier::activated, this, &EmulatedPedal::readFromHost);
    writeNotifier = new QSocketNotifier(masterFd, QSocketNotifier::Write, this);
    writeNotifier->setEnabled(false);
    connect(writeNotifier, &QSocketNotifier::activated, this, &EmulatedPedal::flushPendingOutput);

    emit pluggedIn(slavePath);
    return true;
}

void EmulatedPedal::unplug()
{
    if (!isPlugged())
        return;
    const QString gone = slavePath;
    closeTerminal();
    emit unplugged(gone);
}

void EmulatedPedal::closeTerminal()
{
    stopStreaming();
    // Notifiers go before their descriptor is closed.
    delete readNotifier;
    readNotifier = nullptr;
    delete writeNotifier;
    writeNotifier = nullptr;
    if (slaveFd >= 0)
        ::close(slaveFd);
    if (masterFd >= 0)
        ::close(masterFd);
    slaveFd = -1;
    masterFd = -1;
    slavePath.clear();
    pendingOutput.clear();
    requestStream.clear();
}

void EmulatedPedal::clearReceived()
{
    receivedBytes.clear();
    requestList.clear();
}

QByteArray EmulatedPedal::storedSlot(int pedal, int message) const
{
    const auto found = storedSlots.constFind({pedal, message});
    if (found != storedSlots.constEnd())
        return *found;
    QByteArray empty(kSlotLength, '\0');
    empty[0] = char(pedal);
    empty[1] = char(message);
    return empty;
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

bool EmulatedPedal::sendRaw(const QByteArray &bytes)
{
    if (!isPlugged())
        return false;
    appendBounded(sentBytes, bytes);
    pendingOutput += bytes;
    if (pendingOutput.size() > kMaxPendingOutput) {
        qWarning() << "EmulatedPedal: host is not reading, dropping"
                   << pendingOutput.size() - kMaxPendingOutput << "bytes";
        pendingOutput.chop(pendingOutput.size() - kMaxPendingOutput);
    }
    flushPendingOutput();
    return true;
}

void EmulatedPedal::flushPendingOutput()
{
    while (!pendingOutput.isEmpty() && isPlugged()) {
        const ssize_t written = ::write(masterFd, pendingOutput.constData(), pendingOutput.size());
        if (written > 0) {
            pendingOutput.remove(0, int(written));
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            qWarning() << "EmulatedPedal: write failed:" << ::strerror(errno);
            pendingOutput.clear();
        }
        break;
    }
    if (writeNotifier)
        writeNotifier->setEnabled(!pendingOutput.isEmpty());
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
    int unread = 0;
    if (slaveFd < 0 || ::ioctl(slaveFd, FIONREAD, &unread) != 0)
        return;
    if (unread == 0) {
        hostLastDrained.restart();
    } else if (hostLastDrained.elapsed() > kStaleOutputMs) {
        ::tcflush(slaveFd, TCIFLUSH);
        hostLastDrained.restart();
    }
}

void EmulatedPedal::readFromHost()
{
    // Receivers of the signals below may unplug or even delete this pedal.
    const QPointer<EmulatedPedal> alive(this);
    char chunk[kReadChunk];
    while (alive && isPlugged()) {
        const ssize_t got = ::read(masterFd, chunk, sizeof chunk);
        if (got > 0) {
            const QByteArray bytes(chunk, int(got));
            appendBounded(receivedBytes, bytes);
            emit bytesReceived(bytes);
            if (!alive || !isPlugged())
                return;
            const QList<QByteArray> requests = requestStream.feed(bytes);
            for (const QByteArray &request : requests) {
                handleRequest(request);
                if (!alive || !isPlugged())
                    return;
            }
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // End of file or EIO: no slave is open. Cannot happen while ours is held; never spin.
        qWarning() << "EmulatedPedal: terminal hung up:" << ::strerror(errno);
        readNotifier->setEnabled(false);
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

quint8 EmulatedPedal::ruledSetResult(const QByteArray &message) const
{
    const int pedal = byteAt(message, 6);
    const int slot = byteAt(message, 7);
    const int type = byteAt(message, 8);
    if (pedal >= pedals || slot >= kMessageSlots)
        return WrongPedalNumber;
    if (type < 1 || type > 3)
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
    if (line.size() != 7 || line.at(2) != '\x02' || line.at(3) != '\x00')
        return;
    switch (byteAt(line, 4)) {
    case kDeviceInfoRequest:
        sendRaw(bootloaderLine(kModelLineCode, deviceModel));
        break;
    case kVersionRequest:
        sendRaw(bootloaderLine(kVersionLineCode, version));
        break;
    default:
        break; // erase, image and upgrade mode belong to the bootloader
    }
}
