// The upgrade dialog as the main window builds it: its form, the device list, Connect and
// the refusals, loading an image file, and the secondary upgrade window's wiring.
#include "app/widget.h"
#include "link/serialport.h"
#include "promptscript.h"
#include "sim/emulatedcatalog.h"
#include "sim/emulatedpedal.h"
#include "testdir.h"
#include "ui_upgrade_dialog.h"
#include "ui_upgrade_message_dialog.h"
#include "ui_widget.h"
#include "upgrade/upgrade_dialog.h"
#include "upgrade/upgrade_message_dialog.h"

#include <QAction>
#include <QBoxLayout>
#include <QFile>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {
const QByteArray kDeviceInfo = QByteArray::fromHex("AA CC 02 00 01 0D 0A");

CatalogPort otherPort(const QString &portName, quint16 productId)
{
    CatalogPort port;
    port.portName = portName;
    port.hasUsbIds = true;
    port.vendorId = 0x3E11;
    port.productId = productId;
    return port;
}

QAction *menuEntry(QMenuBar *bar, const QString &text)
{
    for (QAction *menu : bar->actions())
        if (menu->menu())
            for (QAction *entry : menu->menu()->actions())
                if (entry->text() == text)
                    return entry;
    return nullptr;
}

struct Rig
{
    ScopedWorkingDir dir;
    PromptScript script;
    Widget window;
    upgrade_dialog *dialog = window.upgradeDialog();
    Ui::upgrade_dialog *ui = dialog->form();
    QStringList log;

    Rig()
    {
        QObject::connect(dialog, &upgrade_dialog::logLineAppended,
                         [this](const QString &line) { log << line; });
    }
    void select(const QString &name)
    {
        QTRY_VERIFY_WITH_TIMEOUT(ui->comboBox->findText(name) >= 0, 4000);
        ui->comboBox->setCurrentIndex(ui->comboBox->findText(name));
    }
};
} // namespace

class TestUpgradeWindow : public QObject
{
    Q_OBJECT

    EmulatedCatalog *catalog = nullptr;

private slots:
    void init() { catalog = EmulatedCatalog::installNew(); }
    void cleanup() { PortCatalog::install(nullptr); }

    void formAndMenuEntry()
    {
        Rig rig;
        upgrade_dialog *d = rig.dialog;
        Ui::upgrade_dialog *ui = rig.ui;
        QCOMPARE(d->parentWidget(), &rig.window);
        QVERIFY(!d->isVisible());
        QCOMPARE(d->windowTitle(), QString("Firmware Upgrade"));
        QVERIFY(!(d->windowFlags() & Qt::WindowContextHelpButtonHint));
        QCOMPARE(d->size(), QSize(771, 288));
        QCOMPARE(ui->progressBar->value(), 0);
        QCOMPARE(ui->pushButton->text(), QString("Connect"));
        QCOMPARE(ui->pushButton_2->text(), QString("Close"));
        QCOMPARE(ui->pushButton_3->text(), QString("Open File"));
        QCOMPARE(ui->pushButton_4->text(), QString("Upgrade"));
        QCOMPARE(ui->textBrowser_2->toPlainText(),
                 QString("Please refer to the product manual to put the device into firmware "
                         "upgrade mode before connecting."));
        QCOMPARE(ui->horizontalLayout->spacing(), 9);
        QCOMPARE(ui->verticalLayout->spacing(), 0);
        QCOMPARE(ui->verticalLayout->stretch(0), 1);
        QCOMPARE(ui->verticalLayout->stretch(1), 4);
        QCOMPARE(ui->textBrowser_2->maximumHeight(), 30);
        QCOMPARE(ui->comboBox->minimumWidth(), 150);
        QCOMPARE(ui->pushButton->minimumWidth(), 100);
        QCOMPARE(ui->pushButton_2->minimumWidth(), 100);
        QCOMPARE(ui->verticalLayout_2->indexOf(ui->progressBar), 3);
        QCOMPARE(d->upgradeState(), UpgradeState::Idle);

        // The list keeps refreshing while hidden.
        const QList<QTimer *> refresh = d->findChildren<QTimer *>();
        bool found = false;
        for (QTimer *t : refresh)
            found |= t->interval() == 1500 && t->isActive() && !t->isSingleShot();
        QVERIFY(found);
        catalog->addOtherPort(otherPort("ttyACM7", 0x7001), "TRV-40 Bootloader");
        QTRY_COMPARE_WITH_TIMEOUT(ui->comboBox->count(), 1, 4000);
        QVERIFY(!rig.log.isEmpty());

        // The menu entry shows it with a fresh log; Close hides it through closeEvent.
        QAction *entry = menuEntry(rig.window.menuBar(), "Firmware Upgrade");
        QVERIFY(entry);
        entry->trigger();
        QVERIFY(d->isVisible());
        QVERIFY(ui->textBrowser->toPlainText().isEmpty());
        QTest::mouseClick(ui->pushButton_2, Qt::LeftButton);
        QVERIFY(!d->isVisible());
        QCOMPARE(rig.script.unexpected, 0);
    }

    void deviceList()
    {
        Rig rig;
        QComboBox *list = rig.ui->comboBox;
        // Two bootloaders under one name, a pedal in normal operation, and an adapter without
        // a product name.
        catalog->addOtherPort(otherPort("ttyACM1", 0x7001), "TRV-40 Bootloader");
        catalog->addOtherPort(otherPort("ttyACM2", 0x7002), "Volarix TRV-40 USB MIDI Pedal");
        CatalogPort adapter;
        adapter.portName = "ttyS3";
        adapter.manufacturer = "Acme";
        adapter.description = "  USB   Serial ";
        catalog->addOtherPort(adapter);
        catalog->addOtherPort(otherPort("ttyACM4", 0x7003), "TRV-40 Bootloader");
        rig.dialog->refreshDeviceList();

        QCOMPARE(list->count(), 2);
        // New names go in ascending order; the shared name carries the port reported last.
        QCOMPARE(list->itemText(0), QString("Acme USB Serial (ttyS3)"));
        QCOMPARE(list->itemText(1), QString("TRV-40 Bootloader"));
        QCOMPARE(list->itemData(1).toString(), QString("ttyACM4"));
        QCOMPARE(list->currentIndex(), 0);
        QCOMPARE(rig.log, QStringList("Device list refreshed: found 3 upgrade device(s)."));

        // Unchanged: no line.
        rig.dialog->refreshDeviceList();
        QCOMPARE(rig.log.size(), 1);

        // The selected device goes: the box picks another entry, the others keep their place.
        list->setCurrentIndex(1);
        catalog->clear();
        catalog->addOtherPort(adapter);
        catalog->addOtherPort(otherPort("ttyACM9", 0x7009), "ZB-5 Bootloader");
        rig.dialog->refreshDeviceList();
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->itemText(0), QString("Acme USB Serial (ttyS3)"));
        QCOMPARE(list->itemText(1), QString("ZB-5 Bootloader"));
        QCOMPARE(list->currentIndex(), 0);
        QCOMPARE(rig.log.last(), QString("Device list refreshed: found 2 upgrade device(s)."));

        // A device that comes back on another port keeps its entry, and Connect would use the
        // new port.
        list->setCurrentIndex(1);
        catalog->clear();
        catalog->addOtherPort(adapter);
        catalog->addOtherPort(otherPort("ttyACM10", 0x7009), "ZB-5 Bootloader");
        rig.dialog->refreshDeviceList();
        QCOMPARE(list->currentIndex(), 1);
        QCOMPARE(list->currentData().toString(), QString("ttyACM10"));
        const int lines = rig.log.size();
        rig.dialog->refreshDeviceList();
        QCOMPARE(rig.log.size(), lines);

        catalog->clear();
        rig.dialog->refreshDeviceList();
        QCOMPARE(list->count(), 0);
        QCOMPARE(rig.log.mid(lines),
                 QStringList({"Device list refreshed: found 0 upgrade device(s).",
                              "No upgrade device detected.\nPlease ensure the device is in "
                              "firmware upgrade mode and properly connected."}));
        QCOMPARE(rig.script.unexpected, 0);
    }

    void refusalsBeforeAConnection()
    {
        Rig rig;
        auto expectBox = [&rig](const QString &title, const QString &text) {
            QVERIFY(!rig.script.boxes.isEmpty());
            QCOMPARE(rig.script.boxes.last().title, title);
            QCOMPARE(rig.script.boxes.last().text, text);
            QVERIFY(rig.script.boxes.last().hasParent);
        };
        // Nothing listed.
        rig.script.answer(QMessageBox::Ok);
        QTest::mouseClick(rig.ui->pushButton, Qt::LeftButton);
        expectBox("No Device", "No upgrade device detected. Please check connection and mode.");

        // Open File and Upgrade want a connection first; no file dialog is offered.
        for (QPushButton *button : {rig.ui->pushButton_3, rig.ui->pushButton_4}) {
            rig.script.answer(QMessageBox::Ok);
            QTest::mouseClick(button, Qt::LeftButton);
            expectBox("Warning", "Please connect the device first.");
        }
        QVERIFY(rig.script.fileRequests.isEmpty());

        // Listed, but the port cannot be opened: the link's own box, then the dialog's.
        catalog->addOtherPort(otherPort(rig.dir.filePath("no-such-tty"), 0x7001),
                              "TRV-40 Bootloader");
        rig.dialog->refreshDeviceList();
        rig.script.answer(QMessageBox::Ok);
        rig.script.answer(QMessageBox::Ok);
        QTest::mouseClick(rig.ui->pushButton, Qt::LeftButton);
        QCOMPARE(rig.script.boxes.at(rig.script.boxes.size() - 2).text, QString("Device error"));
        QCOMPARE(rig.script.boxes.last().title, QString("Error"));
        QVERIFY(rig.script.boxes.last().text.startsWith("Failed to open port: "));
        QVERIFY(!rig.window.port()->isOpen());
        QCOMPARE(rig.dialog->upgradeState(), UpgradeState::Idle);
        QCOMPARE(rig.script.boxes.size(), 5);
        QCOMPARE(rig.script.unexpected, 0);
    }

    void connectAndLoadFiles()
    {
        Rig rig;
        // A pedal answers the two bootloader questions too; listed under a bootloader name.
        // A model the online check does not know, so nothing is fetched.
        EmulatedPedal device("ZB-8", 2);
        device.setProductName("ZB-8 Bootloader");
        catalog->addPedal(&device);
        rig.select("ZB-8 Bootloader");
        QTest::mouseClick(rig.ui->pushButton, Qt::LeftButton);
        QVERIFY(rig.window.port()->isOpen());
        QVERIFY(rig.window.port()->upgradeLink);
        QCOMPARE(rig.dialog->upgradeState(), UpgradeState::Connected);
        QCOMPARE(rig.ui->pushButton->text(), QString("Disconnect"));
        QVERIFY(!rig.ui->comboBox->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(rig.log.size(), 5, 3000);
        QCOMPARE(rig.log.mid(1), QStringList({"Connected. Requesting device info...",
                                              "Product Model: ZB-8", "Current Firmware: V1.0.3",
                                              "Online update not supported for this device."}));
        QCOMPARE(device.requests().first(), kDeviceInfo);
        QCOMPARE(rig.dialog->deviceModel, QString("ZB-8"));
        QCOMPARE(rig.dialog->deviceVersion, QString("V1.0.3"));

        const QString small = rig.dir.filePath("pedal.bin");
        QFile file(small);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(Upgrade::kMaxImageBytes, '\x5A'));
        file.close();
        const QString big = rig.dir.filePath("disk image.iso");
        QVERIFY(QFile::copy(small, big));
        QFile grow(big);
        QVERIFY(grow.open(QIODevice::Append));
        grow.write("!");
        grow.close();

        // Cancelled: nothing happens.
        rig.script.answerFile(QString());
        QTest::mouseClick(rig.ui->pushButton_3, Qt::LeftButton);
        QCOMPARE(rig.script.fileRequests.last().caption, QString("Select Firmware"));
        QCOMPARE(rig.script.fileRequests.last().filter,
                 QString("Bin files (*.bin);;All files (*.*)"));
        QVERIFY(rig.script.fileRequests.last().directory.isEmpty());

        // The largest image a pedal could hold loads.
        const int before = rig.log.size();
        rig.script.answerFile(small);
        QTest::mouseClick(rig.ui->pushButton_3, Qt::LeftButton);
        QCOMPARE(rig.dialog->firmwareImage.size(), Upgrade::kMaxImageBytes);
        QCOMPARE(rig.ui->lineEdit->text(), small);
        QCOMPARE(rig.log.mid(before),
                 QStringList({"Local file loaded: 1048576 bytes",
                              "<font color=\"green\">File loaded successfully. Click 'Start "
                              "Upgrade' to begin.</font>"}));
        QVERIFY(rig.ui->pushButton_4->isEnabled());

        // One byte more is refused by its size, naming the file; the loaded image stays.
        rig.script.answer(QMessageBox::Ok);
        rig.script.answerFile(big);
        QTest::mouseClick(rig.ui->pushButton_3, Qt::LeftButton);
        QCOMPARE(rig.script.boxes.last().title, QString("File Too Large"));
        QVERIFY(rig.script.boxes.last().text.contains(big));
        QVERIFY(rig.script.boxes.last().text.contains("1048577 bytes"));
        QCOMPARE(rig.script.boxes.last().icon, QMessageBox::Warning);
        QCOMPARE(rig.dialog->firmwareImage.size(), Upgrade::kMaxImageBytes);

        // Gone between choosing and reading.
        rig.script.answer(QMessageBox::Ok);
        rig.script.answerFile(rig.dir.filePath("vanished.bin"));
        QTest::mouseClick(rig.ui->pushButton_3, Qt::LeftButton);
        QCOMPARE(rig.script.boxes.last().title, QString("Error"));
        QCOMPARE(rig.script.boxes.last().text, QString("Cannot open file."));
        QCOMPARE(rig.ui->lineEdit->text(), small);

        // Disconnect closes the port and clears the link flag.
        QTest::mouseClick(rig.ui->pushButton, Qt::LeftButton);
        QVERIFY(!rig.window.port()->isOpen());
        QVERIFY(!rig.window.port()->upgradeLink);
        QCOMPARE(rig.dialog->upgradeState(), UpgradeState::Idle);
        QCOMPARE(rig.ui->pushButton->text(), QString("Connect"));
        QVERIFY(rig.ui->comboBox->isEnabled());
        QCOMPARE(rig.script.boxes.size(), 2);
        QCOMPARE(rig.script.unexpected, 0);
    }

    void windowConnectResetsAndFeedsTheMessageWindow()
    {
        Rig rig;
        EmulatedPedal pedal("TRV-50", 4);
        catalog->addPedal(&pedal);
        Ui::Widget *main = rig.window.form();
        QTRY_VERIFY_WITH_TIMEOUT(main->comboBox_ComDevices->count() > 0, 3000);
        rig.dialog->deviceModel = "TRV-40";
        rig.dialog->deviceVersion = "V1.0.0";
        rig.dialog->firmwareImage = "image";
        rig.dialog->bytesSent = 12;
        rig.window.port()->upgradeLink = true;

        // Two openings still feed the message window once per signal.
        for (int i = 0; i < 2; ++i) {
            QTest::mouseClick(main->connectButton, Qt::LeftButton);
            QVERIFY(rig.window.port()->isOpen());
            QVERIFY(!rig.window.port()->upgradeLink);
            QVERIFY(rig.dialog->deviceModel.isEmpty());
            QVERIFY(rig.dialog->deviceVersion.isEmpty());
            QVERIFY(rig.dialog->firmwareImage.isEmpty());
            QCOMPARE(rig.dialog->bytesSent, qint64(-1));
            QCOMPARE(rig.dialog->currentChunkSize, -1);
            QTest::mouseClick(main->connectButton, Qt::LeftButton);
        }
        Upgrade_message_Dialog *message = rig.window.upgradeMessageDialog();
        QCOMPARE(message->windowTitle(), QString("Upgrade"));
        QVERIFY(!message->isVisible());
        emit rig.window.send_mtd_version("TRV-50", "V2.0.1");
        QCOMPARE(message->form()->textBrowser->toPlainText(),
                 QString("Product Model:TRV-50\n\n\nVersion:V2.0.1"));
        emit rig.window.send_possvalue(42);
        QCOMPARE(message->form()->progressBar->value(), 42);

        message->show();
        rig.script.answer(QMessageBox::Ok);
        emit rig.window.done();
        QCOMPARE(rig.script.boxes.size(), 1);
        QCOMPARE(rig.script.boxes.last().title, QString("upgrade"));
        QCOMPARE(rig.script.boxes.last().text,
                 QString("Upgrade successful, please power on the device again."));
        QVERIFY(!rig.script.boxes.last().hasParent);
        QVERIFY(message->form()->textBrowser->toPlainText().isEmpty());
        QCOMPARE(message->form()->progressBar->value(), 0);
        QVERIFY(!message->isVisible());
        QCOMPARE(rig.script.unexpected, 0);
    }
};

QTEST_MAIN(TestUpgradeWindow)
#include "tst_upgradewindow.moc"
