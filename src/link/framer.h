// Cuts the pedal's unframed byte stream into live frames, F0 ... F7 replies and bootloader
// replies. Pure functions of the bytes and the listed model text, so they are tested and
// fuzzed without a port; SerialPort::readDataSlot runs them and emits what they find.
#pragma once

#include "protocol/messages.h"
#include "protocol/msgpackage.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace Framing {

// A read leaving fewer bytes than this in the buffer waits for the next one.
inline constexpr int kMinimumBuffer = 4;
inline constexpr int kLiveFrameLength = 4;
// An F0 whose F7 does not follow within a reply's length cannot start a valid reply, so at most
// this many bytes stay pending.
inline constexpr int kMaxPendingLength = Protocol::kMaxReplyLength - 1;

// A step the framer could not use; the link writes it to the diagnostic log.
struct InvalidStep
{
    enum Reason {
        InvalidStatus,    // the second byte is no live-frame status byte
        IncompletePacket, // fewer than 4 bytes left in a packet; they are dropped
    };
    Reason reason = InvalidStatus;
    QByteArray bytes; // the first two bytes of the step, or the dropped rest
};

// ---- live-frame pass ----

struct LivePass
{
    QVector<Protocol::MsgPackage> records; // kind PadelUploadCmd, in stream order
    QVector<InvalidStep> invalid;
};

// Cuts `buffer` from its start into 4-byte live frames, skipping bootloader lines
// (AA CC ... CR LF). Steps that end within the first `seen` bytes were cut by an earlier read
// and are left out. The buffer is not consumed.
LivePass splitFrames(const QByteArray &buffer, int seen = 0);

// ---- bootloader pass ----

struct BootloaderReplies
{
    bool hasVersion = false;
    QString version; // "V1.0.3"
    bool hasModel = false;
    QString model; // "TRV-40"
    bool eraseEnd = false;
};

BootloaderReplies recogniseBootloaderReplies(const QByteArray &buffer);

// ---- packet pass ----

struct PacketCut
{
    QVector<QByteArray> packets; // F0 ... F7, in stream order
    QByteArray remaining;    // empty, or a pending F0 without its F7 (at most kMaxPendingLength)
    int abandonedStarts = 0; // F0 bytes given up because no F7 followed within a reply's length
};

PacketCut cutPackets(const QByteArray &buffer);

struct PacketEvent
{
    enum Type {
        Record,
        ConnectedPedalBits, // `bits` is the raw status byte; the link masks it by model
        Zb8StatusBits,      // `bits` is the 24-bit status of a ZB-8
    };
    Type type = Record;
    Protocol::MsgPackage record;
    int bits = 0;

    friend bool operator==(const PacketEvent &a, const PacketEvent &b)
    {
        return a.type == b.type && a.record == b.record && a.bits == b.bits;
    }
};

struct PacketResult
{
    QVector<PacketEvent> events; // a status update precedes the records cut from its packet
    QVector<InvalidStep> invalid;
};

// True when the port selector's text names a ZB-8, ignoring case.
bool listsZb8(const QString &listedText);

// Cuts one F0 ... F7 packet into reply records and 4-byte steps.
PacketResult processPacket(const QByteArray &packet, const QString &listedText);

// ---- one read ----

struct ReadResult
{
    bool waiting = false; // fewer than kMinimumBuffer bytes: nothing was done
    LivePass live;
    BootloaderReplies bootloader;
    QByteArray shown; // what showdata carries: the whole buffer before the packet pass
    QVector<PacketEvent> packetEvents;
    QVector<InvalidStep> packetInvalid;
    int abandonedStarts = 0;
};

// Framing state across reads: the unconsumed bytes, and how many of them at the front the
// live-frame pass has already seen (a pending reply is not cut into frames a second time).
class Framer
{
public:
    // Appends one read and runs the passes in the link's order.
    ReadResult feed(const QByteArray &bytes, const QString &listedText);

    const QByteArray &buffer() const { return pending; }
    int liveScanned() const { return scanned; }
    void reset();

private:
    QByteArray pending;
    int scanned = 0;
};

} // namespace Framing
