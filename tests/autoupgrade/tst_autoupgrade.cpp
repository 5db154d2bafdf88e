// The automatic firmware upgrade from the main window, end to end: the pedal's model and
// version read from the stream, the check against the real local HTTPS server, the prompt,
// the download, the pedal re-appearing as its bootloader, the search and the upgrade itself.
#include "app/widget.h"
#include "link/serialport.h"
#include "localupdateserver.h"
#include "promptscript.h"
#include "settle.h"
#include "sim/emulatedbootloader.h"
#include "sim/emulatedcatalog.h"
#include "sim/emulatedpedal.h"
#include "testdir.h"
#include "ui_widget.h"
#include "update/netfetch.h"
#include "update/serverpaths.h"
#include "upgrade/autoupgrade.h"
#include "upgrade/upgrade_dialog.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

Q_DECLARE_METATYPE(LocalUpdateServer::Failure)

namespace {

using Rules = AutoUpgradeRules::PedalInfo;

constexpr int kShortSearchMs = 1500;
constexpr int kShortPauseMs = 100;
constexpr int kReenumerateMs = 300;
const QByteArray kEnterUpgradeMode = QByteArray::fromHex("AACC0200090D0A");
const QString kTimeoutText = QStringLiteral("Bootloader device not found (timeout).\nPlease "
                                            "check: device in upgrade mode, USB cable, driver, "
                                            "then try again.");

QByteArray patternImage(int size)
{
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char((i * 7 + 3) & 0xFF);
    return image;
}

QString descriptionPath(const QString &model)
{
    return UpdateServer::mainWindowModelFor(model)->descriptionPath;
}

// Watches the GUI thread: the longest time between two 10 ms ticks is how long it was blocked.
struct BlockWatch
{
    QTimer tick;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    BlockWatch()
    {
        clock.start();
        tick.setInterval(10);
        QObject::connect(&tick, &QTimer::timeout, [this] {
            longest = qMax(longest, clock.elapsed() - last);
            last = clock.elapsed();
        });
        tick.start();
    }
};

// A main window, a pedal plugged in and, once the pedal is told to enter upgrade mode, the
// pedal gone and its bootloader plugged in under `bootloaderName` a moment later.
struct Rig
{
    ScopedWorkingDir dir;
    PromptScript script;
    EmulatedCatalog *catalog = EmulatedCatalog::installNew();
    EmulatedPedal pedal;
    std::unique_ptr<EmulatedBootloader> boot;
    QString bootloaderName;
    Widget window;
    Ui::Widget *ui = window.form();
    upgrade_dialog *dialog = window.upgradeDialog();
    QSignalSpy versionNames{&window, &Widget::send_mtd_version};
    QStringList log;

    Rig(const QString &model, const QString &version, const QString &bootName = {})
        : pedal(model, 2), bootloaderName(bootName)
    {
        pedal.setFirmwareVersion(version);
        catalog->addPedal(&pedal);
        QObject::connect(&pedal, &EmulatedPedal::requestReceived, &pedal,
                         [this, model](const QByteArray &request) {
                             if (request != kEnterUpgradeMode || bootloaderName.isEmpty())
                                 return;
                             QTimer::singleShot(0, &pedal, [this] { pedal.unplug(); });
                             QTimer::singleShot(kReenumerateMs, &pedal, [this, model] {
                                 boot = std::make_unique<EmulatedBootloader>(model);
                                 boot->setProductName(bootloaderName);
                                 catalog->addBootloader(boot.get());
                             });
                         });
        QObject::connect(dialog, &upgrade_dialog::logLineAppended,
                         [this](const QString &line) { log << line; });
        window.show();
    }

    bool connectPedal()
    {
        if (!QTest::qWaitFor(
                [this] { return ui->comboBox_ComDevices->findText(pedal.productName()) >= 0; },
                4000))
            return false;
        ui->comboBox_ComDevices->setCurrentIndex(
            ui->comboBox_ComDevices->findText(pedal.productName()));
        QTest::mouseClick(ui->connectButton, Qt::LeftButton);
        return window.port()->isOpen();
    }

    bool pedalToldToUpgrade() const { return pedal.requests().contains(kEnterUpgradeMode); }
    QStringList boxTitles() const
    {
        QStringList titles;
        for (const SeenBox &box : script.boxes)
            titles << box.title;
        return titles;
    }
};

} // namespace

class TestAutoUpgrade : public QObject
{
    Q_OBJECT

    QTemporaryDir root;
    std::unique_ptr<LocalUpdateServer> server;

    void publish(const QString &model, const QString &versionName, const QByteArray &image,
                 const QByteArray &content = "1. Smoother curve\n2. Faster start  \n")
    {
        QVERIFY(server->putFile(descriptionPath(model),
                                versionName.toUtf8() + "\r\nUpdate content:\r\n" + content));
        QVERIFY(server->putFile(UpdateServer::firmwareImagePath(model, versionName), image));
    }
    int requestsFor(const QString &path) const { return server->requestedPaths().count(path); }

private slots:
    void initTestCase()
    {
        server = std::make_unique<LocalUpdateServer>(root.path());
        QVERIFY2(server->start(), qPrintable(server->errorString()));
        server->trustOnlyThisServer();
        QVERIFY(UpdateServer::setBaseAddress(server->baseAddress()));
        qRegisterMetaType<QSerialPort::SerialPortError>();
    }
    void init()
    {
        AutoUpgrade::setLongWaitsForTests(kShortSearchMs, kShortPauseMs);
        upgrade_dialog::setLongWaitsForTests(10000, 200);
        server->clearFailures();
    }
    void cleanup() { PortCatalog::install(nullptr); }
    void cleanupTestCase() { server.reset(); }

    void readingModelAndVersion_data();
    void readingModelAndVersion();
    void bootloaderEntries_data();
    void bootloaderEntries();
    void upgradeFromConnectToSuccess();
    void bootloaderSearch_data();
    void bootloaderSearch();
    void promptDecision_data();
    void promptDecision();
    void promptOncePerConnection();
    void promptSuppressedWhileDialogHoldsPort();
    void nothingToWrite_data();
    void nothingToWrite();
    void connectFailures_data();
    void connectFailures();
};

void TestAutoUpgrade::readingModelAndVersion_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<bool>("ignored");
    QTest::addColumn<QString>("model");   // "-": unchanged
    QTest::addColumn<QString>("version"); // "-": unchanged
    const QByteArray modelReply = QByteArray::fromHex("AACC05") + "TRV-40\r\n";
    const QByteArray versionReply = QByteArray::fromHex("AACC06") + "V1.0.2\r\n";
    QTest::newRow("model reply") << modelReply << false << "TRV-40"
                                 << "-";
    QTest::newRow("version reply") << versionReply << false << "-"
                                   << "V1.0.2";
    // A model in the buffer wins: the version beside it is not read from the same buffer.
    QTest::newRow("both") << modelReply + versionReply << false << "TRV-40"
                          << "-";
    QTest::newRow("ZB before TRV") << QByteArray("TRV-40 ZB-5\r\n") << false << "ZB-5"
                                   << "-";
    QTest::newRow("model without line end")
        << QByteArray::fromHex("AACC05") + "ZB-40" << false << "-"
        << "-";
    QTest::newRow("version without line end")
        << QByteArray::fromHex("AACC06") + "V1.0.2" << false << "-"
        << "-";
    QTest::newRow("erase end") << QByteArray("\xAA\xCC\x09"
                                             "ERASE END\r\nTRV-40\r\n")
                               << true << "-"
                               << "-";
    QTest::newRow("seven bytes") << QByteArray("TRV-4\r\n") << true << "-"
                                 << "-";
    QTest::newRow("reset") << QByteArray("Reset TRV-40\r\n") << true << "-"
                           << "-";
    QTest::newRow("o at byte 6") << QByteArray::fromHex("AACC06") + "V1.o.2\r\n"
                                 << false << "-"
                                 << "-";
}

void TestAutoUpgrade::readingModelAndVersion()
{
    QFETCH(QByteArray, buffer);
    QFETCH(bool, ignored);
    QFETCH(QString, model);
    QFETCH(QString, version);
    const Rules info = AutoUpgradeRules::readPedalInfo(buffer);
    QCOMPARE(info.ignored, ignored);
    QCOMPARE(info.model.value_or("-"), model);
    QCOMPARE(info.version.value_or("-"), version);
}

void TestAutoUpgrade::bootloaderEntries_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("bootloader");
    QTest::newRow("usual") << "TRV-40 Bootloader" << true;
    QTest::newRow("case ignored") << "trv-40 bootloader" << true;
    QTest::newRow("BootLoad") << "ZB-5 BOOTLOAD" << true;
    QTest::newRow("space B") << "ZB-4 Bx" << true;
    QTest::newRow("no marker") << "TRV-40 Loader" << false;
    QTest::newRow("model not known here") << "TRV-60 Bootloader" << false;
    QTest::newRow("pedal") << "Volarix TRV-50 USB MIDI Pedal" << false;
}

void TestAutoUpgrade::bootloaderEntries()
{
    QFETCH(QString, name);
    QFETCH(bool, bootloader);
    QCOMPARE(AutoUpgradeRules::isBootloaderEntry(name), bootloader);
}

void TestAutoUpgrade::upgradeFromConnectToSuccess()
{
    // The real 3 s pause: the GUI thread is blocked for it and nothing else.
    AutoUpgrade::setLongWaitsForTests(AutoUpgrade::kSearchTimeoutMs, AutoUpgrade::kPreparePauseMs);
    QCOMPARE(AutoUpgrade::kPreparePauseMs, 3000);
    const QByteArray image = patternImage(1000);
    publish("TRV-40", "TRV-40_V1.1.0", image);
    Rig rig("TRV-40", "V1.0.2", "TRV-40 Bootloader");
    rig.script.answer(QMessageBox::Ok);       // Update Available
    rig.script.answer(QMessageBox::NoButton); // Preparing for the upgrade...
    rig.script.answer(QMessageBox::Ok);       // the dialog's success box
    BlockWatch watch;
    QVERIFY(rig.connectPedal());

    QTRY_VERIFY_WITH_TIMEOUT(rig.boxTitles().contains("Upgrade"), 20000);
    QCOMPARE(rig.boot->image(), image);
    QCOMPARE(rig.boxTitles(), QStringList({"Update Available", "Message", "Upgrade"}));
    QCOMPARE(rig.script.boxes[0].text,
             QString("The current version is TRV-40_V1.0.2\nA new version is available: "
                     "TRV-40_V1.1.0\n\nUpdate Content:\n1. Smoother curve\n2. Faster start  \n"));
    QCOMPARE(rig.script.boxes[0].buttons.size(), 2);
    QVERIFY(!rig.script.boxes[0].hasParent);
    QCOMPARE(rig.script.boxes[1].text, QString("Preparing for the upgrade..."));
    QVERIFY(rig.script.boxes[1].buttons.isEmpty());
    QVERIFY(rig.script.boxes[1].hasParent);
    QCOMPARE(rig.script.boxes[2].text,
             QString("Upgrade successful, please power on the device again."));
    QCOMPARE(rig.script.unexpected, 0);

    QVERIFY(rig.pedalToldToUpgrade());
    QCOMPARE(rig.versionNames.size(), 1);
    QCOMPARE(rig.versionNames[0], QVariantList({"TRV-40", "TRV-40_V1.1.0"}));
    QVERIFY(rig.log.contains("Starting manual upgrade..."));
    QVERIFY(rig.boot->requests().contains(QByteArray::fromHex("AACC0200020D0A")));
    QTRY_VERIFY(!rig.dialog->isVisible());
    QVERIFY(!rig.dialog->autoupdateflag);
    QVERIFY2(watch.longest >= 3000 && watch.longest < 4500,
             qPrintable(QString::number(watch.longest)));
}

void TestAutoUpgrade::bootloaderSearch_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("bootloaderName");
    QTest::addColumn<bool>("found");
    QTest::addColumn<bool>("realTimeout");
    QTest::newRow("case ignored") << "TRV-40"
                                  << "trv-40 bootloader" << true << false;
    QTest::newRow("no bootloader marker") << "TRV-40"
                                          << "TRV-40 Loader" << false << false;
    // A TRV-60 bootloader is not among the names the search knows.
    QTest::newRow("TRV-60 never found") << "TRV-60"
                                        << "TRV-60 Bootloader" << false << false;
    // The same, with the real length in force: the search waits 20 s.
    QTest::newRow("real search length") << "TRV-60"
                                        << "TRV-60 Bootloader" << false << true;
}

void TestAutoUpgrade::bootloaderSearch()
{
    QFETCH(QString, model);
    QFETCH(QString, bootloaderName);
    QFETCH(bool, found);
    QFETCH(bool, realTimeout);
    if (realTimeout) {
        QCOMPARE(AutoUpgrade::kSearchTimeoutMs, 20000);
        AutoUpgrade::setLongWaitsForTests(AutoUpgrade::kSearchTimeoutMs, kShortPauseMs);
    }
    const QByteArray image = patternImage(200);
    publish(model, model + "_V2.0", image);
    Rig rig(model, "V1.0", bootloaderName);
    rig.script.answer(QMessageBox::Ok);
    rig.script.answer(QMessageBox::NoButton);
    rig.script.answer(QMessageBox::Ok); // success, or the time-out box
    QVERIFY(rig.connectPedal());
    QTRY_VERIFY_WITH_TIMEOUT(rig.dialog->isVisible(), 10000);
    if (realTimeout) {
        // Its time-out is the one-shot timer running while the search goes on; how the search
        // ends is the row before, with the short length.
        QTRY_VERIFY(rig.window.autoUpgrade()->isSearching());
        const QList<QTimer *> timers = rig.window.autoUpgrade()->findChildren<QTimer *>();
        QVERIFY(std::any_of(timers.begin(), timers.end(), [](const QTimer *timer) {
            return timer->isActive() && timer->isSingleShot() && timer->interval() == 20000;
        }));
        return;
    }

    QTRY_COMPARE_WITH_TIMEOUT(rig.script.boxes.size(), 3, 15000);
    QCOMPARE(rig.script.unexpected, 0);
    if (found) {
        QCOMPARE(rig.script.boxes[2].title, QString("Upgrade"));
        QCOMPARE(rig.boot->image(), image);
        return;
    }
    QCOMPARE(rig.script.boxes[2].title, QString("Auto Upgrade Failed"));
    QCOMPARE(rig.script.boxes[2].text, kTimeoutText);
    QVERIFY(rig.script.boxes[2].hasParent);
    QVERIFY(rig.boot->received().isEmpty()); // never connected
    QVERIFY(rig.dialog->isVisible());        // the dialog stays open
    QVERIFY(!rig.window.autoUpgrade()->isSearching());
    // The search starts right after the pause that follows the "Message" box.
    const qint64 elapsed =
        rig.script.boxes[2].shownAtMs - rig.script.boxes[1].shownAtMs - kShortPauseMs;
    QVERIFY2(elapsed >= kShortSearchMs && elapsed < kShortSearchMs + 3000,
             qPrintable(QString::number(elapsed)));
}

void TestAutoUpgrade::promptDecision_data()
{
    QTest::addColumn<QString>("pedalVersion");
    QTest::addColumn<QByteArray>("description");
    QTest::addColumn<bool>("prompt");
    QTest::newRow("third number ignored")
        << "V1.2.5" << QByteArray("TRV-40_V1.2.9\nUpdate content: x") << false;
    QTest::newRow("second number")
        << "V1.2.5" << QByteArray("TRV-40_V1.3\nUpdate content: x") << true;
    QTest::newRow("older") << "V2.0" << QByteArray("TRV-40_V1.9\n") << false;
    QTest::newRow("blank first line") << "V1.0" << QByteArray("\nTRV-40_V9.0\n") << false;
    QTest::newRow("another model") << "V1.0" << QByteArray("TRV-50_V9.0\n") << false;
}

void TestAutoUpgrade::promptDecision()
{
    QFETCH(QString, pedalVersion);
    QFETCH(QByteArray, description);
    QFETCH(bool, prompt);
    QVERIFY(server->putFile(descriptionPath("TRV-40"), description));
    Rig rig("TRV-40", pedalVersion);
    if (prompt)
        rig.script.answer(QMessageBox::Cancel);
    QVERIFY(rig.connectPedal());
    QVERIFY(rig.versionNames.wait(5000));
    QCOMPARE(rig.script.boxes.size(), prompt ? 1 : 0);
    QCOMPARE(rig.script.unexpected, 0);
    // Cancelling leaves model and version known and asks for nothing more.
    QCOMPARE(rig.window.currentPedalModel(), QString("TRV-40"));
    QCOMPARE(rig.window.currentPedalVersion(), pedalVersion);
    QVERIFY(!rig.pedalToldToUpgrade());
    QVERIFY(rig.window.port()->isOpen());
}

void TestAutoUpgrade::promptOncePerConnection()
{
    publish("ZB-5", "ZB-5_V3.0", patternImage(100));
    Rig rig("ZB-5", "V2.9");
    rig.script.answer(QMessageBox::Cancel);
    QVERIFY(rig.connectPedal());
    QTRY_COMPARE_WITH_TIMEOUT(rig.script.boxes.size(), 1, 5000);

    // The pedal reports itself again: this connection has been asked.
    const int before = requestsFor(descriptionPath("ZB-5"));
    QVERIFY(rig.pedal.sendRaw(QByteArray::fromHex("AACC05") + "ZB-5\r\n"));
    QTRY_COMPARE(rig.pedal.requests().count(QByteArray::fromHex("AACC0200030D0A")), 2);
    QVERIFY(staysFalse([&] { return requestsFor(descriptionPath("ZB-5")) != before; }, 300));

    // A new connection asks again.
    rig.script.answer(QMessageBox::Cancel);
    QTest::mouseClick(rig.ui->connectButton, Qt::LeftButton); // Disconnect
    QVERIFY(rig.connectPedal());
    QTRY_COMPARE_WITH_TIMEOUT(rig.script.boxes.size(), 2, 5000);
    QCOMPARE(rig.script.unexpected, 0);
}

void TestAutoUpgrade::promptSuppressedWhileDialogHoldsPort()
{
    // The dialog connects to a bootloader that reports an old firmware; the window reads the
    // same replies but neither asks nor fetches while the dialog holds the port.
    publish("TRV-50", "TRV-50_V9.0", patternImage(100));
    ScopedWorkingDir dir;
    PromptScript script;
    EmulatedCatalog *catalog = EmulatedCatalog::installNew();
    EmulatedBootloader boot("TRV-50");
    boot.setFirmwareVersion("V1.0");
    catalog->addBootloader(&boot);
    Widget window;
    upgrade_dialog *dialog = window.upgradeDialog();
    QStringList log;
    connect(dialog, &upgrade_dialog::logLineAppended, [&log](const QString &line) { log << line; });
    dialog->autoupdateflag = true; // keep the dialog's own check out of this
    window.show_ug_dlg_Dialog();
    QTRY_VERIFY(dialog->deviceList()->findText(boot.productName()) >= 0);
    dialog->deviceList()->setCurrentIndex(dialog->deviceList()->findText(boot.productName()));
    const int before = requestsFor(descriptionPath("TRV-50"));
    dialog->on_pushButton_clicked();
    QVERIFY(window.port()->upgradeLink);

    QTRY_VERIFY_WITH_TIMEOUT(log.contains("Current Firmware: V1.0"), 5000);
    QCOMPARE(window.currentPedalModel(), QString("TRV-50"));
    QCOMPARE(window.currentPedalVersion(), QString("V1.0"));
    QVERIFY(staysFalse([&] { return requestsFor(descriptionPath("TRV-50")) != before; }, 300));
    QVERIFY(script.boxes.isEmpty());
    QCOMPARE(script.unexpected, 0);
}

void TestAutoUpgrade::nothingToWrite_data()
{
    QTest::addColumn<LocalUpdateServer::Failure>("failure");
    // Regression: an empty image used to send the pedal into upgrade mode for nothing.
    QTest::newRow("empty image") << LocalUpdateServer::Failure::EmptyBody;
    QTest::newRow("image 404") << LocalUpdateServer::Failure::NotFound;
    QTest::newRow("image redirected") << LocalUpdateServer::Failure::Redirect;
    QTest::newRow("image cut short") << LocalUpdateServer::Failure::CutBody;
}

void TestAutoUpgrade::nothingToWrite()
{
    QFETCH(LocalUpdateServer::Failure, failure);
    publish("TRV-40", "TRV-40_V2.0", patternImage(300));
    const QString image = UpdateServer::firmwareImagePath("TRV-40", "TRV-40_V2.0");
    server->setFailure(image, failure);
    Rig rig("TRV-40", "V1.0", "TRV-40 Bootloader");
    rig.script.answer(QMessageBox::Ok);
    const int before = requestsFor(image);
    QVERIFY(rig.connectPedal());
    QTRY_VERIFY_WITH_TIMEOUT(requestsFor(image) > before, 5000);
    QVERIFY(staysFalse([&] { return rig.boxTitles() != QStringList{"Update Available"}; }, 500));
    QCOMPARE(rig.script.unexpected, 0);
    QVERIFY(!rig.pedalToldToUpgrade());
    QVERIFY(!rig.dialog->isVisible());
}

void TestAutoUpgrade::connectFailures_data()
{
    QTest::addColumn<int>("dialogState");
    QTest::addColumn<QString>("text");
    QTest::newRow("cannot open") << int(UpgradeState::Idle)
                                 << "Connect failed: cannot enter Connected state.\nCheck device "
                                    "mode and whether the port is occupied.";
    // The dialog still settling after an upgrade: Connect fails and its state stays.
    QTest::newRow("never connected") << int(UpgradeState::FinishedSuccess)
                                     << "Connect timeout: waited too long for Connected state.";
}

void TestAutoUpgrade::connectFailures()
{
    QFETCH(int, dialogState);
    QFETCH(QString, text);
    ScopedWorkingDir dir;
    PromptScript script;
    EmulatedCatalog *catalog = EmulatedCatalog::installNew();
    // Listed as a bootloader, but no such port exists.
    CatalogPort ghost;
    ghost.portName = dir.filePath("ttyGhost");
    ghost.hasUsbIds = true;
    ghost.vendorId = 0x3E11;
    ghost.productId = 0x7F01;
    catalog->addOtherPort(ghost, "TRV-40 Bootloader");
    Widget window;
    upgrade_dialog *dialog = window.upgradeDialog();
    upgrade_dialog::setLongWaitsForTests(10000, 10000); // no completion box within the test
    dialog->setUpgradeState(UpgradeState(dialogState));
    script.answer(QMessageBox::Ok); // the link's own box for a port that does not open
    script.answer(QMessageBox::Ok); // the dialog's "Error" box
    script.answer(QMessageBox::Ok); // Auto Upgrade Failed
    QElapsedTimer clock;
    clock.start();
    window.startAutoUpgradeByName(patternImage(64));
    QTRY_COMPARE_WITH_TIMEOUT(script.boxes.size(), 3, 8000);
    QVERIFY(staysFalse([&] { return script.boxes.size() != 3; }, 200));
    QCOMPARE(script.boxes[1].title, QString("Error"));
    QCOMPARE(script.boxes[2].title, QString("Auto Upgrade Failed"));
    QCOMPARE(script.boxes[2].text, text);
    QCOMPARE(script.unexpected, 0);
    QVERIFY(!window.autoUpgrade()->isSearching());
    if (dialogState == int(UpgradeState::FinishedSuccess)) // 61 ticks of 50 ms
        QVERIFY2(clock.elapsed() >= 61 * 50, qPrintable(QString::number(clock.elapsed())));
}

QTEST_MAIN(TestAutoUpgrade)
#include "tst_autoupgrade.moc"
