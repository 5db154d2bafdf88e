// Connecting to an emulated pedal through a real pseudo-terminal: what goes out on
// Connect and when, what Disconnect and an unplug leave behind, and the two refusals.
#include "app/widget.h"
#include "link/serialport.h"
#include "monitor/monitortablemodel.h"
#include "promptscript.h"
#include "sim/emulatedcatalog.h"
#include "sim/emulatedpedal.h"
#include "testdir.h"
#include "ui_widget.h"

#include <QElapsedTimer>

#include <QSignalSpy>
#include <QTest>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {
const QByteArray kHandshake = QByteArray::fromHex("F0 00 21 5E 01 01 F7");
const QByteArray kDeviceInfo = QByteArray::fromHex("AA CC 02 00 01 0D 0A");

int indexOfRequest(const QList<QByteArray> &requests, const QByteArray &prefix)
{
    for (int i = 0; i < requests.size(); ++i)
        if (requests.at(i).startsWith(prefix))
            return i;
    return -1;
}
} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

    EmulatedCatalog *catalog = nullptr;

    static void selectDevice(Ui::Widget *ui, const QString &name)
    {
        QTRY_VERIFY_WITH_TIMEOUT(ui->comboBox_ComDevices->findText(name) >= 0, 3000);
        ui->comboBox_ComDevices->setCurrentIndex(ui->comboBox_ComDevices->findText(name));
    }

private slots:
    void initTestCase() { qRegisterMetaType<QSerialPort::SerialPortError>(); }
    void init() { catalog = EmulatedCatalog::installNew(); }
    void cleanup() { PortCatalog::install(nullptr); }

    void connectSendsHandshakeSlotQueryAndDeviceInfo()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        EmulatedPedal pedal("TRV-40", 2);
        catalog->addPedal(&pedal);
        Widget w;
        Ui::Widget *ui = w.form();
        selectDevice(ui, pedal.productName());

        QElapsedTimer clock;
        QList<QPair<qint64, QByteArray>> arrivals;
        connect(&pedal, &EmulatedPedal::requestReceived, this, [&](const QByteArray &request) {
            arrivals << qMakePair(clock.elapsed(), request);
        });
        clock.start();
        QTest::mouseClick(ui->connectButton, Qt::LeftButton);

        QVERIFY(w.port()->isOpen());
        QCOMPARE(ui->connectButton->text(), QString("Disconnect"));
        QVERIFY(!ui->comboBox_ComDevices->isEnabled());
        for (QPushButton *b : {ui->checkButton, ui->setButton_6, ui->setButton_9, ui->setButton_7})
            QVERIFY(b->isEnabled());

        QTRY_VERIFY_WITH_TIMEOUT(!arrivals.isEmpty(), 2000);
        QCOMPARE(arrivals.first().second, kHandshake);
        // At once: well before the delayed slot query would be due, on a busy machine too.
        QVERIFY2(arrivals.first().first < 490, "the handshake goes out at once");

        QTRY_VERIFY_WITH_TIMEOUT(indexOfRequest(pedal.requests(), kDeviceInfo) >= 0, 3000);
        QList<QByteArray> requests;
        QList<qint64> times;
        for (const auto &[t, r] : arrivals) {
            times << t;
            requests << r;
        }
        const int query = indexOfRequest(requests, QByteArray::fromHex("F0 00 21 5E 04 04"));
        const int info = indexOfRequest(requests, kDeviceInfo);
        QVERIFY(query > 0 && info > query);
        QCOMPARE(requests.at(query).size(), 9);
        QCOMPARE(quint8(requests.at(query).at(7)), quint8(ui->Message_Number->currentIndex()));
        // Timers can only fire late, never early; the upper bounds leave room for a busy machine.
        QVERIFY2(times.at(query) >= 490 && times.at(query) < 2500,
                 qPrintable(QString::number(times.at(query))));
        QVERIFY2(times.at(info) >= 590 && times.at(info) < 2600,
                 qPrintable(QString::number(times.at(info))));
        QCOMPARE(script.unexpected, 0);
    }

    void disconnectClearsTablesAndCloses()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        EmulatedPedal pedal("ZB-4", 4);
        catalog->addPedal(&pedal);
        Widget w;
        Ui::Widget *ui = w.form();
        selectDevice(ui, pedal.productName());
        QTest::mouseClick(ui->connectButton, Qt::LeftButton);
        QVERIFY(w.port()->isOpen());

        for (QTableView *table : {ui->tableView, ui->tableView_2, ui->tableView_3}) {
            auto *m = qobject_cast<MonitorTableModel *>(table->model());
            QVERIFY(m);
            m->appendRow({"CC", "7", "1", "1"});
        }
        QTest::mouseClick(ui->connectButton, Qt::LeftButton);
        QVERIFY(!w.port()->isOpen());
        QCOMPARE(ui->connectButton->text(), QString("Connect"));
        QVERIFY(ui->comboBox_ComDevices->isEnabled());
        for (QTableView *table : {ui->tableView, ui->tableView_2, ui->tableView_3})
            QCOMPARE(table->model()->rowCount(), 0);
        for (QPushButton *b : {ui->checkButton, ui->setButton_6, ui->setButton_9, ui->setButton_7})
            QVERIFY(!b->isEnabled());
        QCOMPARE(script.unexpected, 0);
    }

    void refusesWithTheDeviceMessages()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        Widget w;
        Ui::Widget *ui = w.form();

        // Nothing listed.
        script.answer(QMessageBox::Ok);
        QTest::mouseClick(ui->connectButton, Qt::LeftButton);
        QCOMPARE(script.boxes.size(), 1);
        QCOMPARE(script.boxes.last().text, QString("port name error, please choose right com!"));
        QCOMPARE(script.boxes.last().buttons, QStringList("OK"));
        QVERIFY(!w.port()->isOpen());
        QCOMPARE(ui->connectButton->text(), QString("Connect"));

        // Listed, but the pedal vanished before the list noticed. Under a name of its own: a
        // freed pseudo-terminal number may go to another test's device at once.
        EmulatedPedal pedal("TRV-50", 4);
        pedal.setStablePortName(dir.filePath("usb-Volarix_TRV-50"));
        catalog->addPedal(&pedal);
        selectDevice(ui, pedal.productName());
        pedal.unplug();
        script.answer(QMessageBox::Ok);
        QTest::mouseClick(ui->connectButton, Qt::LeftButton);
        QCOMPARE(script.boxes.size(), 2);
        QCOMPARE(script.boxes.last().text, QString("Device error"));
        QCOMPARE(script.boxes.last().buttons, QStringList("OK"));
        QVERIFY(!w.port()->isOpen());
        QVERIFY(ui->comboBox_ComDevices->isEnabled());
        QCOMPARE(script.unexpected, 0);
    }

    void unplugClosesThePortWithoutSpinning()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        EmulatedPedal pedal("ZB-8", 8);
        catalog->addPedal(&pedal);
        Widget w;
        Ui::Widget *ui = w.form();
        selectDevice(ui, pedal.productName());
        QTest::mouseClick(ui->connectButton, Qt::LeftButton);
        QVERIFY(w.port()->isOpen());
        QTRY_VERIFY_WITH_TIMEOUT(!pedal.requests().isEmpty(), 2000);

        QSignalSpy errors(w.port(), &QSerialPort::errorOccurred);
        QVERIFY(errors.isValid());
        QElapsedTimer clock;
        clock.start();
        pedal.unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!w.port()->isOpen(), 1000);
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(ui->connectButton->text(), QString("Connect"));
        QVERIFY(ui->comboBox_ComDevices->isEnabled());

        // The entry leaves the list on the next refresh; the event loop is quiet again.
        QTRY_COMPARE_WITH_TIMEOUT(ui->comboBox_ComDevices->findText(pedal.productName()), -1, 3000);
        const int emitted = errors.count();
        QVERIFY2(emitted >= 1 && emitted < 10, qPrintable(QString::number(emitted)));
        QVERIFY(!errors.wait(300));

        // Plugged in again: listed again, and Connect works on the new port.
        QVERIFY(pedal.plugIn());
        selectDevice(ui, pedal.productName());
        QTest::mouseClick(ui->connectButton, Qt::LeftButton);
        QVERIFY(w.port()->isOpen());
        QCOMPARE(script.unexpected, 0);
    }

    void readErrorsAtEndOfFileCountAsUnplug()
    {
        // Some ttys report a hang-up only as endless read errors: the window must still
        // notice that the device is gone.
        ScopedWorkingDir dir;
        PromptScript script;
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
        CatalogPort port;
        port.portName = QString::fromLocal8Bit(ptsname(master));
        port.hasUsbIds = true;
        port.vendorId = 0x3E11;
        port.productId = 0x7777;
        catalog->addOtherPort(port, "Raw tty pedal");

        Widget w;
        Ui::Widget *ui = w.form();
        selectDevice(ui, "Raw tty pedal");
        QTest::mouseClick(ui->connectButton, Qt::LeftButton);
        QVERIFY(w.port()->isOpen());
        QVERIFY(!w.port()->deviceGone());

        // A read error while the device is still there changes nothing.
        emit w.port()->errorOccurred(QSerialPort::ReadError);
        QVERIFY(w.port()->isOpen());

        ::close(master);
        QVERIFY(w.port()->deviceGone()); // no event processed yet: only our own check ran
        emit w.port()->errorOccurred(QSerialPort::ReadError);
        QVERIFY(!w.port()->isOpen());
        QCOMPARE(ui->connectButton->text(), QString("Connect"));
        QCOMPARE(script.unexpected, 0);
    }
};

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
