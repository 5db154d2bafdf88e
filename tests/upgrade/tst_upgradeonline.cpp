// The upgrade dialog's online check against the real local HTTPS server and the emulated
// bootloader: which versions count as newer, the question, the retries, and a whole online
// upgrade down to the bytes the bootloader stored.
#include "app/widget.h"
#include "link/serialport.h"
#include "localupdateserver.h"
#include "promptscript.h"
#include "settle.h"
#include "sim/emulatedbootloader.h"
#include "sim/emulatedcatalog.h"
#include "testdir.h"
#include "ui_upgrade_dialog.h"
#include "update/netfetch.h"
#include "update/serverpaths.h"
#include "upgrade/upgrade_dialog.h"

#include <QTest>

namespace {
const QString kDescription = QStringLiteral("/download/Product/TRV-40/Update/TRV-40_Update.txt");
const QString kFailureText =
    QStringLiteral("Upgrade failed. Please check connection and try again.");

// The main window with its upgrade dialog, a bootloader plugged in and the local server.
struct Rig
{
    ScopedWorkingDir dir;
    PromptScript script;
    LocalUpdateServer server{dir.filePath("www")};
    EmulatedBootloader boot;
    Widget window;
    upgrade_dialog *dialog = window.upgradeDialog();
    Ui::upgrade_dialog *ui = dialog->form();
    QStringList log;

    Rig(EmulatedCatalog *catalog, const QString &model, const QString &version) : boot(model)
    {
        boot.setFirmwareVersion(version);
        catalog->addBootloader(&boot);
        QObject::connect(dialog, &upgrade_dialog::logLineAppended, [this](const QString &line) {
            if (!line.startsWith("Download progress: "))
                log << line;
        });
    }

    bool start()
    {
        if (!server.start())
            return false;
        server.trustOnlyThisServer();
        UpdateServer::setBaseAddress(server.baseAddress());
        window.show_ug_dlg_Dialog();
        if (!QTest::qWaitFor([this] { return ui->comboBox->findText(boot.productName()) >= 0; },
                             4000))
            return false;
        ui->comboBox->setCurrentIndex(ui->comboBox->findText(boot.productName()));
        QTest::mouseClick(ui->pushButton, Qt::LeftButton);
        return dialog->upgradeState() == UpgradeState::Connected;
    }

    // The lines from the current version on.
    QStringList checkLines() const
    {
        return log.mid(log.indexOf("Current Firmware: " + boot.firmwareVersion()) + 1);
    }
};
} // namespace

class TestUpgradeOnline : public QObject
{
    Q_OBJECT

    EmulatedCatalog *catalog = nullptr;

private slots:
    void initTestCase() { upgrade_dialog::setLongWaitsForTests(10000, 200); }
    void init() { catalog = EmulatedCatalog::installNew(); }
    void cleanup() { PortCatalog::install(nullptr); }

    void descriptionDecides_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QByteArray>("description");
        QTest::addColumn<QString>("question"); // empty: no question, "Already the latest"
        const QString newer =
            "Current: TRV-40_%1\nNew version available: %2\n\nUpdate Content:\n%3";
        QTest::newRow("newer in the third number")
            << "TRV-40"
            << "V1.2.5" << QByteArray("TRV-40_V1.2.9\r\nUpdate content:\n  Faster.\n")
            << newer.arg("V1.2.5", "TRV-40_V1.2.9", "Faster.");
        QTest::newRow("a missing number counts as 0")
            << "TRV-40"
            << "V1.2" << QByteArray("TRV-40_V1.2.0\nUpdate content: same") << "";
        QTest::newRow("older") << "TRV-40"
                               << "V1.0.3" << QByteArray("TRV-40_V1.0.2\nUpdate content: old")
                               << "";
        QTest::newRow("blank first line, no version name")
            << "TRV-40"
            << "V1.0.3" << QByteArray("\nTRV-40_V9.9.9\nUpdate content: x") << "";
        QTest::newRow("only white space after the marker")
            << "TRV-40"
            << "V1.0.3" << QByteArray("TRV-40_V1.1\nUpdate content: \n\t \n")
            << newer.arg("V1.0.3", "TRV-40_V1.1", "No description");
    }

    void descriptionDecides()
    {
        QFETCH(QString, model);
        QFETCH(QString, version);
        QFETCH(QByteArray, description);
        QFETCH(QString, question);
        Rig rig(catalog, model, version);
        QVERIFY(rig.server.putFile(kDescription, description));
        if (!question.isEmpty())
            rig.script.answer(QMessageBox::Cancel);
        QVERIFY(rig.start());

        if (question.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(rig.checkLines(), QStringList("Already the latest version."),
                                      10000);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(rig.script.boxes.size(), 1, 10000);
            const SeenBox box = rig.script.boxes.last();
            QCOMPARE(box.title, QString("Update Available"));
            QCOMPARE(box.text, question);
            QCOMPARE(box.icon, QMessageBox::Question);
            QCOMPARE(box.buttons.size(), 2);
            QVERIFY(box.hasParent);
            // Cancelled: still Connected, nothing more said, nothing fetched.
            QVERIFY(staysFalse(
                [&rig] {
                    return !rig.checkLines().isEmpty() ||
                           rig.server.requestedPaths() != QStringList(kDescription);
                },
                300));
        }
        QCOMPARE(rig.dialog->upgradeState(), UpgradeState::Connected);
        QCOMPARE(rig.script.unexpected, 0);
    }

    void modelWithoutAnEntry()
    {
        Rig rig(catalog, "TRV-60", "V1.0.3");
        QVERIFY(rig.start());
        QTRY_COMPARE_WITH_TIMEOUT(
            rig.checkLines(), QStringList("Online update not supported for this device."), 3000);
        QVERIFY(staysFalse([&rig] { return !rig.server.requestedPaths().isEmpty(); }, 200));
        QCOMPARE(rig.script.unexpected, 0);
    }

    void failedFetchIsRetriedThreeTimes()
    {
        Rig rig(catalog, "TRV-40", "V1.0.3");
        rig.server.setFailure(kDescription, LocalUpdateServer::Failure::Redirect);
        QVERIFY(rig.server.putFile(kDescription, "TRV-40_V2.0\nUpdate content: x"));
        // Left over from an earlier failed attempt: this failure is still reported.
        rig.dialog->failureReported = true;
        rig.script.answer(QMessageBox::Ok);
        QVERIFY(rig.start());
        QTRY_COMPARE_WITH_TIMEOUT(rig.script.boxes.size(), 1, 20000);
        QCOMPARE(rig.script.boxes.last().title, QString("Upgrade Failed"));
        QCOMPARE(rig.script.boxes.last().text, kFailureText);

        const QStringList lines = rig.checkLines();
        QCOMPARE(lines.size(), 7);
        for (int i = 0; i < 7; i += 2)
            QVERIFY2(lines.at(i).startsWith("Network error: "), qPrintable(lines.at(i)));
        QCOMPARE(lines.at(1), QString("Retrying... (2 attempts left)"));
        QCOMPARE(lines.at(3), QString("Retrying... (1 attempts left)"));
        QCOMPARE(lines.at(5), QString("Retrying... (0 attempts left)"));
        QCOMPARE(rig.server.requestedPaths().size(), 4);
        QCOMPARE(rig.dialog->upgradeState(), UpgradeState::Idle);
        QVERIFY(rig.window.port()->isOpen());
        QCOMPARE(rig.script.unexpected, 0);
    }

    void onlineUpgradeArrivesWhole_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("1,000-byte image") << 1000;
        QTest::newRow("empty image: never erased") << 0;
    }

    void onlineUpgradeArrivesWhole()
    {
        QFETCH(int, size);
        Rig rig(catalog, "TRV-40", "V1.0.3");
        QByteArray image(size, '\0');
        for (int i = 0; i < size; ++i)
            image[i] = char((i * 29 + 1) & 0xFF);
        QVERIFY(rig.server.putFile(kDescription, "TRV-40_V1.1.0\nUpdate content: Faster pedals"));
        QVERIFY(rig.server.putFile("/download/Product/TRV-40/Update/TRV-40_V1.1.0.bin", image));
        QList<int> progress;
        connect(rig.dialog, &upgrade_dialog::logLineAppended, [&progress](const QString &line) {
            if (line.startsWith("Download progress: "))
                progress << line.mid(19).chopped(1).toInt();
        });
        rig.script.answer(QMessageBox::Ok);
        rig.script.answer(QMessageBox::Ok);
        QVERIFY(rig.start());
        QTRY_COMPARE_WITH_TIMEOUT(rig.script.boxes.size(), 2, 15000);

        QCOMPARE(rig.server.requestedPaths(),
                 QStringList({kDescription, "/download/Product/TRV-40/Update/TRV-40_V1.1.0.bin"}));
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last(), 100);
        if (size == 0) {
            QCOMPARE(rig.script.boxes.last().text, kFailureText);
            QCOMPARE(rig.checkLines(),
                     QStringList("<font color=\"red\">Downloaded firmware TRV-40_V1.1.0 is empty; "
                                 "the device was not erased.</font>"));
            QVERIFY(!rig.boot.requests().contains(QByteArray::fromHex("AA CC 02 00 02 0D 0A")));
            QCOMPARE(rig.dialog->upgradeState(), UpgradeState::Idle);
            QCOMPARE(rig.script.unexpected, 0);
            return;
        }
        const QString md5 = "Firmware MD5: " + Upgrade::md5Hex(image);
        QCOMPARE(rig.script.boxes.last().title, QString("Upgrade"));
        QCOMPARE(rig.boot.image(), image);
        QCOMPARE(rig.checkLines(),
                 QStringList({"Downloaded new firmware: TRV-40_V1.1.0 (1000 bytes)",
                              "Erasing flash, please wait...", "Erase completed.",
                              "Sending firmware...", md5, "Finalizing, please wait..."}));
        QVERIFY(!rig.dialog->isVisible());
        QCOMPARE(rig.script.unexpected, 0);
    }
};

QTEST_MAIN(TestUpgradeOnline)
#include "tst_upgradeonline.moc"
