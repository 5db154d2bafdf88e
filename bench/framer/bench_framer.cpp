// Receive framing throughput against what a 115200-baud link can carry (11,520 bytes/s):
// a realistic mixed stream, and streams that keep an incomplete reply pending, whose cost
// per byte must not grow with the pending data.
#include "framingbytes.h"
#include "link/framer.h"

#include <benchmark/benchmark.h>

#include <QList>

namespace {

constexpr double kLinkBytesPerSecond = 115200.0 / 10.0; // 8N1: ten bits per byte
const QString kListed = QStringLiteral("Volarix TRV-40 MIDI");

using FramingBytes::hex;

const QByteArray kReadBack = FramingBytes::readBackReply();

// Expression sweeps and switch taps in reads of `burst` bytes, with now and then an
// acknowledgment, a status reply, a read-back and a bootloader line in reads of their own, as
// a connected pedal sends them (each reply is one USB packet).
QList<QByteArray> mixedReads(int burst, qint64 &total)
{
    QList<QByteArray> parts;
    QByteArray live;
    auto flushLive = [&] {
        for (int i = 0; i < live.size(); i += burst)
            parts << live.mid(i, burst);
        live.clear();
    };
    for (int i = 0; i < 2000; ++i) {
        live += hex("0BB007") + char(i % 128);
        if (i % 8 == 0)
            live += hex("09903C7F08803C00");
        if (i % 200 == 0) {
            flushLive();
            parts << hex("F000215E01030000F7") << hex("F000215E03F7");
        }
        if (i % 500 == 0) {
            flushLive();
            parts << hex("AACC08") + "TRV-40\r\n";
        }
        if (i % 700 == 0) {
            flushLive();
            parts << kReadBack;
        }
    }
    flushLive();
    total = 0;
    for (const QByteArray &part : qAsConst(parts))
        total += part.size();
    return parts;
}

QList<QByteArray> reads(const QByteArray &stream, int size)
{
    QList<QByteArray> parts;
    for (int i = 0; i < stream.size(); i += size)
        parts << stream.mid(i, size);
    return parts;
}

void feedAll(benchmark::State &state, const QList<QByteArray> &parts, qint64 streamBytes)
{
    qint64 records = 0;
    for (auto _ : state) {
        Framing::Framer framer;
        for (const QByteArray &part : parts) {
            const Framing::ReadResult r = framer.feed(part, kListed);
            records += r.live.records.size() + r.packetEvents.size();
        }
        benchmark::DoNotOptimize(framer.buffer().size());
    }
    const double bytes = double(streamBytes) * double(state.iterations());
    state.SetBytesProcessed(qint64(bytes));
    state.counters["x_115200_baud"] =
        benchmark::Counter(bytes / kLinkBytesPerSecond, benchmark::Counter::kIsRate);
    state.counters["records"] = double(records) / double(state.iterations());
}

// Range: the size of the reads of live frames in bytes.
void BM_MixedStream(benchmark::State &state)
{
    qint64 total = 0;
    const QList<QByteArray> parts = mixedReads(int(state.range(0)), total);
    feedAll(state, parts, total);
}
BENCHMARK(BM_MixedStream)->Arg(16)->Arg(64)->Arg(512);

// An F0 whose F7 never comes, followed by `range` bytes of live data, in 64-byte reads.
void BM_NeverEndingReply(benchmark::State &state)
{
    QByteArray stream = hex("F000215E1004");
    while (stream.size() < state.range(0))
        stream += hex("0BB00740");
    feedAll(state, reads(stream, 64), stream.size());
}
BENCHMARK(BM_NeverEndingReply)->Arg(1 << 8)->Arg(1 << 12)->Arg(1 << 16)->Arg(1 << 20);

// Read-back replies that each stay pending for `range` bytes until the next read brings the
// rest, with live frames after them.
void BM_PendingReadBack(benchmark::State &state)
{
    const int pending = int(state.range(0));
    QList<QByteArray> parts;
    qint64 total = 0;
    for (int i = 0; i < 500; ++i) {
        parts << kReadBack.left(pending);
        parts << kReadBack.mid(pending) + hex("0BB00740").repeated(12);
        total += parts.at(parts.size() - 2).size() + parts.last().size();
    }
    feedAll(state, parts, total);
}
BENCHMARK(BM_PendingReadBack)->Arg(4)->Arg(8)->Arg(16)->Arg(23);

} // namespace

int main(int argc, char **argv)
{
    benchmark::AddCustomContext("reference", "a 115200-baud link carries 11,520 bytes/s; goal: "
                                             "x_115200_baud >= 1000, flat across pending sizes");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
