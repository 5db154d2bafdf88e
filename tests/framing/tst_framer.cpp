// The receive framing without a port: the live-frame, bootloader and packet passes over
// streams fed whole, split at every position, byte by byte and with garbage in between.
#include "framingbytes.h"
#include "link/framer.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

using namespace Framing;

namespace {

using FramingBytes::hex;
using FramingBytes::readBackReply;

QString describe(const Protocol::MsgPackage &record)
{
    return QStringLiteral("%1:%2").arg(record.kind).arg(QString::fromLatin1(record.frame.toHex()));
}

QString describe(const PacketEvent &event)
{
    switch (event.type) {
    case PacketEvent::ConnectedPedalBits:
        return QStringLiteral("bits:%1").arg(event.bits, 0, 16);
    case PacketEvent::Zb8StatusBits:
        return QStringLiteral("zb8:%1").arg(event.bits, 0, 16);
    case PacketEvent::Record:
        break;
    }
    return describe(event.record);
}

// What a sequence of reads produced, in the order the link emits it.
struct Transcript
{
    QStringList live;
    QStringList packet;
    QByteArray remaining;
};

Transcript run(const QList<QByteArray> &reads, const QString &listed)
{
    Framer framer;
    Transcript t;
    for (const QByteArray &read : reads) {
        const ReadResult r = framer.feed(read, listed);
        for (const auto &record : r.live.records)
            t.live << describe(record);
        for (const auto &event : r.packetEvents)
            t.packet << describe(event);
        if (framer.buffer().size() > kMaxPendingLength)
            qFatal("kept buffer of %d bytes", int(framer.buffer().size()));
    }
    t.remaining = framer.buffer();
    return t;
}

QList<QByteArray> chunks(const QByteArray &stream, int size)
{
    QList<QByteArray> parts;
    for (int i = 0; i < stream.size(); i += size)
        parts << stream.mid(i, size);
    return parts;
}

} // namespace

class TestFramer : public QObject
{
    Q_OBJECT

private slots:
    void reads_data();
    void reads();
    void everyShape_data();
    void everyShape();
    void pendingIsBounded();
    void liveFramesBehindPendingReplyOnce();
    void frameBehindSplitReply_data();
    void frameBehindSplitReply();
    void liveFramePass();
    void bootloaderReplies_data();
    void bootloaderReplies();
    void modelScanMatchesRegularExpression();
    void packetCuts_data();
    void packetCuts();
};

void TestFramer::reads_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QStringList>("live");
    QTest::addColumn<QStringList>("packet");
    QTest::addColumn<QByteArray>("remaining");

    const QString other = QStringLiteral("Volarix TRV-50 MIDI");
    const QString zb8 = QStringLiteral("Volarix zb-8 MIDI");

    QTest::newRow("short read waits for more")
        << QList<QByteArray>{hex("09903C"), hex("7F0B")} << other << QStringList{"4:09903c7f"}
        << QStringList{} << QByteArray();
    QTest::newRow("short read alone stays") << QList<QByteArray>{hex("09903C")} << other
                                            << QStringList{} << QStringList{} << hex("09903C");
    QTest::newRow("two glued frames")
        << QList<QByteArray>{hex("09903C7F0B80407F")} << other
        << QStringList{"4:09903c7f", "4:0b80407f"} << QStringList{} << QByteArray();
    QTest::newRow("frame split across reads: halves classified on their own")
        << QList<QByteArray>{hex("09903C7F0BB0"), hex("0740")} << other
        << QStringList{"4:09903c7f", "4:0bb0"} << QStringList{} << hex("0740");
    QTest::newRow("clock and transport frames")
        << QList<QByteArray>{hex("0FF800000FFA00000FFB00000FFC0000")} << other
        << QStringList{"4:0ff80000", "4:0ffa0000", "4:0ffb0000", "4:0ffc0000"} << QStringList{}
        << QByteArray();
    QTest::newRow("invalid status skips four bytes")
        << QList<QByteArray>{hex("0930000009C005")} << other << QStringList{"4:09c005"}
        << QStringList{} << QByteArray();
    QTest::newRow("bytes before F0 dropped")
        << QList<QByteArray>{hex("0102030405F000215E0103F7")} << other << QStringList{}
        << QStringList{"0:f000215e0103f7"} << QByteArray();
    const QByteArray readBack = readBackReply();
    QTest::newRow("read-back completed by a later read")
        << QList<QByteArray>{readBack.left(10), readBack.mid(10)} << other << QStringList{}
        << QStringList{"2:" + QString::fromLatin1(readBack.toHex())} << QByteArray();
    QTest::newRow("read-back in three reads")
        << QList<QByteArray>{readBack.left(6), readBack.mid(6, 10), readBack.mid(16)} << other
        << QStringList{} << QStringList{"2:" + QString::fromLatin1(readBack.toHex())}
        << QByteArray();
    QTest::newRow("zb-8 status used while a ZB-8 is listed")
        << QList<QByteArray>{hex("F000215E0406050100F7")} << zb8 << QStringList{}
        << QStringList{"zb8:105"} << QByteArray();
    QTest::newRow("zb-8 status ignored for another model")
        << QList<QByteArray>{hex("F000215E0406050100F7")} << other << QStringList{} << QStringList{}
        << QByteArray();
    QTest::newRow("six-byte status sets bits and is cut into a record")
        << QList<QByteArray>{hex("F000215E0FF7")} << other << QStringList{}
        << QStringList{"bits:f", "0:f000215e0ff7"} << QByteArray();
    QTest::newRow("six-byte status while a ZB-8 is listed")
        << QList<QByteArray>{hex("F000215E03F7")} << zb8 << QStringList{}
        << QStringList{"bits:3", "0:f000215e03f7"} << QByteArray();
    QTest::newRow("set acknowledgments of 9 and 8 bytes")
        << QList<QByteArray>{hex("F000215E01030002F7F000215E010300F7")} << other << QStringList{}
        << QStringList{"1:f000215e01030002f7", "1:f000215e010300f7"} << QByteArray();
    QTest::newRow("delete acknowledgment")
        << QList<QByteArray>{hex("F000215E010502F7")} << other << QStringList{}
        << QStringList{"3:f000215e010502f7"} << QByteArray();
    QTest::newRow("packet of another kind cut in 4-byte steps")
        << QList<QByteArray>{hex("F000215E09903C7FF7")} << other << QStringList{"4:09903c7f"}
        << QStringList{"4:09903c7f"} << QByteArray();
    QTest::newRow("bootloader line among live frames")
        << QList<QByteArray>{hex("09903C7F") + hex("AACC08") + "TRV-40\r\n" + hex("0B80407F")}
        << other << QStringList{"4:09903c7f", "4:0b80407f"} << QStringList{} << QByteArray();
    QTest::newRow("live frames then a pending reply")
        << QList<QByteArray>{hex("09903C7FF000215E01")} << other << QStringList{"4:09903c7f"}
        << QStringList{} << hex("F000215E01");
}

void TestFramer::reads()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QString, listed);
    QFETCH(QStringList, live);
    QFETCH(QStringList, packet);
    QFETCH(QByteArray, remaining);

    const Transcript t = run(reads, listed);
    QCOMPARE(t.live, live);
    QCOMPARE(t.packet, packet);
    QCOMPARE(t.remaining.toHex(' '), remaining.toHex(' '));
}

void TestFramer::everyShape_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QStringList>("packet");

    const QByteArray handshake = hex("F000215E0106F7");
    const QByteArray status = hex("F000215E0BF7");
    const QByteArray setAck = hex("F000215E01030001F7");
    const QByteArray zb8Status = hex("F000215E0406FF0001F7");
    const QByteArray readBack = readBackReply();
    const QByteArray live = hex("09903C7F0BB00740");
    const QByteArray garbage = hex("01020304057F");

    QTest::newRow("replies glued") << handshake + setAck + readBack << "TRV-40"
                                   << QStringList{"0:" + QString::fromLatin1(handshake.toHex()),
                                                  "1:" + QString::fromLatin1(setAck.toHex()),
                                                  "2:" + QString::fromLatin1(readBack.toHex())};
    QTest::newRow("replies with garbage between")
        << garbage + handshake + garbage + readBack + garbage << "TRV-40"
        << QStringList{"0:" + QString::fromLatin1(handshake.toHex()),
                       "2:" + QString::fromLatin1(readBack.toHex())};
    QTest::newRow("replies among live frames")
        << live + status + live + setAck + live << "TRV-40"
        << QStringList{"bits:b", "0:" + QString::fromLatin1(status.toHex()),
                       "1:" + QString::fromLatin1(setAck.toHex())};
    QTest::newRow("zb-8 status among garbage")
        << garbage + zb8Status + garbage + handshake << "ZB-8"
        << QStringList{"zb8:100ff", "0:" + QString::fromLatin1(handshake.toHex())};
    // Regression: an F0 that lost its F7 used to swallow the next reply into one long packet
    // (and, split across reads, to keep everything behind it for ever).
    QTest::newRow("truncated reply before a complete one")
        << readBack.left(12) + live + live + live + handshake << "TRV-40"
        << QStringList{"0:" + QString::fromLatin1(handshake.toHex())};
    QTest::newRow("F0 runs without F7 before a reply")
        << QByteArray(40, char(0xF0)) + garbage + readBack << "TRV-40"
        << QStringList{"2:" + QString::fromLatin1(readBack.toHex())};
}

void TestFramer::everyShape()
{
    QFETCH(QByteArray, stream);
    QFETCH(QString, listed);
    QFETCH(QStringList, packet);

    // The packet records depend on the stream only, never on how the reads cut it.
    QCOMPARE(run({stream}, listed).packet, packet);
    for (int size : {1, 2, 3, 5, 7, 23, 24, 25})
        QVERIFY2(run(chunks(stream, size), listed).packet == packet,
                 qPrintable(QStringLiteral("reads of %1 bytes").arg(size)));
    for (int at = 1; at < stream.size(); ++at)
        QVERIFY2(run({stream.left(at), stream.mid(at)}, listed).packet == packet,
                 qPrintable(QStringLiteral("split at %1").arg(at)));
}

void TestFramer::pendingIsBounded()
{
    // 23 bytes from an F0 may still end in the read-back's F7: they stay.
    const QByteArray readBack = readBackReply();
    Framer framer;
    framer.feed(readBack.left(23), "TRV-40");
    QCOMPARE(framer.buffer().size(), kMaxPendingLength);
    const ReadResult done = framer.feed(readBack.mid(23), "TRV-40");
    QCOMPARE(done.packetEvents.size(), 1);
    QCOMPARE(done.packetEvents.first().record.kind, qint32(Protocol::CheckPadelReply));
    QVERIFY(framer.buffer().isEmpty());

    // A 24th byte that is no F7: that F0 starts no reply and is given up.
    framer.reset();
    framer.feed(readBack.left(23), "TRV-40");
    const ReadResult dropped = framer.feed(hex("00"), "TRV-40");
    QCOMPARE(dropped.abandonedStarts, 1);
    QVERIFY(framer.buffer().isEmpty());

    // Regression: a stream that never sends F7 kept every byte, read after read.
    framer.reset();
    QByteArray endless = hex("F000215E1004");
    for (int i = 0; i < 200; ++i) {
        framer.feed(endless, "TRV-40");
        QVERIFY(framer.buffer().size() <= kMaxPendingLength);
        endless = QByteArray(7, char(i % 2 ? 0xF0 : 0x11));
    }
}

void TestFramer::liveFramesBehindPendingReplyOnce()
{
    // Regression: frames that arrived behind a reply still waiting for its F7 were cut again
    // on every later read.
    Framer framer;
    const ReadResult first = framer.feed(hex("F000215E10040102"), "TRV-40");
    QVERIFY(first.live.records.isEmpty());
    const ReadResult second = framer.feed(hex("09903C7F"), "TRV-40");
    QCOMPARE(second.live.records.size(), 1);
    QCOMPARE(describe(second.live.records.first()), QStringLiteral("4:09903c7f"));
    QCOMPARE(framer.liveScanned(), framer.buffer().size());
    const ReadResult third = framer.feed(hex("0B80407F"), "TRV-40");
    QCOMPARE(third.live.records.size(), 1);
    QCOMPARE(describe(third.live.records.first()), QStringLiteral("4:0b80407f"));
    // The bootloader pass and showdata still see the whole buffer.
    QCOMPARE(third.shown, hex("F000215E1004010209903C7F0B80407F"));
}

void TestFramer::frameBehindSplitReply_data()
{
    QTest::addColumn<int>("split");
    // Regression: the frame behind a read-back reply that came in two reads was lost when the
    // first read ended off the 4-byte grid (5, 6, 10, 13): the live steps of the second read
    // started where the first had ended instead of at the buffer's start.
    for (int split : {4, 5, 6, 8, 10, 12, 13, 20})
        QTest::addRow("reply split after %d bytes", split) << split;
}

void TestFramer::frameBehindSplitReply()
{
    QFETCH(int, split);
    const QByteArray readBack = readBackReply();
    const QByteArray stream = readBack + hex("09903C7F");
    const Transcript t = run({stream.left(split), stream.mid(split)}, "TRV-40");
    QCOMPARE(t.live, QStringList{"4:09903c7f"});
    QCOMPARE(t.packet, QStringList{"2:" + QString::fromLatin1(readBack.toHex())});
    QVERIFY(t.remaining.isEmpty());
    // The same as one read.
    QCOMPARE(t.live, run({stream}, "TRV-40").live);
}

void TestFramer::liveFramePass()
{
    // An unfinished bootloader line ends the pass; what follows it is left for the packet pass.
    const LivePass open = splitFrames(hex("09903C7FAACC0656312E30") + hex("0B80407F"));
    QCOMPARE(open.records.size(), 1);

    // A lone last byte has no status byte and yields nothing.
    const LivePass tail = splitFrames(hex("09903C7F09"));
    QCOMPARE(tail.records.size(), 1);
    QCOMPARE(tail.invalid.size(), 1);

    // Invalid steps report their first two bytes for the log.
    const LivePass bad = splitFrames(hex("0A7F0000"));
    QVERIFY(bad.records.isEmpty());
    QCOMPARE(bad.invalid.size(), 1);
    QCOMPARE(bad.invalid.first().bytes, hex("0A7F"));

    // Steps ending within the bytes already seen are left out; the grid stays at the start.
    const LivePass from = splitFrames(hex("F000215E0B80407F"), 4);
    QCOMPARE(from.records.size(), 1);
    QCOMPARE(from.records.first().frame, hex("0B80407F"));
    const LivePass offGrid = splitFrames(hex("F000215E0B80407F09903C7F"), 6);
    QCOMPARE(offGrid.records.size(), 2);
    QCOMPARE(offGrid.records.first().frame, hex("0B80407F"));
    QVERIFY(offGrid.invalid.isEmpty());
    QVERIFY(splitFrames(hex("0B80407F"), 99).records.isEmpty());
}

void TestFramer::bootloaderReplies_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("eraseEnd");

    const QByteArray versionLine = hex("AACC06") + "V1.0.3\r\n";
    const QByteArray modelLine = hex("AACC08") + "TRV-40\r\n";
    QTest::newRow("version reply") << versionLine << "V1.0.3" << QString() << false;
    QTest::newRow("version without line end delivers nothing")
        << hex("AACC06") + "V1.0" << QString() << QString() << false;
    QTest::newRow("model reply") << modelLine << QString() << "TRV-40" << false;
    QTest::newRow("model with letters and digits") << hex("AACC07") + "ZB8x-512\r\n"
                                                   << QString() << "ZB8x-512" << false;
    QTest::newRow("version and model text yield only the version")
        << versionLine + modelLine << "V1.0.3" << QString() << false;
    // Regression: starting at the buffer's first 0x56 would take the V of "TRV" instead.
    QTest::newRow("version taken from its own line after a model line")
        << modelLine + versionLine << "V1.0.3" << QString() << false;
    QTest::newRow("erase end") << hex("AACC09") + "ERASE END\r\n" << QString() << QString() << true;
    QTest::newRow("no model in plain text")
        << QByteArray("ERASE-\r\n") << QString() << QString() << false;
    QTest::newRow("model behind a NUL byte")
        << hex("F000215E00") + "ZB-8" << QString() << "ZB-8" << false;
}

void TestFramer::bootloaderReplies()
{
    QFETCH(QByteArray, buffer);
    QFETCH(QString, version);
    QFETCH(QString, model);
    QFETCH(bool, eraseEnd);

    const BootloaderReplies r = recogniseBootloaderReplies(buffer);
    QCOMPARE(r.hasVersion, !version.isNull());
    QCOMPARE(r.version, version);
    QCOMPARE(r.hasModel, !model.isNull());
    QCOMPARE(r.model, model);
    QCOMPARE(r.eraseEnd, eraseEnd);
}

void TestFramer::modelScanMatchesRegularExpression()
{
    // The hand-written scan must find what the documented expression finds, on any bytes.
    const QRegularExpression expression(QStringLiteral("([A-Za-z0-9]+-\\d+)"));
    QRandomGenerator random(20240611);
    const char alphabet[] = "aZ09-- \r\n\xAA\xCC\x56\xC3\xA9\xF0\xFF";
    for (int round = 0; round < 5000; ++round) {
        QByteArray buffer;
        const int length = int(random.bounded(1, 24));
        for (int i = 0; i < length; ++i)
            buffer.append(alphabet[random.bounded(int(sizeof alphabet - 1))]);
        if (buffer.contains(QByteArray("\xAA\xCC\x06\x56")))
            continue;
        const QRegularExpressionMatch m =
            expression.match(QString::fromUtf8(buffer.constData(), buffer.size()));
        const BootloaderReplies r = recogniseBootloaderReplies(buffer);
        QVERIFY2(r.hasModel == m.hasMatch(), buffer.toHex(' ').constData());
        QVERIFY2(r.model == m.captured(1), buffer.toHex(' ').constData());
    }
}

void TestFramer::packetCuts_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("packets");
    QTest::addColumn<QByteArray>("remaining");
    QTest::addColumn<int>("abandoned");

    QTest::newRow("no F0 clears") << hex("09903C7F0102") << 0 << QByteArray() << 0;
    QTest::newRow("pending reply kept") << hex("0102F000215E") << 0 << hex("F000215E") << 0;
    QTest::newRow("24-byte packet cut")
        << hex("F0") + QByteArray(22, 'a') + hex("F7") << 1 << QByteArray() << 0;
    QTest::newRow("25-byte packet is no reply")
        << hex("F0") + QByteArray(23, 'a') + hex("F7") << 0 << QByteArray() << 1;
    QTest::newRow("inner F0 of a long run starts the reply")
        << hex("F0") + QByteArray(30, 'a') + hex("F000215E0103F7") << 1 << QByteArray() << 1;
    QTest::newRow("many F0 without F7")
        << QByteArray(1000, char(0xF0)) << 0 << QByteArray(kMaxPendingLength, char(0xF0))
        << 1000 - kMaxPendingLength;
}

void TestFramer::packetCuts()
{
    QFETCH(QByteArray, buffer);
    QFETCH(int, packets);
    QFETCH(QByteArray, remaining);
    QFETCH(int, abandoned);

    const PacketCut cut = cutPackets(buffer);
    QCOMPARE(cut.packets.size(), packets);
    QCOMPARE(cut.remaining.toHex(' '), remaining.toHex(' '));
    QCOMPARE(cut.abandonedStarts, abandoned);
}

QTEST_APPLESS_MAIN(TestFramer)
#include "tst_framer.moc"
