// The emulated pedal seen from the tool's side of the wire: a real pseudo-terminal opened
// here as the tool would open the pedal's port, with every answer checked byte for byte.
#include "link/framer.h"
#include "sim/emulatedcatalog.h"
#include "sim/emulatedpedal.h"
#include "sim/liveframes.h"
#include "sim/requeststream.h"
#include "testdir.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int kWaitMs = 5000;

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

const QByteArray kHandshakeQuery = hex("F000215E0101F7");

// The tool's end of the port: a plain descriptor on the slave side.
class HostEnd : public QObject
{
public:
    explicit HostEnd(const QString &path)
    {
        fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            connect(notifier, &QSocketNotifier::activated, this, [this] { readAvailable(); });
        }
    }
    ~HostEnd() override { close(); }

    bool isOpen() const { return fd >= 0; }
    bool write(const QByteArray &bytes) const
    {
        return ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    void close()
    {
        delete notifier;
        notifier = nullptr;
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    QByteArray data;
    bool hungUp = false;

private:
    void readAvailable()
    {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got > 0) {
                data.append(buffer, int(got));
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && errno == EAGAIN)
                return;
            hungUp = true; // end of file or EIO: the device has gone
            notifier->setEnabled(false);
            return;
        }
    }

    int fd = -1;
    QSocketNotifier *notifier = nullptr;
};

// A configuration message: header, bytes 6-22 as given, F7.
QByteArray configuration(const QByteArray &bytes6to22)
{
    return hex("F000215E1003") + bytes6to22 + hex("F7");
}

// Bytes 6-22: pedal, message, type, channel, event, controller 11, 0, min 0, max 127, mode,
// gain 50, trigger level, press, release, curve 50, saturation 100, high trigger byte.
QByteArray slotBytes(int pedal, int message, int type, int event, char trigger = 0)
{
    QByteArray bytes = hex("0000010000 0B00007F 00 32 00 0000 32 64 00");
    bytes[0] = char(pedal);
    bytes[1] = char(message);
    bytes[2] = char(type);
    bytes[4] = char(event);
    bytes[11] = trigger;
    return bytes;
}
} // namespace

class TestEmulatedPedal : public QObject
{
    Q_OBJECT

private slots:
    void init() { workDir = std::make_unique<ScopedWorkingDir>(); }
    void cleanup() { workDir.reset(); }

    void requestCutting_data();
    void requestCutting();
    void requestCuttingStaysBounded();
    void answers_data();
    void answers();
    void configurationIsStoredAndReadBack();
    void setResults_data();
    void setResults();
    void deleteAndFactoryReset();
    void recordsEveryByte();
    void statusAndLiveFrames_data();
    void statusAndLiveFrames();
    void streaming();
    void staleStreamDroppedWhileNobodyReads();
    void silentPedalRecordsButNeverAnswers();
    void toolClosingItsPortKeepsThePedal();
    void unplugHangsUpAndPlugBackGivesNewPort();
    void catalogListing();
    void workWithQSerialPort();
    void understoodByTheLink();

private:
    std::unique_ptr<ScopedWorkingDir> workDir;
};

void TestEmulatedPedal::requestCutting_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QList<QByteArray>>("requests");

    const QByteArray config = configuration(slotBytes(1, 2, 1, 0));
    const QByteArray deviceInfo = hex("AACC0200010D0A");
    QList<QByteArray> bytewise;
    for (char c : kHandshakeQuery)
        bytewise << QByteArray(1, c);

    QTest::newRow("whole request")
        << QList<QByteArray>{kHandshakeQuery} << QList<QByteArray>{kHandshakeQuery};
    QTest::newRow("one byte per read") << bytewise << QList<QByteArray>{kHandshakeQuery};
    QTest::newRow("two glued requests") << QList<QByteArray>{kHandshakeQuery + config}
                                        << QList<QByteArray>{kHandshakeQuery, config};
    QTest::newRow("split inside the configuration")
        << QList<QByteArray>{config.left(10), config.mid(10)} << QList<QByteArray>{config};
    QTest::newRow("garbage before and between")
        << QList<QByteArray>{hex("0102037F") + kHandshakeQuery + hex("55") + deviceInfo}
        << QList<QByteArray>{kHandshakeQuery, deviceInfo};
    QTest::newRow("slot and typed slot query")
        << QList<QByteArray>{hex("F000215E04040102F7F000215E0404010201F7")}
        << QList<QByteArray>{hex("F000215E04040102F7"), hex("F000215E0404010201F7")};
    // Values are sent without range checks, so F7 and F0 may sit inside a configuration.
    QByteArray awkward = slotBytes(0, 0, 1, 3, char(0xF7));
    awkward[12] = char(0xF0);
    QTest::newRow("configuration holding F7 and F0")
        << QList<QByteArray>{configuration(awkward)} << QList<QByteArray>{configuration(awkward)};
    QTest::newRow("foreign F0 header skipped")
        << QList<QByteArray>{hex("F07E7F0601F7") + kHandshakeQuery}
        << QList<QByteArray>{kHandshakeQuery};
    QTest::newRow("truncated configuration, the requests behind it survive")
        << QList<QByteArray>{config.left(12) + kHandshakeQuery + hex("F000215E030501F7")}
        << QList<QByteArray>{kHandshakeQuery, hex("F000215E030501F7")};
    QTest::newRow("AA without CC is garbage")
        << QList<QByteArray>{hex("AA01") + deviceInfo} << QList<QByteArray>{deviceInfo};
    QTest::newRow("bootloader line without CR LF given up")
        << QList<QByteArray>{hex("AACC020001") + QByteArray(20, 'x') + kHandshakeQuery}
        << QList<QByteArray>{kHandshakeQuery};
}

void TestEmulatedPedal::requestCutting()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QList<QByteArray>, requests);
    Sim::RequestStream stream;
    QList<QByteArray> cut;
    for (const QByteArray &read : reads)
        cut += stream.feed(read);
    QCOMPARE(cut, requests);
    QVERIFY(stream.pending().isEmpty());
}

void TestEmulatedPedal::requestCuttingStaysBounded()
{
    // Random bytes with request starts sprinkled in: nothing crashes, pending stays short,
    // and a request written afterwards is still understood.
    QRandomGenerator random(20240611);
    Sim::RequestStream stream;
    for (int round = 0; round < 2000; ++round) {
        QByteArray chunk(int(random.bounded(1, 40)), '\0');
        for (char &c : chunk) {
            const quint32 pick = random.bounded(8);
            c = pick == 0   ? char(0xF0)
                : pick == 1 ? char(0xAA)
                : pick == 2 ? char(0xCC)
                            : char(random.bounded(256));
        }
        stream.feed(chunk);
        QVERIFY2(stream.pending().size() < Sim::kMaxPedalRequestLength,
                 qPrintable(stream.pending().toHex()));
    }
    const QList<QByteArray> after = stream.feed(QByteArray(24, '\x01') + kHandshakeQuery);
    QVERIFY(!after.isEmpty());
    QCOMPARE(after.last(), kHandshakeQuery);
}

void TestEmulatedPedal::answers_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("pedals");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("handshake ZB-8") << "ZB-8" << 6 << kHandshakeQuery << hex("F000215E0106F7");
    QTest::newRow("handshake TRV-40") << "TRV-40" << 2 << kHandshakeQuery << hex("F000215E0102F7");
    // Factory fresh: Expression, CC 11 on channel 1, 0-127, gain and curve neutral.
    QTest::newRow("slot query, unwritten slot")
        << "TRV-50" << 4 << hex("F000215E04040203F7")
        << hex("F000215E1004 0203 010000 0B00007F 00 32 00 0000 32 64 00 F7");
    QTest::newRow("typed slot query, unwritten slot")
        << "ZB-8" << 6 << hex("F000215E0404050F02F7")
        << hex("F000215E1004 050F 010000 0B00007F 00 32 00 0000 32 64 00 F7");
    QTest::newRow("device info gives the model line")
        << "TRV-40" << 2 << hex("AACC0200010D0A") << QByteArray("\xAA\xCC\x05TRV-40\r\n");
    QTest::newRow("version request gives the version line")
        << "ZB-5" << 4 << hex("AACC0200030D0A") << QByteArray("\xAA\xCC\x06V1.0.3\r\n");
    QTest::newRow("delete acknowledged")
        << "ZB-4" << 4 << hex("F000215E030502F7") << hex("F000215E100502F7");
    QTest::newRow("factory reset acknowledged")
        << "ZB-4" << 4 << hex("F000215E030558F7") << hex("F000215E100558F7");
    QTest::newRow("erase request not answered in normal operation")
        << "TRV-50" << 4 << hex("AACC0200020D0A") << QByteArray();
    QTest::newRow("unknown command ignored")
        << "TRV-50" << 4 << hex("F000215E7701F7") << QByteArray();
    QTest::newRow("garbage ignored") << "TRV-50" << 4 << hex("0BB00B40FF00") << QByteArray();
}

void TestEmulatedPedal::answers()
{
    QFETCH(QString, model);
    QFETCH(int, pedals);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);

    EmulatedPedal pedal(model, pedals);
    QVERIFY(pedal.isPlugged());
    HostEnd host(pedal.portName());
    QVERIFY(host.isOpen());
    // The handshake behind it proves that nothing else was answered in between.
    const QByteArray fence = hex("F000215E01") + char(pedals) + hex("F7");
    QVERIFY(host.write(request + kHandshakeQuery));
    QTRY_COMPARE_WITH_TIMEOUT(host.data, reply + fence, kWaitMs);
}

void TestEmulatedPedal::configurationIsStoredAndReadBack()
{
    EmulatedPedal pedal(QStringLiteral("TRV-50"), 4);
    HostEnd host(pedal.portName());
    // A Pitch Bend trigger level of 247 puts F7 into byte 17: it must not cut the message.
    const QByteArray stored = slotBytes(3, 15, 1, 3, char(0xF7));
    QVERIFY(host.write(configuration(stored)));
    QTRY_COMPARE_WITH_TIMEOUT(host.data, hex("F000215E100303 00 F7"), kWaitMs);
    QVERIFY(pedal.isSlotWritten(3, 15));
    QCOMPARE(pedal.storedSlot(3, 15), stored);

    host.data.clear();
    QVERIFY(host.write(hex("F000215E0404030FF7") + hex("F000215E0404030F00F7")));
    const QByteArray readBack = hex("F000215E1004") + stored + hex("F7");
    QTRY_COMPARE_WITH_TIMEOUT(host.data, readBack + readBack, kWaitMs);
    QCOMPARE(readBack.size(), 24);

    // What a test preloads is answered the same way.
    host.data.clear();
    const QByteArray preloaded = slotBytes(0, 1, 2, 0);
    pedal.storeSlot(0, 1, preloaded);
    QVERIFY(host.write(hex("F000215E04040001F7")));
    QTRY_COMPARE_WITH_TIMEOUT(host.data, hex("F000215E1004") + preloaded + hex("F7"), kWaitMs);
}

void TestEmulatedPedal::setResults_data()
{
    QTest::addColumn<QList<QByteArray>>("before"); // slots written first, all accepted
    QTest::addColumn<int>("forced");               // -1: none
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("stored");

    const QList<QByteArray> none;
    const QList<QByteArray> tempoOnPedal2 = {slotBytes(1, 0, 2, 8)};
    QTest::newRow("accepted") << none << -1 << slotBytes(0, 0, 1, 0) << 0 << true;
    QTest::newRow("pedal beyond the count") << none << -1 << slotBytes(4, 0, 1, 0) << 1 << false;
    QTest::newRow("message beyond 16") << none << -1 << slotBytes(0, 16, 1, 0) << 1 << false;
    QTest::newRow("pedal type 0") << none << -1 << slotBytes(0, 0, 0, 0) << 2 << false;
    QTest::newRow("pedal type 4") << none << -1 << slotBytes(0, 0, 4, 0) << 2 << false;
    // Regression: an empty event selector went out as FF and was still answered with success.
    QTest::newRow("event FF") << none << -1 << slotBytes(0, 0, 1, 0xFF) << 2 << false;
    QTest::newRow("event beyond Tempo") << none << -1 << slotBytes(0, 0, 2, 9) << 2 << false;
    const auto emptied = [](int field) {
        QByteArray bytes = slotBytes(0, 0, 1, 0);
        bytes[field - 6] = char(0xFF);
        return bytes;
    };
    QTest::newRow("empty channel") << none << -1 << emptied(9) << 2 << false;
    QTest::newRow("empty controller") << none << -1 << emptied(11) << 2 << false;
    QTest::newRow("empty max") << none << -1 << emptied(14) << 2 << false;
    QTest::newRow("empty gain") << none << -1 << emptied(16) << 2 << false;
    QTest::newRow("empty curve") << none << -1 << emptied(20) << 2 << false;
    QTest::newRow("trigger level low byte FF is a value")
        << none << -1 << slotBytes(0, 0, 1, 3, char(0xFF)) << 0 << true;
    QTest::newRow("second Tempo on a pedal")
        << tempoOnPedal2 << -1 << slotBytes(1, 5, 2, 8) << 3 << false;
    QTest::newRow("Tempo rewritten on its own slot")
        << tempoOnPedal2 << -1 << slotBytes(1, 0, 2, 8) << 0 << true;
    QTest::newRow("Tempo on another pedal")
        << tempoOnPedal2 << -1 << slotBytes(2, 5, 2, 8) << 0 << true;
    QTest::newRow("forced refusal stores nothing")
        << none << 2 << slotBytes(0, 0, 1, 0) << 2 << false;
}

void TestEmulatedPedal::setResults()
{
    QFETCH(QList<QByteArray>, before);
    QFETCH(int, forced);
    QFETCH(QByteArray, slot);
    QFETCH(int, result);
    QFETCH(bool, stored);

    EmulatedPedal pedal(QStringLiteral("TRV-50"), 4);
    HostEnd host(pedal.portName());
    QByteArray expected;
    for (const QByteArray &earlier : before) {
        QVERIFY(host.write(configuration(earlier)));
        expected += hex("F000215E1003") + earlier.at(0) + hex("00F7");
    }
    if (forced >= 0)
        pedal.forceNextSetResult(quint8(forced));
    QVERIFY(host.write(configuration(slot)));
    expected += hex("F000215E1003") + slot.at(0) + char(result) + hex("F7");
    // A forced result is spent on one acknowledgment.
    QVERIFY(host.write(configuration(slotBytes(0, 7, 1, 0))));
    expected += hex("F000215E10030000F7");
    QTRY_COMPARE_WITH_TIMEOUT(host.data, expected, kWaitMs);
    QCOMPARE(pedal.isSlotWritten(slot.at(0), slot.at(1)), stored);
    if (stored)
        QCOMPARE(pedal.storedSlot(slot.at(0), slot.at(1)), slot);
}

void TestEmulatedPedal::deleteAndFactoryReset()
{
    EmulatedPedal pedal(QStringLiteral("ZB-5"), 4);
    HostEnd host(pedal.portName());
    pedal.storeSlot(0, 0, slotBytes(0, 0, 1, 0));
    pedal.storeSlot(0, 9, slotBytes(0, 9, 2, 1));
    pedal.storeSlot(1, 3, slotBytes(1, 3, 3, 2));

    QVERIFY(host.write(hex("F000215E030500F7")));
    QTRY_COMPARE_WITH_TIMEOUT(host.data, hex("F000215E100500F7"), kWaitMs);
    QVERIFY(!pedal.isSlotWritten(0, 0));
    QVERIFY(!pedal.isSlotWritten(0, 9));
    QVERIFY(pedal.isSlotWritten(1, 3));

    // A deleted slot reads back as never written: the factory default.
    host.data.clear();
    QVERIFY(host.write(hex("F000215E04040009F7")));
    QTRY_COMPARE_WITH_TIMEOUT(
        host.data, hex("F000215E1004") + EmulatedPedal::factorySlot(0, 9) + hex("F7"), kWaitMs);

    host.data.clear();
    QVERIFY(host.write(hex("F000215E030558F7")));
    QTRY_COMPARE_WITH_TIMEOUT(host.data, hex("F000215E100558F7"), kWaitMs);
    QCOMPARE(pedal.writtenSlotCount(), 0);
}

void TestEmulatedPedal::recordsEveryByte()
{
    EmulatedPedal pedal(QStringLiteral("ZB-8"), 6);
    HostEnd host(pedal.portName());
    QSignalSpy chunks(&pedal, &EmulatedPedal::bytesReceived);
    QSignalSpy requests(&pedal, &EmulatedPedal::requestReceived);

    const QByteArray written = hex("00FF") + kHandshakeQuery + hex("F000215E04") + hex("0401") +
                               hex("02F7") + hex("AACC0200010D0A");
    QVERIFY(host.write(written.left(9)));
    QTRY_COMPARE_WITH_TIMEOUT(pedal.received(), written.left(9), kWaitMs);
    QVERIFY(host.write(written.mid(9)));
    QTRY_COMPARE_WITH_TIMEOUT(pedal.received(), written, kWaitMs);

    QByteArray fromSignals;
    for (const QList<QVariant> &chunk : qAsConst(chunks))
        fromSignals += chunk.at(0).toByteArray();
    QCOMPARE(fromSignals, written);
    const QList<QByteArray> expected = {kHandshakeQuery, hex("F000215E04040102F7"),
                                        hex("AACC0200010D0A")};
    QCOMPARE(pedal.requests(), expected);
    QCOMPARE(requests.count(), 3);
    // Replies are all recorded as sent, in order.
    QTRY_COMPARE_WITH_TIMEOUT(host.data, pedal.sent(), kWaitMs);
    QVERIFY(pedal.sent().startsWith(hex("F000215E0106F7")));

    pedal.clearReceived();
    QVERIFY(pedal.received().isEmpty());
    QVERIFY(pedal.requests().isEmpty());

    // A long demo keeps only the most recent traffic.
    constexpr int kMiB = 1024 * 1024;
    pedal.clearSent();
    QVERIFY(pedal.sendRaw(QByteArray(3 * kMiB, 'a')));
    QVERIFY(pedal.sendRaw(QByteArray(3 * kMiB, 'b')));
    QCOMPARE(pedal.sent().size(), 4 * kMiB);
    QCOMPARE(pedal.sent().count('a'), kMiB);
    QVERIFY(pedal.sent().endsWith(QByteArray(3 * kMiB, 'b')));
}

void TestEmulatedPedal::statusAndLiveFrames_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("wire");

    using namespace LiveFrames;
    QTest::newRow("sweep CC 11 in steps of 64")
        << joined(expressionSweep(0, 11, 0, 127, 64)) << hex("0BB00B00 0BB00B40 0BB00B7F");
    QTest::newRow("switch tap on message 3")
        << joined(onMessage(2, switchTap(0, 64))) << hex("2BB0407F 2BB04000");
    QTest::newRow("note tap") << joined(noteTap(9, 44, 100)) << hex("0999 2C64 0889 2C00");
    QTest::newRow("pitch bend centre") << pitchBend(0, 8192) << hex("0EE00040");
    QTest::newRow("clock and transport") << timingClock() + start() + continueFrame() + stop()
                                         << hex("0FF80000 0FFA0000 0FFB0000 0FFC0000");
}

void TestEmulatedPedal::statusAndLiveFrames()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, wire);
    EmulatedPedal pedal(QStringLiteral("ZB-8"), 6);
    HostEnd host(pedal.portName());
    QVERIFY(pedal.sendStatus(0x05));
    QVERIFY(pedal.sendZb8Status(0x030201));
    QVERIFY(pedal.sendRaw(sent));
    QTRY_COMPARE_WITH_TIMEOUT(host.data, hex("F000215E05F7 F000215E0406010203F7") + wire, kWaitMs);
}

void TestEmulatedPedal::streaming()
{
    EmulatedPedal pedal(QStringLiteral("TRV-50"), 4);
    HostEnd host(pedal.portName());
    const QList<QByteArray> sweep = LiveFrames::expressionSweep(0, 11, 0, 127, 16);
    QCOMPARE(sweep.size(), 9);

    pedal.streamFrames(sweep, 5);
    QVERIFY(pedal.isStreaming());
    QTRY_COMPARE_WITH_TIMEOUT(host.data, LiveFrames::joined(sweep), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(!pedal.isStreaming(), kWaitMs);

    // Repeating goes round again until stopped; every frame stays whole.
    host.data.clear();
    pedal.streamFrames(LiveFrames::switchTap(0, 64), 2, true);
    QTRY_VERIFY_WITH_TIMEOUT(host.data.size() >= 5 * 8, kWaitMs);
    pedal.stopStreaming();
    QVERIFY(!pedal.isStreaming());
    QVERIFY(pedal.sendRaw(kHandshakeQuery)); // a marker behind the last streamed frame
    QTRY_VERIFY_WITH_TIMEOUT(host.data.endsWith(kHandshakeQuery), kWaitMs);
    const QByteArray streamed = host.data.chopped(kHandshakeQuery.size());
    QCOMPARE(streamed.size() % 4, 0);
    for (int i = 0; i < streamed.size(); i += 8)
        QCOMPARE(streamed.mid(i, 8).left(4), hex("0BB0407F"));
}

void TestEmulatedPedal::staleStreamDroppedWhileNobodyReads()
{
    // Nobody has the port open: old motion must not wait there for the next Connect.
    EmulatedPedal pedal(QStringLiteral("TRV-50"), 4);
    QList<QByteArray> frames;
    for (int i = 0; i < 16; ++i)
        frames << LiveFrames::controlChange(0, 11, i);
    pedal.streamFrames(frames, 100);
    QTRY_VERIFY_WITH_TIMEOUT(!pedal.isStreaming(), kWaitMs);

    HostEnd host(pedal.portName());
    QVERIFY(pedal.sendRaw(kHandshakeQuery));
    QTRY_VERIFY_WITH_TIMEOUT(host.data.endsWith(kHandshakeQuery), kWaitMs);
    const QByteArray backlog = host.data.chopped(kHandshakeQuery.size());
    QVERIFY2(backlog.size() < LiveFrames::joined(frames).size(), qPrintable(backlog.toHex()));
    QVERIFY(LiveFrames::joined(frames).endsWith(backlog));
}

void TestEmulatedPedal::silentPedalRecordsButNeverAnswers()
{
    EmulatedPedal pedal(QStringLiteral("TRV-40"), 2);
    HostEnd host(pedal.portName());
    pedal.setSilent(true);
    QVERIFY(
        host.write(kHandshakeQuery + hex("AACC0200010D0A") + configuration(slotBytes(0, 0, 1, 0))));
    QTRY_COMPARE_WITH_TIMEOUT(pedal.requests().size(), 3, kWaitMs);
    QVERIFY(!pedal.isSlotWritten(0, 0));

    // What is sent on demand still goes out; the next answer is the first one seen.
    QVERIFY(pedal.sendStatus(0x03));
    pedal.setSilent(false);
    QVERIFY(host.write(kHandshakeQuery));
    QTRY_COMPARE_WITH_TIMEOUT(host.data, hex("F000215E03F7 F000215E0102F7"), kWaitMs);
}

void TestEmulatedPedal::toolClosingItsPortKeepsThePedal()
{
    EmulatedPedal pedal(QStringLiteral("ZB-4"), 4);
    {
        HostEnd first(pedal.portName());
        QVERIFY(first.write(kHandshakeQuery));
        QTRY_COMPARE_WITH_TIMEOUT(first.data, hex("F000215E0104F7"), kWaitMs);
    }
    // The tool's Disconnect followed by Connect: same port, still answering.
    QVERIFY(pedal.isPlugged());
    HostEnd second(pedal.portName());
    QVERIFY(second.isOpen());
    QVERIFY(second.write(kHandshakeQuery));
    QTRY_COMPARE_WITH_TIMEOUT(second.data, hex("F000215E0104F7"), kWaitMs);
    QVERIFY(!second.hungUp);
}

void TestEmulatedPedal::unplugHangsUpAndPlugBackGivesNewPort()
{
    EmulatedPedal pedal(QStringLiteral("TRV-50"), 4);
    EmulatedCatalog catalog;
    catalog.addPedal(&pedal);
    pedal.storeSlot(2, 4, slotBytes(2, 4, 1, 0));
    pedal.streamFrames(LiveFrames::switchTap(0, 64), 5, true);
    const QString firstPort = pedal.portName();
    HostEnd host(firstPort);
    QSignalSpy unplugged(&pedal, &EmulatedPedal::unplugged);
    QSignalSpy pluggedIn(&pedal, &EmulatedPedal::pluggedIn);

    pedal.unplug();
    QCOMPARE(unplugged.count(), 1);
    QCOMPARE(unplugged.at(0).at(0).toString(), firstPort);
    QVERIFY(!pedal.isPlugged());
    QVERIFY(pedal.portName().isEmpty());
    QVERIFY(!pedal.isStreaming());
    QVERIFY(!pedal.sendStatus(1));
    QTRY_VERIFY_WITH_TIMEOUT(host.hungUp, kWaitMs);
    QVERIFY(catalog.availablePorts().isEmpty());
    QVERIFY(catalog.usbProductNames().isEmpty());
    host.close();
    QVERIFY(!QFileInfo::exists(firstPort));

    QVERIFY(pedal.plugIn());
    QCOMPARE(pluggedIn.count(), 1);
    QVERIFY(!pedal.portName().isEmpty());
    QCOMPARE(pluggedIn.at(0).at(0).toString(), pedal.portName());
    QCOMPARE(catalog.availablePorts().size(), 1);
    QCOMPARE(catalog.availablePorts().first().portName, pedal.portName());
    QCOMPARE(catalog.availablePorts().first().description,
             QStringLiteral("Volarix TRV-50 USB MIDI Pedal"));

    // Same device: it answers on the new port and kept what it stored.
    HostEnd again(pedal.portName());
    QVERIFY(again.write(hex("F000215E04040204F7")));
    QTRY_COMPARE_WITH_TIMEOUT(again.data, hex("F000215E1004") + slotBytes(2, 4, 1, 0) + hex("F7"),
                              kWaitMs);
}

void TestEmulatedPedal::catalogListing()
{
    EmulatedPedal first(QStringLiteral("ZB-8"), 6);
    EmulatedPedal twin(QStringLiteral("ZB-8"), 6);
    EmulatedPedal other(QStringLiteral("TRV-40"), 2, 0x1111, 0x2222);
    auto *doomed = new EmulatedPedal(QStringLiteral("ZB-5"), 4);
    QCOMPARE(first.productName(), QStringLiteral("Volarix ZB-8 USB MIDI Pedal"));
    QCOMPARE(twin.productId(), first.productId());
    QVERIFY(other.productId() != first.productId() || other.vendorId() != first.vendorId());

    EmulatedCatalog *catalog = EmulatedCatalog::installNew();
    QVERIFY(&PortCatalog::current() == catalog);
    CatalogPort builtIn;
    builtIn.portName = QStringLiteral("ttyS0");
    catalog->addOtherPort(builtIn);
    catalog->addPedal(&first);
    catalog->addPedal(&twin);
    catalog->addPedal(&twin); // added once only
    catalog->addPedal(&other);
    catalog->addPedal(doomed);
    twin.setProductName(QStringLiteral("a second name the first device hides"));

    QList<CatalogPort> ports = PortCatalog::current().availablePorts();
    QCOMPARE(ports.size(), 5);
    QCOMPARE(ports.at(0).portName, QStringLiteral("ttyS0"));
    QVERIFY(!ports.at(0).hasUsbIds);
    QCOMPARE(ports.at(1).portName, first.portName());
    QCOMPARE(ports.at(2).portName, twin.portName());
    QVERIFY(ports.at(1).portName != ports.at(2).portName);
    for (int i = 1; i < 5; ++i)
        QVERIFY(ports.at(i).hasUsbIds);
    QCOMPARE(ports.at(3).vendorId, quint16(0x1111));
    QCOMPARE(ports.at(3).productId, quint16(0x2222));

    UsbProductNames names = PortCatalog::current().usbProductNames();
    QCOMPARE(names.size(), 3);
    QCOMPARE(names.value(UsbKey(first.productId(), first.vendorId())),
             QStringLiteral("Volarix ZB-8 USB MIDI Pedal"));
    QCOMPARE(names.value(UsbKey(0x2222, 0x1111)), QStringLiteral("Volarix TRV-40 USB MIDI Pedal"));

    // The first twin gone: the second names the key now, as on a real machine.
    first.unplug();
    delete doomed;
    ports = catalog->availablePorts();
    QCOMPARE(ports.size(), 3);
    QCOMPARE(ports.at(1).portName, twin.portName());
    names = catalog->usbProductNames();
    QCOMPARE(names.value(UsbKey(twin.productId(), twin.vendorId())),
             QStringLiteral("a second name the first device hides"));
    QCOMPARE(catalog->pedals().size(), 3);

    catalog->removePedal(&other);
    QCOMPARE(catalog->availablePorts().size(), 2);
    PortCatalog::install(nullptr);
    QVERIFY(&PortCatalog::current() != catalog);
}

void TestEmulatedPedal::workWithQSerialPort()
{
    // The tool's own port class on the emulated port: settings accepted, answers arrive.
    EmulatedPedal pedal(QStringLiteral("TRV-40"), 2);
    QSerialPort port;
    port.setPortName(pedal.portName());
    port.setBaudRate(115200);
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    port.write(kHandshakeQuery + hex("AACC0200010D0A"));
    const QByteArray expected = hex("F000215E0102F7") + QByteArray("\xAA\xCC\x05TRV-40\r\n");
    QByteArray got;
    QTRY_VERIFY_WITH_TIMEOUT((got += port.readAll()).size() >= expected.size(), kWaitMs);
    QCOMPARE(got, expected);
    QCOMPARE(pedal.received(), kHandshakeQuery + hex("AACC0200010D0A"));
    port.close();
    QVERIFY(pedal.isPlugged());

    // Unplugged under an open port: the port reports an error, as a real unplug does.
    QVERIFY(port.open(QIODevice::ReadWrite));
    pedal.unplug();
    QTRY_VERIFY_WITH_TIMEOUT(port.error() == QSerialPort::ReadError ||
                                 port.error() == QSerialPort::ResourceError,
                             kWaitMs);
    port.close();
}

void TestEmulatedPedal::understoodByTheLink()
{
    // The layouts chosen for the bytes the tool does not interpret still meet its recognisers.
    EmulatedPedal pedal(QStringLiteral("ZB-8"), 6);
    pedal.setFirmwareVersion(QStringLiteral("V1.2.5"));
    HostEnd host(pedal.portName());
    Framing::Framer framer;
    QVERIFY(host.write(kHandshakeQuery + hex("F000215E04040001F7") +
                       configuration(slotBytes(0, 0, 1, 0)) + hex("F000215E030500F7")));
    QTRY_COMPARE_WITH_TIMEOUT(host.data.size(), 7 + 24 + 9 + 8, kWaitMs);
    QList<int> kinds;
    for (const Framing::PacketEvent &event :
         framer.feed(host.data, pedal.productName()).packetEvents)
        kinds << event.record.kind;
    QCOMPARE(kinds, (QList<int>{Protocol::HandshadeReplyCmd, Protocol::CheckPadelReply,
                                Protocol::SetPadelReply, Protocol::DeletePadelReply}));

    host.data.clear();
    QVERIFY(host.write(hex("AACC0200010D0A")));
    QTRY_COMPARE_WITH_TIMEOUT(host.data.size(), 9, kWaitMs);
    const Framing::BootloaderReplies model = framer.feed(host.data, {}).bootloader;
    QVERIFY(model.hasModel);
    QCOMPARE(model.model, QStringLiteral("ZB-8"));

    host.data.clear();
    QVERIFY(host.write(hex("AACC0200030D0A")));
    QTRY_COMPARE_WITH_TIMEOUT(host.data.size(), 11, kWaitMs);
    const Framing::BootloaderReplies version = framer.feed(host.data, {}).bootloader;
    QVERIFY(version.hasVersion);
    QCOMPARE(version.version, QStringLiteral("V1.2.5"));
}

QTEST_GUILESS_MAIN(TestEmulatedPedal)
#include "tst_emulatedpedal.moc"
