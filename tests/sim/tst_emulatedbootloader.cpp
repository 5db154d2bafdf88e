// The emulated bootloader driven by the tool's own link over a real pseudo-terminal: listed
// under its bootloader name, recognised by the link's reply rules, erased, fed an image block
// by block, and each named failure seen from the tool's side.
#include "link/serialport.h"
#include "promptscript.h"
#include "protocol/messages.h"
#include "sim/emulatedbootloader.h"
#include "sim/emulatedcatalog.h"
#include "sim/emulatedpedal.h"
#include "sim/upgradablepedal.h"
#include "testdir.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

namespace {
constexpr int kWaitMs = 5000;
constexpr int kBlock = 64;
constexpr int kShortEraseMs = 40;

QByteArray imageOf(int size, quint32 seed)
{
    QByteArray image(size, '\0');
    QRandomGenerator random(seed);
    for (char &byte : image)
        byte = char(random.bounded(256));
    return image;
}

// The tool's side: the link, its port selector filled from the catalog, every reply recorded.
struct Tool
{
    Tool() : port(&list)
    {
        QObject::connect(&port, &SerialPort::send_MTD, [this](const QString &m) { model = m; });
        QObject::connect(&port, &SerialPort::send_vesion,
                         [this](const QString &v) { version = v; });
        QObject::connect(&port, &SerialPort::send_erase, [this](bool) { ++eraseEnds; });
    }
    ~Tool() { port.close(); }

    bool open(const QString &name)
    {
        port.initPort();
        list.setCurrentIndex(list.findText(name));
        if (!port.openDevicePort(list.currentData().toString(), 115200))
            return false;
        port.upgradeLink = true;
        return true;
    }
    void request(Protocol::BootloaderCode code)
    {
        port.write(Protocol::bootloaderRequest(code));
        port.flush();
    }

    QComboBox list;
    SerialPort port;
    QString model;
    QString version;
    int eraseEnds = 0;
};
} // namespace

class TestEmulatedBootloader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<QSerialPort::SerialPortError>(); }
    void init()
    {
        workDir = std::make_unique<ScopedWorkingDir>();
        catalog = EmulatedCatalog::installNew();
    }
    void cleanup()
    {
        PortCatalog::install(nullptr);
        workDir.reset();
    }

    void listedBesideThePedal();
    void stablePortNameSurvivesReplug();
    void upgrade_data();
    void upgrade();
    void stallLeavesTheRestWithTheTool();
    void eraseSwallowsWhatArrivesMeanwhile();
    void pedalThroughItsBootloaderAndBack_data();
    void pedalThroughItsBootloaderAndBack();

private:
    std::unique_ptr<ScopedWorkingDir> workDir;
    EmulatedCatalog *catalog = nullptr;
};

void TestEmulatedBootloader::listedBesideThePedal()
{
    EmulatedPedal pedal(QStringLiteral("TRV-40"), 2);
    EmulatedBootloader loader(QStringLiteral("TRV-40"));
    EmulatedBootloader renamed(QStringLiteral("ZB-5"));
    QCOMPARE(loader.productName(), QStringLiteral("TRV-40 Bootloader"));
    QCOMPARE(loader.eraseDelay(), EmulatedBootloader::kDefaultEraseDelayMs);
    QCOMPARE(loader.vendorId(), pedal.vendorId());
    QVERIFY(loader.productId() != pedal.productId());
    QVERIFY(loader.productId() != renamed.productId());
    renamed.setProductName(QStringLiteral("trv-40 bootloader"));

    catalog->addPedal(&pedal);
    catalog->addBootloader(&loader);
    catalog->addBootloader(&renamed);
    catalog->addBootloader(&loader); // once only
    QCOMPARE(catalog->bootloaders(), (QList<EmulatedBootloader *>{&loader, &renamed}));
    QCOMPARE(catalog->pedals(), QList<EmulatedPedal *>{&pedal});

    QComboBox list;
    SerialPort port(&list);
    QStringList listed;
    for (int i = 0; i < list.count(); ++i)
        listed << list.itemText(i) + '@' + list.itemData(i).toString();
    QCOMPARE(listed, (QStringList{pedal.productName() + '@' + pedal.portName(),
                                  "TRV-40 Bootloader@" + loader.portName(),
                                  "trv-40 bootloader@" + renamed.portName()}));

    // Gone while unplugged, back under a new terminal when plugged in again.
    QSignalSpy unplugged(&loader, &EmulatedPort::unplugged);
    loader.unplug();
    QCOMPARE(unplugged.count(), 1);
    QCOMPARE(catalog->availablePorts().size(), 2);
    QVERIFY(loader.plugIn());
    QCOMPARE(catalog->availablePorts().size(), 3);
    catalog->removeBootloader(&renamed);
    QCOMPARE(catalog->availablePorts().size(), 2);
}

void TestEmulatedBootloader::stablePortNameSurvivesReplug()
{
    EmulatedBootloader loader(QStringLiteral("TRV-50"));
    const QString stable = workDir->filePath(QStringLiteral("usb-Volarix_TRV-50_Bootloader"));
    loader.setStablePortName(stable);
    QCOMPARE(loader.portName(), stable);
    QCOMPARE(QFileInfo(stable).symLinkTarget(), loader.terminalPath());

    QSignalSpy pluggedIn(&loader, &EmulatedPort::pluggedIn);
    loader.unplug();
    QVERIFY(!QFileInfo(stable).isSymLink());
    QVERIFY(loader.portName().isEmpty());
    QVERIFY(loader.plugIn());
    QCOMPARE(pluggedIn.at(0).at(0).toString(), stable);
    QCOMPARE(QFileInfo(stable).symLinkTarget(), loader.terminalPath());

    // The tool opens it by that name and is answered.
    catalog->addBootloader(&loader);
    PromptScript script;
    Tool tool;
    QVERIFY(tool.open(loader.productName()));
    QCOMPARE(tool.list.currentData().toString(), stable);
    tool.request(Protocol::DeviceInfoRequest);
    QTRY_COMPARE_WITH_TIMEOUT(tool.version, QStringLiteral("V1.0.3"), kWaitMs);
    QCOMPARE(tool.model, QStringLiteral("TRV-50"));
    QCOMPARE(script.unexpected, 0);
}

void TestEmulatedBootloader::upgrade_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<int>("failureBytes");
    QTest::addColumn<int>("imageSize");
    QTest::addColumn<bool>("eraseEnds");
    QTest::addColumn<int>("stored"); // image bytes the device ends up with
    QTest::addColumn<bool>("vanishes");

    using B = EmulatedBootloader;
    QTest::newRow("1000 bytes in fifteen blocks and one of 40")
        << int(B::NoFailure) << 0 << 1000 << true << 1000 << false;
    QTest::newRow("64 bytes, one block") << int(B::NoFailure) << 0 << 64 << true << 64 << false;
    QTest::newRow("65 bytes, 64 + 1") << int(B::NoFailure) << 0 << 65 << true << 65 << false;
    QTest::newRow("erase never ends") << int(B::EraseNeverEnds) << 0 << 1000 << false << 0 << false;
    QTest::newRow("vanish during erase")
        << int(B::VanishDuringErase) << 0 << 1000 << false << 0 << true;
    QTest::newRow("vanish after 100 image bytes, inside a block")
        << int(B::VanishAfterImageBytes) << 100 << 1000 << true << 100 << true;
    QTest::newRow("vanish after the first block")
        << int(B::VanishAfterImageBytes) << 64 << 1000 << true << 64 << true;
    QTest::newRow("vanish at the first image byte")
        << int(B::VanishAfterImageBytes) << 0 << 1000 << true << 0 << true;
    QTest::newRow("stall after 130 image bytes")
        << int(B::StallAfterImageBytes) << 130 << 1000 << true << 130 << false;
}

void TestEmulatedBootloader::upgrade()
{
    QFETCH(int, failure);
    QFETCH(int, failureBytes);
    QFETCH(int, imageSize);
    QFETCH(bool, eraseEnds);
    QFETCH(int, stored);
    QFETCH(bool, vanishes);

    EmulatedBootloader loader(QStringLiteral("TRV-40"));
    loader.setFirmwareVersion(QStringLiteral("V1.2.0"));
    loader.setEraseDelay(kShortEraseMs);
    loader.setFailure(EmulatedBootloader::Failure(failure), failureBytes);
    catalog->addBootloader(&loader);
    QSignalSpy erased(&loader, &EmulatedBootloader::eraseRequested);
    QSignalSpy eraseFinished(&loader, &EmulatedBootloader::eraseFinished);
    QSignalSpy unplugged(&loader, &EmulatedPort::unplugged);
    QSignalSpy progress(&loader, &EmulatedBootloader::imageBytesReceived);

    PromptScript script;
    Tool tool;
    QVERIFY(tool.open(QStringLiteral("TRV-40 Bootloader")));
    QSignalSpy portGone(&tool.port, &SerialPort::portDisconnected);

    // Model, then the version the link asks for by itself.
    tool.request(Protocol::DeviceInfoRequest);
    QTRY_COMPARE_WITH_TIMEOUT(tool.version, QStringLiteral("V1.2.0"), kWaitMs);
    QCOMPARE(tool.model, QStringLiteral("TRV-40"));
    QCOMPARE(loader.phase(), EmulatedBootloader::Listening);

    tool.request(Protocol::EraseRequest);
    QTRY_COMPARE_WITH_TIMEOUT(erased.count(), 1, kWaitMs);
    if (!eraseEnds) {
        // Either silence or a hang-up; nothing that looks like a finished erase.
        QVERIFY(!eraseFinished.wait(kShortEraseMs * 5));
        QCOMPARE(tool.eraseEnds, 0);
        QCOMPARE(unplugged.count(), vanishes ? 1 : 0);
        QTRY_COMPARE_WITH_TIMEOUT(portGone.count(), vanishes ? 1 : 0, kWaitMs);
        QCOMPARE(loader.image().size(), 0);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(tool.eraseEnds, 1, kWaitMs);
    QCOMPARE(loader.phase(), EmulatedBootloader::Receiving);
    QCOMPARE(loader.requests(),
             (QList<QByteArray>{Protocol::bootloaderRequest(Protocol::DeviceInfoRequest),
                                Protocol::bootloaderRequest(Protocol::VersionRequest),
                                Protocol::bootloaderRequest(Protocol::EraseRequest)}));

    // The image in 64-byte blocks, each written whole, as the upgrade does.
    const QByteArray image = imageOf(imageSize, quint32(imageSize + failure));
    for (int at = 0; at < image.size(); at += kBlock) {
        const QByteArray block = image.mid(at, kBlock);
        if (!portGone.isEmpty())
            break;
        QCOMPARE(tool.port.write(block), qint64(block.size()));
        tool.port.flush();
        const int end = at + block.size();
        if (vanishes && end > stored)
            QTRY_COMPARE_WITH_TIMEOUT(unplugged.count(), 1, kWaitMs);
        else
            QTRY_COMPARE_WITH_TIMEOUT(loader.image().size(), qMin(stored, end), kWaitMs);
    }
    QCOMPARE(loader.image(), image.left(stored));
    if (stored > 0)
        QCOMPARE(progress.last().at(0).toLongLong(), qint64(stored));
    QCOMPARE(unplugged.count(), vanishes ? 1 : 0);
    // The tool's link learns of a vanishing as of a real unplug: a hung-up terminal.
    QTRY_COMPARE_WITH_TIMEOUT(portGone.count(), vanishes ? 1 : 0, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(tool.port.isOpen(), !vanishes, kWaitMs); // closed after the report
    QCOMPARE(loader.isPlugged(), !vanishes);
    QCOMPARE(script.unexpected, 0);
}

void TestEmulatedBootloader::stallLeavesTheRestWithTheTool()
{
    // A port never reports a short write on Linux: the stalled device shows as bytes the tool
    // cannot get rid of and, once the terminal is full, as a resource error from the flush.
    EmulatedBootloader loader(QStringLiteral("ZB-5"));
    loader.setEraseDelay(kShortEraseMs);
    loader.setFailure(EmulatedBootloader::StallAfterImageBytes, 100);
    catalog->addBootloader(&loader);
    PromptScript script;
    Tool tool;
    QVERIFY(tool.open(QStringLiteral("ZB-5 Bootloader")));
    tool.request(Protocol::EraseRequest);
    QTRY_COMPARE_WITH_TIMEOUT(tool.eraseEnds, 1, kWaitMs);

    QSignalSpy portErrors(&tool.port, &QSerialPort::errorOccurred);
    const QByteArray image = imageOf(1024 * 1024, 5);
    for (int at = 0; at < image.size(); at += kBlock)
        QCOMPARE(tool.port.write(image.mid(at, kBlock)), qint64(kBlock));
    tool.port.flush();
    QTRY_COMPARE_WITH_TIMEOUT(loader.image(), image.left(100), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(tool.port.bytesToWrite() > 0 && !tool.port.flush(), kWaitMs);
    QVERIFY(!portErrors.isEmpty());
    QCOMPARE(portErrors.last().at(0).value<QSerialPort::SerialPortError>(),
             QSerialPort::ResourceError);
    QVERIFY(tool.port.isOpen());
    QVERIFY(!tool.port.deviceGone());

    // Lifted: the device reads on and takes everything that waited, in order.
    loader.setFailure(EmulatedBootloader::NoFailure);
    QTRY_COMPARE_WITH_TIMEOUT(loader.image().size(), image.size(), kWaitMs * 2);
    QVERIFY(loader.image() == image);
}

void TestEmulatedBootloader::eraseSwallowsWhatArrivesMeanwhile()
{
    EmulatedBootloader loader(QStringLiteral("TRV-40"));
    loader.setEraseDelay(kShortEraseMs);
    catalog->addBootloader(&loader);
    PromptScript script;
    Tool tool;
    QVERIFY(tool.open(QStringLiteral("TRV-40 Bootloader")));
    QSignalSpy eraseFinished(&loader, &EmulatedBootloader::eraseFinished);

    // Written together with the erase request: lost in the erase, never image.
    tool.port.write(Protocol::bootloaderRequest(Protocol::EraseRequest) + "early");
    tool.port.flush();
    QVERIFY(eraseFinished.wait(kWaitMs));
    QVERIFY(loader.image().isEmpty());

    // After the erase a request is image like any other byte, and goes unanswered.
    const QByteArray request = Protocol::bootloaderRequest(Protocol::DeviceInfoRequest);
    tool.request(Protocol::DeviceInfoRequest);
    QTRY_COMPARE_WITH_TIMEOUT(loader.image(), request, kWaitMs);
    QCOMPARE(loader.sent(), "\xAA\xCC\x09"
                            "ERASE END\r\n");

    // Plugged in again, it listens for requests and keeps the image until the next erase.
    loader.unplug();
    tool.port.initPort(); // the entry goes with the old terminal
    QVERIFY(loader.plugIn());
    QCOMPARE(loader.phase(), EmulatedBootloader::Listening);
    QCOMPARE(loader.image(), request);
    tool.port.close();
    QVERIFY(tool.open(QStringLiteral("TRV-40 Bootloader")));
    tool.request(Protocol::DeviceInfoRequest);
    QTRY_COMPARE_WITH_TIMEOUT(tool.model, QStringLiteral("TRV-40"), kWaitMs);
    tool.request(Protocol::EraseRequest);
    QTRY_VERIFY_WITH_TIMEOUT(loader.image().isEmpty(), kWaitMs);
    QCOMPARE(script.unexpected, 0);
}

void TestEmulatedBootloader::pedalThroughItsBootloaderAndBack_data()
{
    QTest::addColumn<int>("reenumerationMs");
    QTest::addColumn<int>("quietMs"); // 0: restarted on demand
    QTest::addColumn<QString>("givenVersion");
    QTest::addColumn<QByteArray>("imageText");
    QTest::addColumn<QString>("versionAfter");

    QTest::newRow("real re-enumeration, restarts when the image is done")
        << UpgradablePedal::kDefaultReenumerationMs << 300 << QString()
        << QByteArray("TRV-40_V1.2.0") << "V1.2.0";
    QTest::newRow("restarted on demand, version given")
        << 100 << 0 << QString("V2.0.1") << QByteArray("V1.2.0") << "V2.0.1";
    QTest::newRow("image without a version keeps the old one")
        << 100 << 0 << QString() << QByteArray("no name here") << "V1.0.3";
}

void TestEmulatedBootloader::pedalThroughItsBootloaderAndBack()
{
    QFETCH(int, reenumerationMs);
    QFETCH(int, quietMs);
    QFETCH(QString, givenVersion);
    QFETCH(QByteArray, imageText);
    QFETCH(QString, versionAfter);

    UpgradablePedal device(catalog, QStringLiteral("TRV-40"), 2);
    device.setReenumerationDelay(reenumerationMs);
    device.setRestartWhenQuietFor(quietMs);
    device.setUpgradedVersion(givenVersion);
    device.bootloader()->setEraseDelay(kShortEraseMs);
    const QString pedalName = device.pedal()->productName();
    QSignalSpy modes(&device, &UpgradablePedal::modeChanged);

    PromptScript script;
    Tool tool;
    QVERIFY(tool.open(pedalName));
    QCOMPARE(tool.list.count(), 1); // the bootloader is not there yet
    QSignalSpy portGone(&tool.port, &SerialPort::portDisconnected);

    // The request: the pedal leaves at once, its bootloader comes a re-enumeration later.
    QElapsedTimer clock;
    clock.start();
    tool.request(Protocol::EnterUpgradeModeRequest);
    QTRY_COMPARE_WITH_TIMEOUT(portGone.count(), 1, kWaitMs);
    QCOMPARE(device.mode(), UpgradablePedal::EnteringBootloader);
    QTRY_COMPARE_WITH_TIMEOUT(device.mode(), UpgradablePedal::BootloaderMode, kWaitMs);
    QVERIFY(clock.elapsed() >= reenumerationMs);
    tool.port.initPort();
    QCOMPARE(tool.list.count(), 1);
    QCOMPARE(tool.list.itemText(0), QStringLiteral("TRV-40 Bootloader"));

    QVERIFY(tool.open(QStringLiteral("TRV-40 Bootloader")));
    tool.request(Protocol::DeviceInfoRequest);
    QTRY_COMPARE_WITH_TIMEOUT(tool.version, QStringLiteral("V1.0.3"), kWaitMs);
    QCOMPARE(tool.model, QStringLiteral("TRV-40"));
    tool.request(Protocol::EraseRequest);
    QTRY_COMPARE_WITH_TIMEOUT(tool.eraseEnds, 1, kWaitMs);
    const QByteArray image = imageOf(300, 9) + imageText + imageOf(200, 10);
    for (int at = 0; at < image.size(); at += kBlock)
        tool.port.write(image.mid(at, kBlock));
    tool.port.flush();
    QTRY_COMPARE_WITH_TIMEOUT(device.bootloader()->image(), image, kWaitMs);

    if (quietMs == 0) {
        QVERIFY(!modes.wait(300)); // stays a bootloader until restarted
        device.restart();
    }
    QTRY_COMPARE_WITH_TIMEOUT(device.mode(), UpgradablePedal::PedalMode, kWaitMs * 2);
    QCOMPARE(modes.size(), 4);
    QTRY_COMPARE_WITH_TIMEOUT(tool.list.findText(pedalName), 0, kWaitMs);
    QCOMPARE(tool.list.count(), 1);

    // Back as the pedal, with the new version; what it stored survived the upgrade.
    tool.port.close();
    tool.model.clear();
    tool.version.clear();
    QVERIFY(tool.open(pedalName));
    tool.request(Protocol::DeviceInfoRequest);
    QTRY_COMPARE_WITH_TIMEOUT(tool.version, versionAfter, kWaitMs);
    QCOMPARE(device.pedal()->firmwareVersion(), versionAfter);
    QCOMPARE(script.unexpected, 0);
}

QTEST_MAIN(TestEmulatedBootloader)
#include "tst_emulatedbootloader.moc"
