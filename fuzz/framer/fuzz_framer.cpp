// libFuzzer entry over the receive framing. The test suite compiles this same file and runs it
// over the seed corpus and pseudo-random inputs, so the checks below hold in both.
//
// Input layout: byte 0 picks the listed model, byte 1 the read sizes, the rest is the stream.
#include "link/framer.h"

#include <algorithm>
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

struct Fed
{
    QVector<Framing::PacketEvent> packet;
    QVector<Protocol::MsgPackage> live;
};

// Feeds `stream` in reads ending at `cuts` (ascending), then the rest. A short live record that
// ends a read early is left out: the next read cuts that step again, whole.
Fed feedCut(const QByteArray &stream, const QString &listed, const QVector<int> &cuts)
{
    Framing::Framer framer;
    Fed fed;
    int pos = 0;
    for (int i = 0; i <= cuts.size(); ++i) {
        const int end = i < cuts.size() ? cuts.at(i) : int(stream.size());
        const Framing::ReadResult result = framer.feed(stream.mid(pos, end - pos), listed);
        checkAfterRead(framer, result);
        fed.packet += result.packetEvents;
        for (const Protocol::MsgPackage &record : result.live.records) {
            // Only a read's last step can be short.
            const bool cutShort =
                end < stream.size() && record.frame.size() < Framing::kLiveFrameLength;
            if (!cutShort)
                fed.live << record;
        }
        pos = end;
    }
    return fed;
}

quint32 nextState(quint32 state)
{
    return state * 1664525u + 1013904223u;
}

// Reads of pseudo-random sizes up to 1 + shape % 40 bytes.
QVector<int> randomCuts(int length, quint32 shape)
{
    const quint32 longest = 1 + shape % 40;
    quint32 state = shape * 2654435761u + 1;
    QVector<int> cuts;
    int pos = 0;
    while (true) {
        state = nextState(state);
        pos += int(1 + (state >> 16) % longest);
        if (pos >= length)
            return cuts;
        cuts << pos;
    }
}

// Cuts that fall inside a reply still waiting for its F7 at the start of `stream`, or none.
QVector<int> cutsInsidePendingReply(const QByteArray &stream, quint32 shape)
{
    if (stream.isEmpty() || quint8(stream.at(0)) != Protocol::kSysExStart)
        return {};
    const int end = stream.indexOf(char(Protocol::kSysExEnd), 1);
    const int pending = qMin(end < 0 ? int(stream.size()) : end, Framing::kMaxPendingLength);
    quint32 state = shape * 2246822519u + 7;
    QVector<int> cuts;
    for (quint32 i = 0; i < 1 + shape % 3 && pending > 1; ++i) {
        state = nextState(state);
        cuts << int(1 + (state >> 16) % quint32(pending));
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    return cuts;
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
    require(feedCut(stream, listed, randomCuts(stream.size(), data[1])).packet == all.packetEvents,
            "packet records differ between one read and several");

    // Live frames keep their 4-byte places from the start of the buffer: reads that end
    // inside a reply still waiting for its F7 cut the same frames as one read.
    const int reply = stream.indexOf(char(Protocol::kSysExStart));
    if (reply >= 0) {
        const QByteArray fromReply = stream.mid(reply);
        const QVector<int> cuts = cutsInsidePendingReply(fromReply, data[1]);
        require(feedCut(fromReply, listed, cuts).live == feedCut(fromReply, listed, {}).live,
                "live records differ when a pending reply is split across reads");
    }
    return 0;
}
