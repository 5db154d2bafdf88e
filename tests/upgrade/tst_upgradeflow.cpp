// Whole upgrades through a real pseudo-terminal against the emulated bootloader: the image
// as it arrives, the log and the boxes, and every way an attempt can end.
#include "app/widget.h"
#include "link/serialport.h"
#include "promptscript.h"
#include "settle.h"
#include "sim/emulatedbootloader.h"
#include "sim/emulatedcatalog.h"
#include "testdir.h"
#include "ui_upgrade_dialog.h"
#include "ui_widget.h"
#include "upgrade/upgrade_dialog.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(UpgradeState)

namespace {
const QString kRed = QStringLiteral("<font color=\"red\">%1</font>");
const QString kGenericFailure =
    QStringLiteral("Upgrade failed. Please check connection and try again.");
const QString kSuccess = QStringLiteral("Upgrade successful, please power on the device again.");
const QString kRemoved =
    QStringLiteral("<font color=\"red\"><b>CRITICAL: Device removed!</b></font>");
const QByteArray kEraseEnd = QByteArray::fromHex("AA CC 09") + "ERASE END\r\n";

QByteArray patternImage(int size)
{
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char((i * 13 + 5) & 0xFF);
    return image;
}

// The main window with its upgrade dialog connected to a bootloader, an image file loaded.
struct Rig
{
    ScopedWorkingDir dir;
    PromptScript script;
    EmulatedBootloader boot{"ZB-8"}; // no online check for this model: nothing is fetched
    Widget window;
    upgrade_dialog *dialog = window.upgradeDialog();
    Ui::upgrade_dialog *ui = dialog->form();
    QStringList log;
    QList<qint64> arrivals; // image byte totals as the bootloader read them

    explicit Rig(EmulatedCatalog *catalog)
    {
        catalog->addBootloader(&boot);
        QObject::connect(dialog, &upgrade_dialog::logLineAppended,
                         [this](const QString &line) { log << line; });
        QObject::connect(&boot, &EmulatedBootloader::imageBytesReceived,
                         [this](qint64 total) { arrivals << total; });
    }

    bool connectDialog()
    {
        window.show_ug_dlg_Dialog();
        if (!QTest::qWaitFor([this] { return ui->comboBox->findText(boot.productName()) >= 0; },
                             4000))
            return false;
        ui->comboBox->setCurrentIndex(ui->comboBox->findText(boot.productName()));
        const int before = log.size();
        QTest::mouseClick(ui->pushButton, Qt::LeftButton);
        if (!QTest::qWaitFor(
                [this, before] { return log.mid(before).contains("Current Firmware: V1.0.3"); },
                3000))
            return false;
        return dialog->upgradeState() == UpgradeState::Connected;
    }

    bool loadImage(const QByteArray &image)
    {
        const QString path = dir.filePath("firmware.bin");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size())
            return false;
        file.close();
        script.answerFile(path);
        QTest::mouseClick(ui->pushButton_3, Qt::LeftButton);
        return dialog->firmwareImage == image;
    }

    QList<int> blockSizes() const
    {
        QList<int> sizes;
        qint64 previous = 0;
        for (qint64 total : arrivals) {
            sizes << int(total - previous);
            previous = total;
        }
        return sizes;
    }

    QStringList logFrom(const QString &line) const { return log.mid(log.lastIndexOf(line)); }
};

} // namespace

class TestUpgradeFlow : public QObject
{
    Q_OBJECT

    EmulatedCatalog *catalog = nullptr;

private slots:
    void initTestCase() { qRegisterMetaType<QSerialPort::SerialPortError>(); }
    void init()
    {
        catalog = EmulatedCatalog::installNew();
        upgrade_dialog::setLongWaitsForTests(1000, 200);
    }
    void cleanup() { PortCatalog::install(nullptr); }

    void localImageArrivesWhole_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QList<int>>("blocks");
        QTest::addColumn<int>("firstProgress");
        QList<int> thousand;
        for (int i = 0; i < 15; ++i)
            thousand << 64;
        thousand << 40;
        QTest::newRow("1,000 bytes") << 1000 << thousand << 6;
        QTest::newRow("one block") << 64 << QList<int>{64} << 99;
        QTest::newRow("a block and a byte") << 65 << QList<int>{64, 1} << 98;
    }

    void localImageArrivesWhole()
    {
        QFETCH(int, size);
        QFETCH(QList<int>, blocks);
        QFETCH(int, firstProgress);
        upgrade_dialog::setLongWaitsForTests(10000, 200);
        Rig rig(catalog);
        QVERIFY(rig.connectDialog());
        const QByteArray image = patternImage(size);
        QVERIFY(rig.loadImage(image));
        const QString md5 = Upgrade::md5Hex(image);

        QList<int> progress;
        connect(rig.ui->progressBar, &QProgressBar::valueChanged,
                [&progress](int v) { progress << v; });
        // Paced by the dialog's own clock: 30 ms after each block, the last one included.
        QElapsedTimer clock;
        qint64 sendingAt = -1;
        qint64 finalizingAt = -1;
        connect(rig.dialog, &upgrade_dialog::logLineAppended, [&](const QString &line) {
            if (line == "Sending firmware...")
                sendingAt = clock.elapsed();
            else if (line == "Finalizing, please wait...")
                finalizingAt = clock.elapsed();
        });
        clock.start();
        rig.script.answer(QMessageBox::Ok);
        QTest::mouseClick(rig.ui->pushButton_4, Qt::LeftButton);
        QVERIFY(!rig.ui->pushButton_4->isEnabled());
        QVERIFY(!rig.ui->pushButton->isEnabled());
        QVERIFY(!rig.ui->comboBox->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(rig.script.boxes.size(), 1, 10000);

        QCOMPARE(rig.boot.image(), image);
        QCOMPARE(rig.blockSizes(), blocks);
        QVERIFY2(finalizingAt - sendingAt >= blocks.size() * 30,
                 qPrintable(QString::number(finalizingAt - sendingAt)));
        QCOMPARE(rig.script.boxes.last().title, QString("Upgrade"));
        QCOMPARE(rig.script.boxes.last().text, kSuccess);
        QCOMPARE(rig.script.boxes.last().icon, QMessageBox::Information);
        QVERIFY(rig.script.boxes.last().hasParent);

        QCOMPARE(
            rig.logFrom(QString("Local file loaded: %1 bytes").arg(size)),
            QStringList({QString("Local file loaded: %1 bytes").arg(size),
                         "<font color=\"green\">File loaded successfully. Click 'Start "
                         "Upgrade' to begin.</font>",
                         "Firmware MD5: " + md5, "Starting manual upgrade...",
                         "Erasing flash, please wait...", "Erase completed.", "Sending firmware...",
                         "Firmware MD5: " + md5, "Finalizing, please wait..."}));
        // Raised to the first block's figure, never 100 before the settling time, then 100 and
        // back to 0 when the dialog returns to Idle.
        QCOMPARE(progress.first(), firstProgress);
        QCOMPARE(progress.mid(progress.size() - 3), QList<int>({99, 100, 0}));
        QVERIFY(!progress.mid(0, progress.size() - 2).contains(100));

        QCOMPARE(rig.dialog->upgradeState(), UpgradeState::Idle);
        QVERIFY(!rig.dialog->isVisible());
        QVERIFY(rig.dialog->firmwareImage.isEmpty());
        QVERIFY(rig.window.port()->isOpen());
        QCOMPARE(rig.script.unexpected, 0);
    }

    void eraseEndOutsideTheEraseChangesNothing()
    {
        const QByteArray image = patternImage(1000);
        {
            // Sending: a second "ERASE END" mid-transfer does not restart it.
            Rig rig(catalog);
            QVERIFY(rig.connectDialog());
            QVERIFY(rig.loadImage(image));
            rig.script.answer(QMessageBox::Ok);
            QTest::mouseClick(rig.ui->pushButton_4, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(rig.boot.image().size() >= 256, 5000);
            QCOMPARE(rig.dialog->upgradeState(), UpgradeState::Sending);
            QVERIFY(rig.boot.sendRaw(kEraseEnd));
            QTRY_COMPARE_WITH_TIMEOUT(rig.script.boxes.size(), 1, 5000);
            QCOMPARE(rig.script.boxes.last().text, kSuccess);
            QCOMPARE(rig.boot.image(), image);
            QCOMPARE(rig.log.count("Erase completed."), 1);
            QCOMPARE(rig.log.count("Sending firmware..."), 1);
            QCOMPARE(rig.script.unexpected, 0);
        }
        Rig rig(catalog);
        rig.boot.setFailure(EmulatedBootloader::EraseNeverEnds);
        QVERIFY(rig.connectDialog());
        QVERIFY(rig.loadImage(image));

        // Connected. The link has cut the reply and the dialog has had it when the spy has.
        QSignalSpy eraseReports(rig.window.port(), &SerialPort::send_erase);
        int lines = rig.log.size();
        QVERIFY(rig.boot.sendRaw(kEraseEnd));
        QVERIFY(eraseReports.wait(3000));
        QVERIFY(drainQueuedWork());
        QCOMPARE(rig.dialog->upgradeState(), UpgradeState::Connected);
        QCOMPARE(rig.log.size(), lines);

        // The watchdog fires first: one box, back to Idle with the port open.
        rig.script.answer(QMessageBox::Ok);
        QTest::mouseClick(rig.ui->pushButton_4, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(rig.script.boxes.size(), 1, 5000);
        QCOMPARE(rig.logFrom("Erasing flash, please wait..."),
                 QStringList({"Erasing flash, please wait...",
                              kRed.arg("Erase timeout! Device not responding.")}));
        QCOMPARE(rig.script.boxes.last().title, QString("Upgrade Failed"));
        QCOMPARE(rig.script.boxes.last().text, kGenericFailure);
        QCOMPARE(rig.script.boxes.last().icon, QMessageBox::Critical);
        QCOMPARE(rig.dialog->upgradeState(), UpgradeState::Idle);
        QVERIFY(rig.window.port()->isOpen());
        QVERIFY(rig.dialog->firmwareImage.isEmpty());

        // After the watchdog.
        lines = rig.log.size();
        eraseReports.clear();
        QVERIFY(rig.boot.sendRaw(kEraseEnd));
        QVERIFY(eraseReports.wait(3000));
        QVERIFY(drainQueuedWork());
        QCOMPARE(rig.log.size(), lines);
        QCOMPARE(rig.dialog->upgradeState(), UpgradeState::Idle);
        QVERIFY(rig.boot.image().isEmpty());
        QCOMPARE(rig.script.boxes.size(), 1);
        QCOMPARE(rig.script.unexpected, 0);
    }

    void watchdogAndSettlingTimes()
    {
        // Measured on the dialog's own lines: each is appended right after its timer started.
        // Shortened from 10 s and 5 s: timers fire late, never early (to the millisecond).
        constexpr int kWatchdogMs = 1500;
        constexpr int kSettleMs = 400;
        upgrade_dialog::setLongWaitsForTests(kWatchdogMs, kSettleMs);
        QElapsedTimer clock;
        clock.start();
        QMap<QString, qint64> at;
        const auto stamp = [&clock, &at](const QString &line) { at.insert(line, clock.elapsed()); };
        {
            Rig rig(catalog);
            connect(rig.dialog, &upgrade_dialog::logLineAppended, stamp);
            rig.boot.setFailure(EmulatedBootloader::EraseNeverEnds);
            QVERIFY(rig.connectDialog());
            QVERIFY(rig.loadImage(patternImage(64)));
            rig.script.answer(QMessageBox::Ok);
            QTest::mouseClick(rig.ui->pushButton_4, Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(rig.script.boxes.size(), 1, kWatchdogMs + 3000);
            const qint64 watchdog = at.value(kRed.arg("Erase timeout! Device not responding.")) -
                                    at.value("Erasing flash, please wait...");
            QVERIFY2(watchdog >= kWatchdogMs - 1 && watchdog < kWatchdogMs + 1500,
                     qPrintable(QString::number(watchdog)));
        }
        Rig rig(catalog);
        connect(rig.dialog, &upgrade_dialog::logLineAppended, stamp);
        QVERIFY(rig.connectDialog());
        QVERIFY(rig.loadImage(patternImage(64)));
        rig.script.answer(QMessageBox::Ok);
        QTest::mouseClick(rig.ui->pushButton_4, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(rig.script.boxes.size(), 1, kSettleMs + 3000);
        const qint64 settle = clock.elapsed() - at.value("Finalizing, please wait...");
        QCOMPARE(rig.script.boxes.last().text, kSuccess);
        QCOMPARE(rig.boot.image().size(), 64);
        // The success box comes the settling time + 50 ms after the last block was written.
        QVERIFY2(settle >= kSettleMs + 49 && settle < kSettleMs + 1500,
                 qPrintable(QString::number(settle)));
        QCOMPARE(rig.script.unexpected, 0);
    }

    void unplugDuringTheAttempt_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<UpgradeState>("endState");
        QTest::addColumn<QStringList>("lines");
        const QString aborted = kRed.arg("Upgrade aborted immediately.");
        QTest::newRow("erasing") << int(EmulatedBootloader::VanishDuringErase) << UpgradeState::Idle
                                 << QStringList(
                                        {"Erasing flash, please wait...", kRemoved, aborted});
        QTest::newRow("sending") << int(EmulatedBootloader::VanishAfterImageBytes)
                                 << UpgradeState::FinishedFailed
                                 << QStringList(
                                        {"Sending firmware...", "Firmware MD5: ", kRemoved, aborted,
                                         kRed.arg("Error: Connection lost during sending!")});
    }

    void unplugDuringTheAttempt()
    {
        QFETCH(int, failure);
        QFETCH(UpgradeState, endState);
        QFETCH(QStringList, lines);
        Rig rig(catalog);
        // A stable name, as a USB device's by-id link: the port can "appear again".
        rig.boot.setStablePortName(rig.dir.filePath("ttyBOOT"));
        rig.boot.setFailure(EmulatedBootloader::Failure(failure), 640);
        QVERIFY(rig.connectDialog());
        QVERIFY(rig.loadImage(patternImage(4096)));
        // The link's own list, which follows the catalog as the presence check does.
        QComboBox *linkList = rig.window.form()->comboBox_ComDevices;
        QTRY_VERIFY_WITH_TIMEOUT(linkList->findText(rig.boot.productName()) >= 0, 3000);
        rig.script.answer(QMessageBox::Ok);
        QTest::mouseClick(rig.ui->pushButton_4, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.boot.isPlugged(), 5000);
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.window.port()->isOpen(), 1000);
        QTRY_COMPARE_WITH_TIMEOUT(rig.script.boxes.size(), 1, 1000);
        QVERIFY2(clock.elapsed() < 1000, "the user learns of it within a second");
        // Once the link's list has dropped the bootloader, every report of its going is in.
        QTRY_VERIFY_WITH_TIMEOUT(linkList->findText(rig.boot.productName()) < 0, 3000);
        QVERIFY(drainQueuedWork());

        // One box, the one with the way back.
        QCOMPARE(rig.script.boxes.size(), 1);
        const SeenBox box = rig.script.boxes.last();
        QCOMPARE(box.title, QString("Upgrade Failed - Device Disconnected"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.textFormat, Qt::RichText);
        QVERIFY(box.text.contains("partly erased"));
        QVERIFY(box.text.contains("<ol>"));
        QCOMPARE(box.text.count("<li>"), 3);

        // The device list's own refresh reports the unplug too, on its own clock.
        QStringList seen = rig.logFrom(lines.first());
        seen.erase(std::remove_if(seen.begin(), seen.end(),
                                  [](const QString &line) {
                                      return line.startsWith("Device list refreshed: ") ||
                                             line.startsWith("No upgrade device detected.");
                                  }),
                   seen.end());
        if (seen.size() > 1 && seen.at(1).startsWith("Firmware MD5: "))
            seen[1] = "Firmware MD5: ";
        QCOMPARE(seen, lines);
        QCOMPARE(rig.dialog->upgradeState(), endState);
        QVERIFY(rig.dialog->deviceRemoved);
        QCOMPARE(rig.ui->pushButton->text(), QString("Connect"));
        QVERIFY(rig.ui->pushButton->isEnabled());
        QVERIFY(rig.ui->comboBox->isEnabled());
        QVERIFY(rig.boot.image().size() <= 640);

        // Plugged in again under its port name: the log says so. The link notices a return
        // once it has seen the port missing.
        QTRY_COMPARE_WITH_TIMEOUT(linkList->findText(rig.boot.productName()), -1, 3000);
        QVERIFY(rig.boot.plugIn());
        QTRY_COMPARE_WITH_TIMEOUT(rig.log.mid(rig.log.size() - 2),
                                  QStringList({"<font color=\"green\">Device reconnected: " +
                                                   rig.boot.portName() + "</font>",
                                               "You can now try the upgrade again."}),
                                  3000);
        QCOMPARE(rig.script.boxes.size(), 1);

        QCOMPARE(rig.script.unexpected, 0);
    }

    void closingMidTransferSendsNoFurtherBlock()
    {
        Rig rig(catalog);
        QVERIFY(rig.connectDialog());
        QVERIFY(rig.loadImage(patternImage(4096)));
        QTest::mouseClick(rig.ui->pushButton_4, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(rig.boot.image().size() >= 320, 5000);
        rig.dialog->close();
        const int taken = rig.boot.image().size();
        // Blocks go out every 30 ms: more than ten would have come in this window.
        QVERIFY(staysFalse([&] { return rig.boot.image().size() != taken; }, 400));
        QVERIFY(!rig.dialog->isVisible());
        QCOMPARE(rig.dialog->upgradeState(), UpgradeState::Idle);
        QVERIFY(rig.window.port()->isOpen());
        QVERIFY(rig.script.boxes.isEmpty());
        QCOMPARE(rig.script.unexpected, 0);
    }

    void deviceThatStopsReadingIsNoSuccess()
    {
        // Once the terminal is full the port cannot take the next block: on Linux that is a
        // resource error, the way a device that has gone away is reported.
        Rig rig(catalog);
        rig.boot.setFailure(EmulatedBootloader::StallAfterImageBytes, 1000);
        QVERIFY(rig.connectDialog());
        QVERIFY(rig.loadImage(patternImage(65536)));
        rig.script.answer(QMessageBox::Ok);
        QTest::mouseClick(rig.ui->pushButton_4, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(rig.script.boxes.size(), 1, 40000);
        QCOMPARE(rig.script.boxes.last().title, QString("Upgrade Failed - Device Disconnected"));
        QVERIFY(drainQueuedWork());
        QCOMPARE(rig.log.mid(rig.log.indexOf("Sending firmware...") + 2),
                 QStringList("<font color=\"red\"><b>CRITICAL: Communication lost!</b></font>"));
        QCOMPARE(rig.dialog->upgradeState(), UpgradeState::Idle);
        QCOMPARE(rig.ui->progressBar->value(), 0);
        QVERIFY(!rig.window.port()->isOpen());
        QCOMPARE(rig.boot.image().size(), 1000);
        QCOMPARE(rig.script.boxes.size(), 1);
        QCOMPARE(rig.script.unexpected, 0);
    }

    void erasedWithoutAnImageIsAFailure()
    {
        Rig rig(catalog);
        QVERIFY(rig.connectDialog());
        rig.script.answer(QMessageBox::Ok);
        rig.dialog->startErase();
        QTRY_COMPARE_WITH_TIMEOUT(rig.script.boxes.size(), 1, 3000);
        QCOMPARE(rig.script.boxes.last().text, kGenericFailure);
        QCOMPARE(
            rig.logFrom("Sending firmware..."),
            QStringList({"Sending firmware...", kRed.arg("Error: No firmware image to send!")}));
        QCOMPARE(rig.dialog->upgradeState(), UpgradeState::Idle);
        QCOMPARE(rig.script.unexpected, 0);
    }
};

QTEST_MAIN(TestUpgradeFlow)
#include "tst_upgradeflow.moc"
