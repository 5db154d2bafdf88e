// libFuzzer entry over the receive framing. The test suite compiles this same file and runs it
// over the seed corpus and pseudo-random inputs, so the checks below hold in both.
//
// Input layout: byte 0 picks the listed model, byte 1 the read sizes, the rest is the stream.
#include "link/framer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const char *const kListedModels[] = {"",
                                     "Volarix ZB-8 MIDI",
                                     "Volarix TRV-40 MIDI",
                                     "Volarix TRV-50 MIDI",
                                     "volarix zb-8",
                                     "Volarix ZB-4"};

void require(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "framer invariant broken: %s\n", what);
        std::abort();
    }
}

bool lengthFits(const Protocol::MsgPackage &record)
{
    const int n = record.frame.size();
    switch (record.kind) {
    case Protocol::HandshadeReplyCmd:
        return (n == 6 || n == 7) && Protocol::isFramed(record.frame);
    case Protocol::SetPadelReply:
        return (n == 8 || n == 9) && Protocol::isFramed(record.frame);
    case Protocol::CheckPadelReply:
        return (n == 23 || n == 24) && Protocol::isFramed(record.frame);
    case Protocol::DeletePadelReply:
        return (n == 7 || n == 8) && Protocol::isFramed(record.frame);
    case Protocol::PadelUploadCmd:
        return n >= 2 && n <= Framing::kLiveFrameLength;
    default:
        return false;
    }
}

void checkAfterRead(const Framing::Framer &framer, const Framing::ReadResult &result)
{
    const QByteArray &kept = framer.buffer();
    require(kept.size() <= Framing::kMaxPendingLength, "kept buffer exceeds its bound");
    require(framer.liveScanned() >= 0 && framer.liveScanned() <= kept.size(),
            "live-scanned count outside the buffer");
    if (!result.waiting && !kept.isEmpty()) {
        require(quint8(kept.at(0)) == Protocol::kSysExStart, "kept bytes do not start with F0");
        require(!kept.contains(char(Protocol::kSysExEnd)), "kept bytes hold a complete packet");
    }
    for (const Protocol::MsgPackage &record : result.live.records)
        require(record.kind == Protocol::PadelUploadCmd && lengthFits(record), "bad live record");
    for (const Framing::PacketEvent &event : result.packetEvents) {
        if (event.type == Framing::PacketEvent::Record)
            require(lengthFits(event.record), "bad packet record");
        else
            require(event.bits >= 0 && event.bits < (1 << 24), "status bits out of range");
    }
}

QVector<Framing::PacketEvent> feedInReads(const QByteArray &stream, const QString &listed,
                                          quint32 shape)
{
    Framing::Framer framer;
    QVector<Framing::PacketEvent> events;
    const quint32 longest = 1 + shape % 40;
    quint32 state = shape * 2654435761u + 1;
    int pos = 0;
    while (pos < stream.size()) {
        state = state * 1664525u + 1013904223u;
        const int size = int(1 + (state >> 16) % longest);
        const Framing::ReadResult result = framer.feed(stream.mid(pos, size), listed);
        checkAfterRead(framer, result);
        events += result.packetEvents;
        pos += size;
    }
    return events;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QString listed = QString::fromLatin1(
        kListedModels[data[0] % (sizeof kListedModels / sizeof kListedModels[0])]);
    const QByteArray stream(reinterpret_cast<const char *>(data) + 2, int(size - 2));

    Framing::Framer whole;
    const Framing::ReadResult all = whole.feed(stream, listed);
    checkAfterRead(whole, all);

    // Replies and status updates depend on the stream, never on how the reads cut it.
    require(feedInReads(stream, listed, data[1]) == all.packetEvents,
            "packet records differ between one read and several");
    return 0;
}
