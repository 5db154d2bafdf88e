// What the link reports when the device behind its open port goes away and comes back, over
// real pseudo-terminals: emulated pedals and bootloaders unplugged, re-plugged and taken out of
// the catalog; and what a failed opening leaves for the user and in the log.
#include "link/serialport.h"
#include "promptscript.h"
#include "sim/emulatedbootloader.h"
#include "sim/emulatedcatalog.h"
#include "sim/emulatedpedal.h"
#include "testdir.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

namespace {
constexpr int kPromptlyMs = 1000; // the user learns of an unplug within a second
constexpr int kWaitMs = 5000;
// Long enough for several presence polls and list refreshes.
constexpr int kQuietMs = 2 * SerialPort::kPresencePollMs;

enum class Vanish { Unplug, LeaveCatalog };
} // namespace
Q_DECLARE_METATYPE(Vanish)

class TestPresence : public QObject
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

    void goneAndBack_data();
    void goneAndBack();
    void noReportWithoutAnUnplug();
    void twinTakesOverTheEntry();
    void failedOpeningIsShownAndLogged_data();
    void failedOpeningIsShownAndLogged();

private:
    std::unique_ptr<ScopedWorkingDir> workDir;
    EmulatedCatalog *catalog = nullptr;
};

void TestPresence::goneAndBack_data()
{
    QTest::addColumn<bool>("bootloader");
    QTest::addColumn<Vanish>("vanish");
    QTest::addColumn<bool>("stableName");

    QTest::newRow("pedal unplugged") << false << Vanish::Unplug << true;
    QTest::newRow("bootloader unplugged") << true << Vanish::Unplug << true;
    QTest::newRow("pedal gone from the catalog, tty still up")
        << false << Vanish::LeaveCatalog << false;
    QTest::newRow("bootloader gone from the catalog, tty still up")
        << true << Vanish::LeaveCatalog << false;
}

void TestPresence::goneAndBack()
{
    QFETCH(bool, bootloader);
    QFETCH(Vanish, vanish);
    QFETCH(bool, stableName);

    EmulatedBootloader loader(QStringLiteral("TRV-40"));
    EmulatedPedal pedal(QStringLiteral("TRV-50"), 4);
    EmulatedPort *device = bootloader ? static_cast<EmulatedPort *>(&loader) : &pedal;
    const auto listDevice = [&] {
        if (bootloader)
            catalog->addBootloader(&loader);
        else
            catalog->addPedal(&pedal);
    };
    listDevice();
    if (stableName)
        device->setStablePortName(workDir->filePath(QStringLiteral("usb-Volarix-if00")));

    PromptScript script;
    QComboBox list;
    SerialPort port(&list);
    QCOMPARE(list.count(), 1);
    QVERIFY(port.openDevicePort(list.currentData().toString(), 115200));
    QSignalSpy disconnected(&port, &SerialPort::portDisconnected);
    QSignalSpy reconnected(&port, &SerialPort::portReconnected);
    QSignalSpy errors(&port, &QSerialPort::errorOccurred);
    QVERIFY(!disconnected.wait(kQuietMs)); // listed and open: nothing to report

    QElapsedTimer clock;
    clock.start();
    if (vanish == Vanish::Unplug)
        device->unplug();
    else
        catalog->clear();
    QVERIFY2(disconnected.wait(kPromptlyMs), "no report within a second");
    qInfo("unplug reported after %lld ms", clock.elapsed());
    QCOMPARE(disconnected.count(), 1);
    QCOMPARE(disconnected.first().first().toString(), port.portName());

    if (vanish == Vanish::Unplug) {
        // A hung-up tty keeps its read notifier firing: the link closes it itself, and the
        // event loop goes quiet.
        QTRY_VERIFY_WITH_TIMEOUT(!port.isOpen(), kWaitMs);
        const int errorsSoFar = errors.count();
        QVERIFY2(errorsSoFar < 10, qPrintable(QString::number(errorsSoFar)));
        QVERIFY(!errors.wait(kQuietMs));
        QVERIFY(device->plugIn());
    } else {
        QVERIFY(!disconnected.wait(kQuietMs));
        listDevice();
    }
    QVERIFY(reconnected.wait(kWaitMs));
    QCOMPARE(reconnected.count(), 1);
    QCOMPARE(reconnected.first().first().toString(), port.portName());
    QCOMPARE(disconnected.count(), 1);

    // Reported once: nothing more while it stays.
    QVERIFY(!reconnected.wait(kQuietMs));
    QCOMPARE(disconnected.count(), 1);
    QCOMPARE(script.unexpected, 0);
}

void TestPresence::noReportWithoutAnUnplug()
{
    EmulatedPedal pedal(QStringLiteral("ZB-8"), 8);
    EmulatedPedal unlisted(QStringLiteral("ZB-4"), 4);
    catalog->addPedal(&pedal);
    PromptScript script;
    QComboBox list;
    SerialPort port(&list);
    QSignalSpy disconnected(&port, &SerialPort::portDisconnected);
    QSignalSpy reconnected(&port, &SerialPort::portReconnected);

    // Disconnected on purpose, then unplugged and plugged in: the link holds nothing.
    QVERIFY(port.openDevicePort(list.currentData().toString(), 115200));
    port.close();
    pedal.unplug();
    QVERIFY(!disconnected.wait(kQuietMs));
    QVERIFY(pedal.plugIn());
    QVERIFY(!reconnected.wait(kQuietMs));

    // A port opened by a name the catalog never listed is not taken for a vanished one.
    QVERIFY(port.openDevicePort(unlisted.portName(), 115200));
    QVERIFY(!disconnected.wait(kQuietMs));
    QVERIFY(port.isOpen());
    QCOMPARE(script.unexpected, 0);
}

void TestPresence::twinTakesOverTheEntry()
{
    // Two pedals with one product name: one entry. The first unplugged, Connect reaches the
    // second instead of failing with "Device error".
    EmulatedPedal first(QStringLiteral("TRV-40"), 2);
    EmulatedPedal twin(QStringLiteral("TRV-40"), 2);
    catalog->addPedal(&first);
    catalog->addPedal(&twin);
    PromptScript script;
    QComboBox list;
    SerialPort port(&list);
    QCOMPARE(list.count(), 1);
    QCOMPARE(list.currentData().toString(), first.portName());

    first.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(list.currentData().toString(), twin.portName(), kWaitMs);
    QCOMPARE(list.count(), 1);
    QVERIFY(port.openDevicePort(list.currentData().toString(), 115200));
    QCOMPARE(script.boxes.size(), 0);
    QCOMPARE(script.unexpected, 0);
}

void TestPresence::failedOpeningIsShownAndLogged_data()
{
    QTest::addColumn<bool>("inUse");
    QTest::newRow("device vanished before Connect") << false;
    QTest::newRow("port held by another program") << true;
}

void TestPresence::failedOpeningIsShownAndLogged()
{
    QFETCH(bool, inUse);
    EmulatedPedal pedal(QStringLiteral("TRV-50"), 4);
    // Under a name of its own: a freed pseudo-terminal number may go to another test at once.
    pedal.setStablePortName(workDir->filePath(QStringLiteral("usb-Volarix_TRV-50")));
    catalog->addPedal(&pedal);
    PromptScript script;
    QComboBox list;
    SerialPort port(&list);
    const QString name = list.currentData().toString();

    QSerialPort other;
    if (inUse) {
        other.setPortName(name);
        QVERIFY(other.open(QIODevice::ReadWrite));
    } else {
        pedal.unplug();
    }
    // The log names the port and the reason the system gave; the user sees "Device error".
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression(
            QStringLiteral("^cannot open %1 - \\S.*$").arg(QRegularExpression::escape(name))));
    script.answer(QMessageBox::Ok);
    QVERIFY(!port.openDevicePort(name, 115200));
    QCOMPARE(script.boxes.size(), 1);
    QCOMPARE(script.boxes.first().text, QStringLiteral("Device error"));
    QCOMPARE(script.boxes.first().buttons, QStringList{"OK"});
    QVERIFY(!port.isOpen());
    QCOMPARE(script.unexpected, 0);
}

QTEST_MAIN(TestPresence)
#include "tst_presence.moc"
