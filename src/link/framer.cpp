// The three passes over the receive buffer: live frames, bootloader replies, F0 ... F7 packets.
#include "link/framer.h"

#include <cstring>

namespace Framing {

namespace {

constexpr char kBootloaderLead0 = char(0xAA);
constexpr char kBootloaderLead1 = char(0xCC);
constexpr char kVersionSignature[] = "\xAA\xCC\x06\x56";
constexpr char kLineEnd[] = "\r\n";
constexpr char kEraseEnd[] = "ERASE END";

quint8 byteAt(const QByteArray &bytes, int index)
{
    return quint8(bytes.at(index));
}

bool isAsciiAlnum(QChar c)
{
    const ushort u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// First match of ([A-Za-z0-9]+-\d+) in `text`. Scanned by hand in one pass: the regular
// expression backtracks over every start inside a long alphanumeric run.
QString firstModelMatch(const QString &text)
{
    const int n = text.size();
    int i = 0;
    while (i < n) {
        if (!isAsciiAlnum(text.at(i))) {
            ++i;
            continue;
        }
        const int runStart = i;
        while (i < n && isAsciiAlnum(text.at(i)))
            ++i;
        if (i + 1 < n && text.at(i) == QLatin1Char('-') && isAsciiDigit(text.at(i + 1))) {
            int end = i + 1;
            while (end < n && isAsciiDigit(text.at(end)))
                ++end;
            return text.mid(runStart, end - runStart);
        }
    }
    return QString();
}

// Bytes from `from` on begin with F0 00 21 5E (the packet's last byte is always its F7).
bool framedFrom(const QByteArray &packet, int from)
{
    return packet.size() - from > Protocol::kHeaderLength &&
           memcmp(packet.constData() + from, Protocol::kHeader, Protocol::kHeaderLength) == 0 &&
           byteAt(packet, packet.size() - 1) == Protocol::kSysExEnd;
}

} // namespace

LivePass splitFrames(const QByteArray &buffer, int seen)
{
    LivePass pass;
    const int n = buffer.size();
    // Steps keep their places from the buffer's start whatever the earlier reads were.
    int pos = 0;
    pass.records.reserve(qMax(0, n - seen) / kLiveFrameLength + 1);
    while (pos < n) {
        if (n - pos >= 2 && buffer.at(pos) == kBootloaderLead0 &&
            buffer.at(pos + 1) == kBootloaderLead1) {
            const int lineEnd = buffer.indexOf(kLineEnd, pos);
            if (lineEnd < 0)
                break;
            pos = lineEnd + 2;
            continue;
        }
        // A lone last byte has no status byte: nothing to classify.
        const bool valid = n - pos >= 2 && Protocol::isLiveStatus(byteAt(buffer, pos + 1));
        const int take = qMin(kLiveFrameLength, n - pos);
        if (pos + take > seen) { // a step ending earlier was cut by an earlier read
            if (valid)
                pass.records.append({Protocol::PadelUploadCmd, buffer.mid(pos, take)});
            else
                pass.invalid.append(
                    {InvalidStep::InvalidStatus, buffer.mid(pos, qMin(2, n - pos))});
        }
        pos += take;
    }
    return pass;
}

BootloaderReplies recogniseBootloaderReplies(const QByteArray &buffer)
{
    BootloaderReplies replies;
    const int signature = buffer.indexOf(QByteArray::fromRawData(kVersionSignature, 4));
    if (signature >= 0) {
        // The version starts at the signature's own "V": an earlier 0x56 (the V of a model
        // name read in the same buffer, a data byte) is not part of the version line.
        const int start = signature + 3;
        const int lineEnd = buffer.indexOf(kLineEnd, start);
        if (lineEnd >= 0) {
            replies.hasVersion = true;
            replies.version = QString::fromUtf8(buffer.constData() + start, lineEnd - start);
        }
    } else {
        const QString model = firstModelMatch(QString::fromUtf8(buffer.constData(), buffer.size()));
        if (!model.isEmpty()) {
            replies.hasModel = true;
            replies.model = model;
        }
    }
    replies.eraseEnd = buffer.contains(kEraseEnd);
    return replies;
}

PacketCut cutPackets(const QByteArray &buffer)
{
    PacketCut cut;
    const int n = buffer.size();
    int pos = 0;
    int nextEnd =
        -2; // position of the next F7 after the current F0; -1: none left; -2: not searched
    while (true) {
        const int start = buffer.indexOf(char(Protocol::kSysExStart), pos);
        if (start < 0)
            return cut; // nothing pending: live frames and bootloader text are consumed
        if (nextEnd == -2 || (nextEnd >= 0 && nextEnd < start))
            nextEnd = buffer.indexOf(char(Protocol::kSysExEnd), start + 1);

        if (nextEnd >= 0 && nextEnd - start + 1 <= Protocol::kMaxReplyLength) {
            cut.packets.append(buffer.mid(start, nextEnd - start + 1));
            pos = nextEnd + 1;
            continue;
        }
        if (nextEnd < 0 && n - start < Protocol::kMaxReplyLength) {
            cut.remaining = buffer.mid(start); // may still become a reply
            return cut;
        }
        // No reply is longer than 24 bytes, so this F0 starts none; a later F0 might.
        ++cut.abandonedStarts;
        pos = start + 1;
    }
}

bool listsZb8(const QString &listedText)
{
    return listedText.contains(QLatin1String("ZB-8"), Qt::CaseInsensitive);
}

PacketResult processPacket(const QByteArray &packet, const QString &listedText)
{
    PacketResult result;
    if (listsZb8(listedText)) {
        if (const auto bits = Protocol::zb8StatusReplyBits(packet)) {
            result.events.append({PacketEvent::Zb8StatusBits, {}, *bits});
            return result;
        }
    }
    if (const auto bits = Protocol::statusReplyBits(packet))
        result.events.append({PacketEvent::ConnectedPedalBits, {}, *bits});

    const int n = packet.size();
    int pos = 0;
    while (pos < n) {
        const int left = n - pos;
        const bool framed = framedFrom(packet, pos);
        const quint8 code = left > 5 ? byteAt(packet, pos + 5) : 0;
        qint32 kind = -1;
        int take = 0;
        if (framed && (left == 6 || left == 7)) {
            kind = Protocol::HandshadeReplyCmd;
            take = left;
        } else if (framed && (left == 23 || left == 24) && code == 0x04) {
            kind = Protocol::CheckPadelReply;
            take = left;
        } else if (framed && (left == 8 || left == 9) && code == 0x03) {
            kind = Protocol::SetPadelReply;
            take = left;
        } else if (framed && (left == 7 || left == 8) && code == 0x05) {
            kind = Protocol::DeletePadelReply;
            take = left;
        } else if (left < kLiveFrameLength) {
            result.invalid.append({InvalidStep::IncompletePacket, packet.mid(pos)});
            break;
        } else {
            take = kLiveFrameLength;
            if (Protocol::isLiveStatus(byteAt(packet, pos + 1)))
                kind = Protocol::PadelUploadCmd;
            else
                result.invalid.append({InvalidStep::InvalidStatus, packet.mid(pos, 2)});
        }
        if (kind >= 0)
            result.events.append({PacketEvent::Record, {kind, packet.mid(pos, take)}, 0});
        pos += take;
    }
    return result;
}

ReadResult Framer::feed(const QByteArray &bytes, const QString &listedText)
{
    ReadResult result;
    pending.append(bytes);
    if (pending.size() < kMinimumBuffer) {
        result.waiting = true;
        return result;
    }
    result.live = splitFrames(pending, scanned);
    result.bootloader = recogniseBootloaderReplies(pending);
    result.shown = pending;

    PacketCut cut = cutPackets(pending);
    pending = cut.remaining;
    scanned = pending.size();
    result.abandonedStarts = cut.abandonedStarts;
    for (const QByteArray &packet : qAsConst(cut.packets)) {
        PacketResult one = processPacket(packet, listedText);
        result.packetEvents += one.events;
        result.packetInvalid += one.invalid;
    }
    return result;
}

void Framer::reset()
{
    pending.clear();
    scanned = 0;
}

} // namespace Framing
