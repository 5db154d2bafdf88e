// SerialPort's receive side end to end: bytes written on the master side of a real
// pseudo-terminal reach readDataSlot through the open port, and the emitted signals, the
// status members and the bytes written back are checked.
#include "framingbytes.h"
#include "link/portcatalog.h"
#include "link/serialport.h"
#include "protocol/messages.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>

namespace {

constexpr int kWaitMs = 5000;
constexpr quint16 kVendorId = 0x1209;
constexpr quint16 kProductId = 0x7ED0;

using FramingBytes::hex;
using FramingBytes::readBackReply;

// Lists the one pseudo-terminal under the product name the test chooses.
class PtyCatalog : public PortCatalog
{
public:
    PtyCatalog(QString path, QString name) : path(std::move(path)), name(std::move(name)) {}
    QList<CatalogPort> availablePorts() const override
    {
        CatalogPort port;
        port.portName = path;
        port.hasUsbIds = true;
        port.vendorId = kVendorId;
        port.productId = kProductId;
        return {port};
    }
    UsbProductNames usbProductNames() const override
    {
        return {{UsbKey(kProductId, kVendorId), name}};
    }

private:
    QString path;
    QString name;
};

class Pty
{
public:
    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) {
            slavePath = QString::fromLocal8Bit(ptsname(master));
            fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        }
    }
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool write(const QByteArray &bytes) const
    {
        return ::write(master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // What the port wrote, once `count` bytes are there (or the wait ran out).
    QByteArray read(int count) const
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < count && clock.elapsed() < kWaitMs) {
            pollfd fd{master, POLLIN, 0};
            if (::poll(&fd, 1, 20) <= 0)
                continue;
            char chunk[256];
            const ssize_t n = ::read(master, chunk, sizeof chunk);
            if (n > 0)
                got.append(chunk, int(n));
        }
        return got;
    }

    // What is there already, without waiting.
    QByteArray readNow() const
    {
        char chunk[256];
        const ssize_t n = ::read(master, chunk, sizeof chunk);
        return n > 0 ? QByteArray(chunk, int(n)) : QByteArray();
    }

    int master = -1;
    QString slavePath;
};

// One open link on a fresh pty with every signal recorded in emission order.
struct Link
{
    explicit Link(const QString &listedName)
    {
        PortCatalog::install(std::make_unique<PtyCatalog>(pty.slavePath, listedName));
        port = std::make_unique<SerialPort>(&list);
        QObject::connect(port.get(), &SerialPort::pedalMidiDataSignal,
                         [this](const Protocol::MsgPackage &p) {
                             log << QStringLiteral("rec%1:%2")
                                        .arg(p.kind)
                                        .arg(QString::fromLatin1(p.frame.toHex()));
                             bitsAtRecord << port->connectedPedalBits;
                         });
        QObject::connect(port.get(), &SerialPort::send_MTD,
                         [this](const QString &m) { log << "model:" + m; });
        QObject::connect(port.get(), &SerialPort::send_vesion,
                         [this](const QString &v) { log << "version:" + v; });
        QObject::connect(port.get(), &SerialPort::send_erase,
                         [this](bool flag) { log << QStringLiteral("erase:%1").arg(flag); });
        QObject::connect(port.get(), &SerialPort::showdata, [this](const QByteArray &data) {
            log << "show:" + QString::fromLatin1(data.toHex());
            ++reads;
        });
    }
    ~Link()
    {
        port->close();
        port.reset();
        PortCatalog::install(nullptr);
    }

    bool open() { return port->openDevicePort(list.currentData().toString(), 115200); }

    // One read of at least 4 bytes: waits until readDataSlot has shown it.
    bool deliver(const QByteArray &bytes)
    {
        const int before = reads;
        if (!pty.write(bytes))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (reads == before && clock.elapsed() < kWaitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return reads > before;
    }
    // A read the link must keep without doing anything.
    bool deliverShort(const QByteArray &bytes)
    {
        const QByteArray expected = port->pendingBytes() + bytes;
        if (!pty.write(bytes))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (port->pendingBytes() != expected && clock.elapsed() < kWaitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return port->pendingBytes() == expected;
    }

    QStringList records() const { return log.filter(QRegularExpression("^rec")); }

    Pty pty;
    QComboBox list;
    std::unique_ptr<SerialPort> port;
    QStringList log;
    QList<qint32> bitsAtRecord;
    int reads = 0;
};

} // namespace

class TestReceive : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void liveFrames();
    void replies();
    void statusBits_data();
    void statusBits();
    void bootloaderReplies_data();
    void bootloaderReplies();
    void emissionOrder();
    void pendingReplyBounded();
    void frameBehindSplitReply();
    void reopeningStartsAfresh();
};

void TestReceive::initTestCase()
{
    Pty probe;
    QVERIFY2(!probe.slavePath.isEmpty(), "no pseudo-terminal available");
}

void TestReceive::liveFrames()
{
    Link link("Volarix TRV-50 MIDI");
    QCOMPARE(link.list.count(), 1);
    QVERIFY(link.open());

    // A read of 3 bytes waits; the next read sees all bytes together.
    QVERIFY(link.deliverShort(hex("09903C")));
    QVERIFY(link.log.isEmpty());
    QVERIFY(link.deliver(hex("7F0B80407F")));
    QCOMPARE(link.log, (QStringList{"rec4:09903c7f", "rec4:0b80407f", "show:09903c7f0b80407f"}));
    QVERIFY(link.port->pendingBytes().isEmpty());

    // One frame and the first half of the next: a 4-byte and a 2-byte record, buffer cleared.
    link.log.clear();
    QVERIFY(link.deliver(hex("09903C7F0BB0")));
    QCOMPARE(link.records(), (QStringList{"rec4:09903c7f", "rec4:0bb0"}));
    QVERIFY(link.port->pendingBytes().isEmpty());

    // A bootloader line among live frames leaves the frames behind it alone.
    link.log.clear();
    QVERIFY(link.deliver(hex("09903C7F") + hex("AACC03") + "ok\r\n" + hex("0B80407F")));
    QCOMPARE(link.records(), (QStringList{"rec4:09903c7f", "rec4:0b80407f"}));
}

void TestReceive::replies()
{
    Link link("Volarix TRV-50 MIDI");
    QVERIFY(link.open());

    // Bytes in front of F0 without an F0 of their own are dropped.
    QVERIFY(link.deliver(hex("7F7F7F") + hex("F000215E0103F7")));
    QCOMPARE(link.records(), QStringList{"rec0:f000215e0103f7"});

    // A read-back reply completed by a later read.
    link.log.clear();
    const QByteArray readBack = readBackReply();
    QVERIFY(link.deliver(readBack.left(10)));
    QVERIFY(link.records().isEmpty());
    QCOMPARE(link.port->pendingBytes(), readBack.left(10));
    QVERIFY(link.deliver(readBack.mid(10)));
    QCOMPARE(link.records(), QStringList{"rec2:" + QString::fromLatin1(readBack.toHex())});
    QVERIFY(link.port->pendingBytes().isEmpty());

    // Glued acknowledgments.
    link.log.clear();
    QVERIFY(link.deliver(hex("F000215E01030003F7F000215E010502F7")));
    QCOMPARE(link.records(), (QStringList{"rec1:f000215e01030003f7", "rec3:f000215e010502f7"}));
}

void TestReceive::statusBits_data()
{
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<int>("connected");
    QTest::addColumn<int>("zb8");
    QTest::addColumn<int>("records");

    QTest::newRow("zb-8 status while a ZB-8 is listed")
        << "Volarix ZB-8 MIDI" << hex("F000215E0406050100F7") << -1 << 0x105 << 0;
    QTest::newRow("zb-8 status, any case")
        << "volarix zb-8" << hex("F000215E0406FF0000F7") << -1 << 0xFF << 0;
    QTest::newRow("zb-8 status ignored for another model")
        << "Volarix ZB-4 MIDI" << hex("F000215E0406050100F7") << -1 << -1 << 0;
    QTest::newRow("status masked for TRV-40")
        << "Volarix TRV-40 MIDI" << hex("F000215E0FF7") << 3 << -1 << 1;
    QTest::newRow("status masked for TRV-50")
        << "Volarix TRV-50 MIDI" << hex("F000215E1FF7") << 15 << -1 << 1;
    QTest::newRow("status kept for ZB-4")
        << "Volarix ZB-4 MIDI" << hex("F000215E1FF7") << 0x1F << -1 << 1;
}

void TestReceive::statusBits()
{
    QFETCH(QString, listed);
    QFETCH(QByteArray, packet);
    QFETCH(int, connected);
    QFETCH(int, zb8);
    QFETCH(int, records);

    Link link(listed);
    QVERIFY(link.open());
    QVERIFY(link.deliver(packet));
    QCOMPARE(link.port->connectedPedalBits, connected);
    QCOMPARE(link.port->zb8StatusBits, zb8);
    QCOMPARE(link.records().size(), records);
    // The status is in place by the time the record cut from the same packet arrives.
    for (qint32 bits : link.bitsAtRecord)
        QCOMPARE(bits, connected);
}

void TestReceive::bootloaderReplies_data()
{
    QTest::addColumn<bool>("upgradeLink");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expectedSignals");
    QTest::addColumn<bool>("versionRequested");

    const QByteArray model = hex("AACC08") + "TRV-40\r\n";
    const QByteArray version = hex("AACC06") + "V1.0.3\r\n";
    const QByteArray erase = hex("AACC09") + "ERASE END\r\n";
    QTest::newRow("model while the window holds the port")
        << false << model << QStringList{} << true;
    QTest::newRow("model during an upgrade")
        << true << model << QStringList{"model:TRV-40"} << true;
    QTest::newRow("version while the window holds the port")
        << false << version << QStringList{} << false;
    QTest::newRow("version during an upgrade")
        << true << version << QStringList{"version:V1.0.3"} << false;
    QTest::newRow("erase end without upgrade link")
        << false << erase << QStringList{"erase:1"} << false;
    QTest::newRow("erase end during an upgrade")
        << true << erase << QStringList{"erase:1"} << false;
}

void TestReceive::bootloaderReplies()
{
    QFETCH(bool, upgradeLink);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expectedSignals);
    QFETCH(bool, versionRequested);

    Link link("Volarix TRV-40 MIDI");
    QVERIFY(link.open());
    link.port->upgradeLink = upgradeLink;
    QVERIFY(link.deliver(bytes));
    QStringList seen = link.log;
    seen.removeLast(); // showdata
    QCOMPARE(seen, expectedSignals);
    const QByteArray request = Protocol::bootloaderRequest(Protocol::VersionRequest);
    if (versionRequested)
        QCOMPARE(link.pty.read(request.size()).toHex(' '), request.toHex(' '));
    else // the link writes and flushes before it emits showdata, so a request would be here
        QVERIFY(link.pty.readNow().isEmpty());
}

void TestReceive::emissionOrder()
{
    // Live-frame records, then the bootloader replies, then showdata, then the packet records.
    Link link("Volarix TRV-40 MIDI");
    QVERIFY(link.open());
    link.port->upgradeLink = true;
    const QByteArray read = hex("09903C7F") + hex("F000215E0102F7");
    QVERIFY(link.deliver(read + hex("AACC09") + "ERASE END\r\n"));
    QCOMPARE(link.log.size(), 4);
    QCOMPARE(link.log.at(0), QStringLiteral("rec4:09903c7f"));
    QCOMPARE(link.log.at(1), QStringLiteral("erase:1"));
    QVERIFY(link.log.at(2).startsWith("show:09903c7ff000215e0102f7"));
    QCOMPARE(link.log.at(3), QStringLiteral("rec0:f000215e0102f7"));
}

void TestReceive::pendingReplyBounded()
{
    Link link("Volarix TRV-40 MIDI");
    QVERIFY(link.open());

    // Regression: frames behind a reply still waiting for its F7 came out again on every read.
    QVERIFY(link.deliver(hex("F000215E10040102")));
    QVERIFY(link.deliver(hex("09903C7F")));
    QVERIFY(link.deliver(hex("0B80407F")));
    QCOMPARE(link.records(), (QStringList{"rec4:09903c7f", "rec4:0b80407f"}));
    QCOMPARE(link.port->pendingBytes().size(), 16);

    // Regression: an F0 whose F7 never comes kept every later byte in the buffer.
    QVERIFY(link.deliver(hex("0B80407F0B80407F")));
    QVERIFY(link.port->pendingBytes().isEmpty());
    QVERIFY(link.deliver(hex("F0") + QByteArray(40, '\x11')));
    QVERIFY(link.port->pendingBytes().isEmpty());

    // The link still cuts what follows.
    link.log.clear();
    QVERIFY(link.deliver(hex("F000215E0104F7")));
    QCOMPARE(link.records(), QStringList{"rec0:f000215e0104f7"});
}

void TestReceive::frameBehindSplitReply()
{
    // Regression: a reply split off the 4-byte grid lost the live frame right behind it.
    const QByteArray readBack = readBackReply();
    for (int split : {5, 13}) {
        Link link("Volarix TRV-40 MIDI");
        QVERIFY(link.open());
        const QByteArray stream = readBack + hex("09903C7F");
        QVERIFY(link.deliver(stream.left(split)));
        QVERIFY(link.deliver(stream.mid(split)));
        QCOMPARE(link.records(),
                 (QStringList{"rec4:09903c7f", "rec2:" + QString::fromLatin1(readBack.toHex())}));
    }
}

void TestReceive::reopeningStartsAfresh()
{
    // A pending reply left from the last connection must not hide the first bytes of the next.
    Link link("Volarix TRV-40 MIDI");
    QVERIFY(link.open());
    QVERIFY(link.deliver(hex("F000215E100401020304")));
    QCOMPARE(link.port->pendingBytes().size(), 10);
    link.port->close();
    QVERIFY(link.open());
    QVERIFY(link.port->pendingBytes().isEmpty());
    link.log.clear();
    QVERIFY(link.deliver(hex("09903C7F0B80407F")));
    QCOMPARE(link.records(), (QStringList{"rec4:09903c7f", "rec4:0b80407f"}));
}

QTEST_MAIN(TestReceive)
#include "tst_receive.moc"
