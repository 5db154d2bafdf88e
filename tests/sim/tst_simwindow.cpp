// The emulated pedal as a new user meets it through the real window: a factory-fresh pedal
// shows a usable configuration right after Connect, its Set is accepted, and a configuration
// without an event is refused as the device would.
#include "app/widget.h"
#include "link/serialport.h"
#include "promptscript.h"
#include "protocol/messages.h"
#include "sim/emulatedcatalog.h"
#include "sim/emulatedpedal.h"
#include "testdir.h"
#include "ui_widget.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
constexpr int kWaitMs = 5000;

int records(const QSignalSpy &spy, int kind)
{
    int n = 0;
    for (const QList<QVariant> &args : spy)
        n += args.at(0).value<Protocol::MsgPackage>().kind == kind;
    return n;
}
} // namespace

class TestSimWindow : public QObject
{
    Q_OBJECT

private slots:
    void factoryFreshPedalAfterConnect_data();
    void factoryFreshPedalAfterConnect();
};

void TestSimWindow::factoryFreshPedalAfterConnect_data()
{
    QTest::addColumn<bool>("emptyEvent");
    QTest::addColumn<QString>("answer");
    QTest::newRow("Set right after Connect") << false << "Set pedal success!";
    QTest::newRow("Set with no event chosen") << true << "Wrong pedal type!";
}

void TestSimWindow::factoryFreshPedalAfterConnect()
{
    QFETCH(bool, emptyEvent);
    QFETCH(QString, answer);

    ScopedWorkingDir dir;
    PromptScript script;
    EmulatedCatalog *catalog = EmulatedCatalog::installNew();
    EmulatedPedal pedal(QStringLiteral("TRV-50"), 4);
    catalog->addPedal(&pedal);
    Widget w;
    Ui::Widget *ui = w.form();
    QTRY_VERIFY_WITH_TIMEOUT(ui->comboBox_ComDevices->count() == 1, kWaitMs);
    QSignalSpy spy(w.port(), &SerialPort::pedalMidiDataSignal);
    QTest::mouseClick(ui->connectButton, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(records(spy, Protocol::CheckPadelReply), 1, kWaitMs);
    // Connect's own requests end with the version request drawn by the 600 ms device-info
    // request; under load it may come after the slot reply and land among Set's requests.
    QTRY_VERIFY_WITH_TIMEOUT(
        pedal.requests().contains(Protocol::bootloaderRequest(Protocol::VersionRequest)), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(w.currentPedalVersion(), pedal.firmwareVersion(), kWaitMs);

    // Regression: an unwritten slot read back as pedal type 0 and emptied the type selectors.
    QCOMPARE(ui->pendal_type_comboBox0->currentText(), QStringLiteral("Expression"));
    QCOMPARE(ui->expression_comboBox0->currentText(),
             QStringLiteral("Continuous Controllers (CC)"));
    QCOMPARE(ui->expression_cc_comboBox_ctl->currentIndex(), 11);
    QCOMPARE(ui->expression_cc_comboBox_valmax->currentIndex(), 127);

    if (emptyEvent)
        ui->expression_comboBox0->setCurrentIndex(-1);
    pedal.clearReceived();
    script.answer(QMessageBox::Ok);
    QTest::mouseClick(ui->setButton_6, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(script.boxes.size(), 1, kWaitMs);
    QCOMPARE(script.boxes.first().text, answer);
    QCOMPARE(pedal.requests().size(), 1);
    const QByteArray sent = pedal.requests().first();
    QCOMPARE(quint8(sent.at(10)), quint8(emptyEvent ? 0xFF : 0x00));
    QCOMPARE(pedal.isSlotWritten(0, 0), !emptyEvent);
    QCOMPARE(script.unexpected, 0);
    PortCatalog::install(nullptr);
}

QTEST_MAIN(TestSimWindow)
#include "tst_simwindow.moc"
