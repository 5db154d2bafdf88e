// Writing, deleting, resetting and reading back a slot against an emulated pedal on a real
// pseudo-terminal: the window is driven as a user would, and the bytes the pedal received,
// the boxes shown and the editor after a Check are compared exactly.
#include "app/widget.h"
#include "curve/mycustomplot.h"
#include "link/serialport.h"
#include "promptscript.h"
#include "protocol/messages.h"
#include "sim/emulatedcatalog.h"
#include "sim/emulatedpedal.h"
#include "testdir.h"
#include "ui_widget.h"

#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

namespace {

constexpr int kWaitMs = 5000;
const QByteArray kQueryPrefix = QByteArray::fromHex("F0 00 21 5E 04 04");
const QByteArray kDeviceInfo = QByteArray::fromHex("AA CC 02 00 01 0D 0A");

// One user choice per entry, "objectName=value": a list entry by its text ("_" for a blank),
// "#n" by its position, "on" for a check box.
void applyChoices(Widget &w, const QStringList &choices)
{
    for (const QString &choice : choices) {
        const QString name = choice.section('=', 0, 0);
        const QString value = choice.section('=', 1).replace('_', ' ');
        if (auto *box = w.findChild<QCheckBox *>(name)) {
            box->setChecked(value == "on");
            continue;
        }
        auto *box = w.findChild<QComboBox *>(name);
        QVERIFY2(box, qPrintable(name));
        const int index = value.startsWith('#') ? value.mid(1).toInt() : box->findText(value);
        QVERIFY2(index >= 0 && index < box->count(), qPrintable(choice));
        box->setCurrentIndex(index);
    }
}

// The choices the editor does not show (any more) as they were made.
QStringList differingChoices(Widget &w, const QStringList &choices)
{
    QStringList differing;
    for (const QString &choice : choices) {
        const QString name = choice.section('=', 0, 0);
        const QString value = choice.section('=', 1).replace('_', ' ');
        QString shown;
        if (auto *box = w.findChild<QCheckBox *>(name))
            shown = box->isChecked() ? "on" : "off";
        else if (auto *box = w.findChild<QComboBox *>(name))
            shown = value.startsWith('#') ? '#' + QString::number(box->currentIndex())
                                          : box->currentText();
        if (shown != value)
            differing << choice + " shows " + shown;
    }
    return differing;
}

QList<QByteArray> requestsStartingWith(const EmulatedPedal &pedal, const QByteArray &prefix)
{
    QList<QByteArray> found;
    for (const QByteArray &r : pedal.requests())
        if (r.startsWith(prefix))
            found << r;
    return found;
}

int recordCount(const QSignalSpy &spy, int kind)
{
    int n = 0;
    for (const QList<QVariant> &args : spy)
        n += args.at(0).value<Protocol::MsgPackage>().kind == kind;
    return n;
}

// Every selector position and invert box of the window, by object name.
QMap<QString, int> editorSnapshot(Widget &w)
{
    QMap<QString, int> positions;
    for (QComboBox *box : w.findChildren<QComboBox *>())
        positions.insert(box->objectName(), box->currentIndex());
    for (QCheckBox *box : w.findChildren<QCheckBox *>())
        positions.insert(box->objectName(), box->isChecked());
    return positions;
}

QStringList changedNames(const QMap<QString, int> &before, const QMap<QString, int> &after)
{
    QStringList names;
    for (auto it = before.constBegin(); it != before.constEnd(); ++it)
        if (after.value(it.key()) != it.value())
            names << it.key();
    names.sort();
    return names;
}

QAction *factoryResetAction(Widget &w)
{
    for (QAction *menu : w.menuBar()->actions())
        for (QAction *a : menu->menu() ? menu->menu()->actions() : QList<QAction *>())
            if (a->text() == "Factory Reset")
                return a;
    return nullptr;
}

} // namespace

// Stands in for the desktop's browser.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened << url; }
};

class TestSending : public QObject
{
    Q_OBJECT

    EmulatedCatalog *catalog = nullptr;

    // Connects and waits until the answers to what Connect sends have been handled.
    static void connectTo(Widget &w, EmulatedPedal &pedal)
    {
        Ui::Widget *ui = w.form();
        QTRY_VERIFY_WITH_TIMEOUT(ui->comboBox_ComDevices->findText(pedal.productName()) >= 0,
                                 kWaitMs);
        ui->comboBox_ComDevices->setCurrentIndex(
            ui->comboBox_ComDevices->findText(pedal.productName()));
        QSignalSpy records(w.port(), &SerialPort::pedalMidiDataSignal);
        QTest::mouseClick(ui->connectButton, Qt::LeftButton);
        QVERIFY(w.port()->isOpen());
        QTRY_VERIFY_WITH_TIMEOUT(pedal.requests().contains(kDeviceInfo), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(recordCount(records, Protocol::CheckPadelReply) == 1, kWaitMs);
        // The last request a connection sends on its own is the version request that follows
        // the model reply; under load it may come after the slot query's reply, and then it
        // would land among the requests of the next step.
        QTRY_VERIFY_WITH_TIMEOUT(
            pedal.requests().contains(Protocol::bootloaderRequest(Protocol::VersionRequest)),
            kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(w.currentPedalVersion(), pedal.firmwareVersion(), kWaitMs);
        pedal.clearReceived();
    }

    // Clicks the button and waits until a reply of `kind` has been handled.
    static void clickAndWait(Widget &w, QAbstractButton *button, int kind)
    {
        QSignalSpy records(w.port(), &SerialPort::pedalMidiDataSignal);
        if (button->isVisible())
            QTest::mouseClick(button, Qt::LeftButton);
        else
            button->click(); // inside a group the window never shows
        QTRY_VERIFY_WITH_TIMEOUT(recordCount(records, kind) == 1, kWaitMs);
    }

private slots:
    void init() { catalog = EmulatedCatalog::installNew(); }
    void cleanup() { PortCatalog::install(nullptr); }

    void setThenCheck_data()
    {
        QTest::addColumn<QStringList>("choices");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char *name, const char *choices, const char *hex) {
            QTest::newRow(name) << QString(choices).split(' ') << QByteArray::fromHex(hex);
        };
        // Pedal 2, message 3; bytes 6 and 7 are 01 02.
        row("expression cc inverted with trigger group",
            "pendal_type_comboBox0=Expression expression_cc_comboBox_chl=4 "
            "expression_cc_comboBox_ctl=#7 expression_cc_comboBox_valmin=10 "
            "expression_cc_comboBox_valmax=100 expression_cc_comboBox_gain=10 "
            "expression_cc_comboBox_ql=-10 expression_trigger_level=5 expression_press_note=#36 "
            "expression_release_note=#38 ex_Evert_checkBox=on",
            // Byte 21: min 10, max 100 and gain 10 saturate the curve at 81 %.
            "F0 00 21 5E 10 03 01 02 01 03 00 07 00 64 0A 00 3C 05 24 26 28 51 00 F7");
        row("expression note",
            "pendal_type_comboBox0=Expression expression_comboBox0=NOTE "
            "expression_note_comboBox_ctl=#60 expression_note_comboBox_valmin=20 "
            "expression_note_comboBox_valmax=100",
            "F0 00 21 5E 10 03 01 02 01 00 02 3C 00 14 64 00 32 00 00 00 32 64 00 F7");
        row("pitch bend 200..16000 with trigger level 300",
            "pendal_type_comboBox0=Expression expression_comboBox0=Pitch_Bend "
            "expression_pitch_comboBox_chl=2 expression_pitch_comboBox_valmin=200 "
            "expression_pitch_comboBox_valmax=16000 expression_trigger_level=300",
            "F0 00 21 5E 10 03 01 02 01 01 03 01 7D 48 00 00 32 2C 00 00 32 64 01 F7");
        row("pitch bend inverted",
            "pendal_type_comboBox0=Expression expression_comboBox2=Pitch_Bend "
            "expression_pitch_comboBox_valmin=200 expression_pitch_comboBox_valmax=16000 "
            "ex_Evert_checkBox=on",
            "F0 00 21 5E 10 03 01 02 01 00 03 7D 01 00 48 00 32 00 00 00 32 64 00 F7");
        row("channel pressure inverted",
            "pendal_type_comboBox0=Expression expression_comboBox0=Channel_Pressure "
            "expression_ch_comboBox_val1=5 expression_ch_comboBox_val2=90 ex_Evert_checkBox=on",
            "F0 00 21 5E 10 03 01 02 01 00 04 5A 05 00 00 00 32 00 00 00 32 64 00 F7");
        row("switch cc long press inverted",
            "pendal_type_comboBox0=Switch switch_cc_comboBox_ctl=#64 "
            "switch_cc_comboBox_mode=LongPress switch_cc_comboBox_valmin=20 sw_Evert_checkBox=on",
            "F0 00 21 5E 10 03 01 02 02 00 00 40 00 14 80 05 00 00 00 00 00 64 00 F7");
        row("switch note toggle",
            "pendal_type_comboBox1=Switch switch_comboBox0=NOTE switch_note_comboBox_chl=16 "
            "switch_note_comboBox_nno=#60 switch_note_comboBox_mode=Toggle "
            "switch_note_comboBox_valmin=1 switch_note_comboBox_valmax=9",
            "F0 00 21 5E 10 03 01 02 02 0F 02 3C 00 01 09 01 00 00 00 00 00 64 00 F7");
        row("switch program change increase",
            "pendal_type_comboBox0=Switch switch_comboBox0=Program_Change_(PC) "
            "switch_pc_comboBox_chl=10 switch_pc_comboBox_mode=Increase "
            "switch_pc_comboBox_valmin=3 switch_pc_comboBox_valmax=40",
            "F0 00 21 5E 10 03 01 02 02 09 01 03 28 00 00 03 00 00 00 00 00 64 00 F7");
        row("switch stop toggle",
            "pendal_type_comboBox0=Switch switch_comboBox0=Stop switch_stop_comboBox_mode=Toggle",
            "F0 00 21 5E 10 03 01 02 02 00 07 00 00 00 00 01 00 00 00 00 00 64 00 F7");
        row("switch continue", "pendal_type_comboBox0=Switch switch_comboBox0=Continue",
            "F0 00 21 5E 10 03 01 02 02 00 06 00 00 00 00 00 00 00 00 00 00 64 00 F7");
        row("switch start toggle",
            "pendal_type_comboBox0=Switch switch_comboBox0=Start switch_start_comboBox_mode=Toggle",
            "F0 00 21 5E 10 03 01 02 02 00 05 00 00 00 00 01 00 00 00 00 00 64 00 F7");
        row("switch tempo carries 01 F4", "pendal_type_comboBox0=Switch switch_comboBox0=Tempo",
            "F0 00 21 5E 10 03 01 02 02 00 08 00 00 01 F4 00 00 00 00 00 00 64 00 F7");
        row("hi-hat cc inverted with trigger group",
            "pendal_type_comboBox0=Hi-Hat hat_cc_comboBox_chl=4 hat_cc_comboBox_ctl=#11 "
            "hat_cc_comboBox_valmin=20 hat_cc_comboBox_valmax=110 hat_cc_comboBox_gain=10 "
            "hat_cc_comboBox_ql=-10 hat_trigger_level=5 hat_press_note=#36 hat_release_note=#38 "
            "ht_Evert_checkBox=on",
            "F0 00 21 5E 10 03 01 02 03 03 00 0B 00 6E 14 00 3C 05 24 26 28 64 00 F7");
        row("hi-hat note",
            "pendal_type_comboBox2=Hi-Hat hat_comboBox0=NOTE hat_note_comboBox_chl=10 "
            "hat_note_comboBox_ctl=#38 hat_note_comboBox_valmin=30 hat_note_comboBox_valmax=90",
            "F0 00 21 5E 10 03 01 02 03 09 02 26 00 1E 5A 00 32 00 00 00 32 64 00 F7");
    }

    void setThenCheck()
    {
        QFETCH(QStringList, choices);
        QFETCH(QByteArray, expected);
        ScopedWorkingDir dir;
        PromptScript script;
        EmulatedPedal pedal("ZB-5", 4); // extended editor and the Tempo event
        catalog->addPedal(&pedal);
        {
            Widget w;
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            connectTo(w, pedal);
            applyChoices(w, QStringList{"Pedal_Number=2", "Message_Number=3"} + choices);
            if (QTest::currentTestFailed())
                return;
            Ui::Widget *ui = w.form();
            QPushButton *set =
                QList<QPushButton *>{ui->setButton_6, ui->setButton_9, ui->setButton_7}.value(
                    ui->pedal_type_stack->currentIndex());
            // The page that just came up is laid out on the next turn of the event loop.
            QTRY_VERIFY_WITH_TIMEOUT(set->isVisible() && !set->rect().isEmpty(), kWaitMs);
            script.answer(QMessageBox::Ok);
            clickAndWait(w, set, Protocol::SetPadelReply);
            const auto written = requestsStartingWith(pedal, QByteArray::fromHex("F000215E1003"));
            QCOMPARE(written.size(), 1);
            QCOMPARE(written.first().toHex(' '), expected.toHex(' '));
            QCOMPARE(pedal.storedSlot(1, 2), expected.mid(6, 17));
            QTRY_COMPARE_WITH_TIMEOUT(script.boxes.size(), 1, kWaitMs);
            QCOMPARE(script.boxes.first().title, QString("Information"));
            QCOMPARE(script.boxes.first().text, QString("Set pedal success!"));
            QCOMPARE(script.boxes.first().icon, QMessageBox::Information);
            QCOMPARE(script.boxes.first().buttons, QStringList("OK"));
            QVERIFY(script.boxes.first().hasParent);
            QTest::mouseClick(ui->connectButton, Qt::LeftButton);
        }

        // A fresh window reads the slot back and shows the same configuration again.
        Widget w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        connectTo(w, pedal);
        applyChoices(w, {"Pedal_Number=2", "Message_Number=3"});
        QVERIFY(w.buildConfiguration() != expected);
        clickAndWait(w, w.form()->checkButton, Protocol::CheckPadelReply);
        QCOMPARE(pedal.requests(),
                 QList<QByteArray>{QByteArray::fromHex("F0 00 21 5E 04 04 01 02 F7")});
        QCOMPARE(differingChoices(w, choices), QStringList());
        QCOMPARE(w.form()->Pedal_Type->currentIndex(), expected.at(8) - 1);
        QCOMPARE(w.form()->pedal_type_stack->currentIndex(), expected.at(8) - 1);
        QCOMPARE(w.buildConfiguration().toHex(' '), expected.toHex(' '));
        QCOMPARE(script.unexpected, 0);
    }

    void deleteThenCheckShowsTheClearedSlot()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        EmulatedPedal pedal("TRV-40", 4);
        catalog->addPedal(&pedal);
        const QByteArray stored = QByteArray::fromHex("0204020000070000 7F0100000000000000");
        pedal.storeSlot(2, 4, stored);
        pedal.storeSlot(1, 0, stored);
        Widget w;
        connectTo(w, pedal);
        Ui::Widget *ui = w.form();
        applyChoices(w, {"Pedal_Number=3", "Message_Number=5", "pendal_type_comboBox0=Switch"});

        // Every Delete button asks for the chosen pedal; the message plays no part.
        for (QPushButton *button :
             {ui->pushButton, ui->pushButton_3, ui->pushButton_2, ui->deleteButton}) {
            script.answer(QMessageBox::Ok);
            pedal.clearReceived();
            clickAndWait(w, button, Protocol::DeletePadelReply);
            QCOMPARE(pedal.requests(),
                     QList<QByteArray>{QByteArray::fromHex("F0 00 21 5E 03 05 02 F7")});
        }
        QTRY_COMPARE_WITH_TIMEOUT(script.boxes.size(), 4, kWaitMs);
        for (const SeenBox &box : script.boxes) {
            QCOMPARE(box.title, QString("Information"));
            QCOMPARE(box.text, QString("Delete message success!"));
            QCOMPARE(box.buttons, QStringList("OK"));
        }
        QVERIFY(!pedal.isSlotWritten(2, 4));
        QVERIFY(pedal.isSlotWritten(1, 0));

        clickAndWait(w, ui->checkButton, Protocol::CheckPadelReply);
        QCOMPARE(ui->Pedal_Number->currentText(), QString("3"));
        QCOMPARE(ui->Message_Number->currentText(), QString("5"));
        // A cleared slot reads back as the factory default: Expression, CC 11 on channel 1,
        // 0-127 (a reply without a pedal type is covered in badReadBackChangesOnlyWhatItMay).
        QCOMPARE(ui->pendal_type_comboBox0->currentText(), QString("Expression"));
        QCOMPARE(ui->Pedal_Type->currentIndex(), 0);
        QCOMPARE(ui->pedal_type_stack->currentIndex(), 0);
        QCOMPARE(differingChoices(
                     w, {"expression_comboBox0=Continuous Controllers (CC)",
                         "expression_cc_comboBox_chl=#0", "expression_cc_comboBox_ctl=#11",
                         "expression_cc_comboBox_valmin=#0", "expression_cc_comboBox_valmax=#127"}),
                 QStringList());
        QCOMPARE(script.unexpected, 0);
    }

    void factoryResetAsksFirst()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        EmulatedPedal pedal("ZB-4", 2);
        catalog->addPedal(&pedal);
        pedal.storeSlot(1, 1, QByteArray::fromHex("0101020007000000000000000000000000"));
        Widget w;
        connectTo(w, pedal);
        QAction *reset = factoryResetAction(w);
        QVERIFY(reset);

        script.answer(QMessageBox::Cancel);
        reset->trigger();
        QCOMPARE(script.boxes.size(), 1);
        const SeenBox question = script.boxes.first();
        QCOMPARE(question.title, QString("Reset"));
        QCOMPARE(question.text, QString("Factory Reset?"));
        QCOMPARE(question.icon, QMessageBox::Question);
        QCOMPARE(question.buttons, QStringList({"OK", "Cancel"}));
        QVERIFY(question.hasParent);
        // Anything written would arrive before this query.
        clickAndWait(w, w.form()->checkButton_2, Protocol::CheckPadelReply);
        QCOMPARE(pedal.requests().size(), 1);
        QVERIFY(pedal.requests().first().startsWith(kQueryPrefix));
        QVERIFY(pedal.isSlotWritten(1, 1));

        script.answer(QMessageBox::Ok); // the question
        script.answer(QMessageBox::Ok); // its acknowledgment
        pedal.clearReceived();
        reset->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(script.boxes.size(), 3, kWaitMs);
        QCOMPARE(pedal.requests(),
                 QList<QByteArray>{QByteArray::fromHex("F0 00 21 5E 03 05 58 F7")});
        QCOMPARE(script.boxes.last().text, QString("Delete message success!"));
        QVERIFY(!pedal.isSlotWritten(1, 1));
        QCOMPARE(script.unexpected, 0);
    }

    void acknowledgmentBoxes_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("text");
        QTest::newRow("wrong pedal number") << 1 << "The pedal number is wrong!";
        QTest::newRow("wrong pedal type") << 2 << "Wrong pedal type!";
        QTest::newRow("tempo limit keeps its trailing blank")
            << 3 << "Only one message configuration can be set in Tempo mode. ";
        QTest::newRow("any other result: the latest release box") << 9 << QString();
    }

    void acknowledgmentBoxes()
    {
        QFETCH(int, result);
        QFETCH(QString, text);
        ScopedWorkingDir dir;
        PromptScript script;
        EmulatedPedal pedal("ZB-4", 2);
        catalog->addPedal(&pedal);
        Widget w;
        connectTo(w, pedal);
        pedal.forceNextSetResult(quint8(result));
        script.answer(QMessageBox::Ok);
        clickAndWait(w, w.form()->setButton_6, Protocol::SetPadelReply);
        QTRY_COMPARE_WITH_TIMEOUT(script.boxes.size(), 1, kWaitMs);
        const SeenBox box = script.boxes.first();
        QCOMPARE(box.title, QString("Information"));
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(box.buttons, QStringList("OK"));
        QVERIFY(box.hasParent);
        if (!text.isEmpty()) {
            QCOMPARE(box.text, text);
            QVERIFY(box.textFormat != Qt::RichText);
        } else {
            QCOMPARE(box.text, QString("This software is the latest release. Please ensure that "
                                       "your product is using the latest firmware. Download the "
                                       "latest firmware from the official website: <a "
                                       "href=\"https://www.volarix.example\"><span "
                                       "style=\"color:#FFA500;\">https://www.volarix.example"
                                       "</span></a>"));
            QCOMPARE(box.textFormat, Qt::RichText);
            QCOMPARE(box.interaction, Qt::TextInteractionFlags(Qt::TextBrowserInteraction));
        }
        QCOMPARE(script.unexpected, 0);
    }

    void latestReleaseLinkOpensInTheBrowser()
    {
        ScopedWorkingDir dir;
        UrlRecorder browser;
        QDesktopServices::setUrlHandler("https", &browser, "open");
        UserPrompt::setMessageResponder([](QMessageBox &box) {
            box.show();
            if (auto *label = box.findChild<QLabel *>("qt_msgbox_label")) {
                label->setFocus();
                QTest::keyClick(label, Qt::Key_Tab); // onto the link
                QTest::keyClick(label, Qt::Key_Return);
            }
            return int(QMessageBox::Ok);
        });
        Widget w;
        w.showSetResult(QByteArray::fromHex("F0 00 21 5E 10 03 00 07 F7"));
        QTRY_COMPARE_WITH_TIMEOUT(browser.opened.size(), 1, kWaitMs);
        QCOMPARE(browser.opened.first(), QUrl("https://www.volarix.example"));
        UserPrompt::setMessageResponder({});
        QDesktopServices::unsetUrlHandler("https");
    }

    void garbledAcknowledgmentShowsNoBox()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        Widget w;
        for (const char *hex : {"F0 00 21 5E 10 03 00", "F0 00 21 5E 10 04 00 00 F7",
                                "00 00 21 5E 10 03 00 00 F7", "F0 00 21 5E 10 03 00 00 00 00 F7"})
            w.showSetResult(QByteArray::fromHex(hex));
        for (const char *hex :
             {"F0 00 21 5E 10 05 00", "F0 00 21 5E 10 03 00 F7", "F0 00 21 5E 10 05 00 00 00 F7"})
            w.showDeleteResult(QByteArray::fromHex(hex));
        w.showSetResult({});
        w.showDeleteResult({});
        // One good one last: a box before it would have come first.
        script.answer(QMessageBox::Ok);
        w.showDeleteResult(QByteArray::fromHex("F0 00 21 5E 10 05 00 F7"));
        QCOMPARE(script.boxes.size(), 0); // posted, not shown from inside the handler
        QTRY_COMPARE_WITH_TIMEOUT(script.boxes.size(), 1, kWaitMs);
        QCOMPARE(script.boxes.first().text, QString("Delete message success!"));
        QCOMPARE(script.unexpected, 0);
    }

    void handshakeFillsPedalNumber()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        EmulatedPedal pedal("ZB-4", 6);
        catalog->addPedal(&pedal);
        Widget w;
        Ui::Widget *ui = w.form();
        connectTo(w, pedal);
        QStringList entries;
        for (int i = 0; i < ui->Pedal_Number->count(); ++i)
            entries << ui->Pedal_Number->itemText(i);
        QCOMPARE(entries, QStringList({"1", "2", "3", "4", "5", "6"}));
        QCOMPARE(ui->Pedal_Number->currentText(), QString("1"));

        ui->Pedal_Number->setCurrentIndex(4);
        QSignalSpy records(w.port(), &SerialPort::pedalMidiDataSignal);
        QVERIFY(pedal.sendRaw(QByteArray::fromHex("F0 00 21 5E 01 0C F7"))); // 12 pedals
        QTRY_COMPARE_WITH_TIMEOUT(recordCount(records, Protocol::HandshadeReplyCmd), 1, kWaitMs);
        QCOMPARE(ui->Pedal_Number->count(), 6);
        QCOMPARE(ui->Pedal_Number->currentIndex(), 4);
        QVERIFY(pedal.sendRaw(QByteArray::fromHex("F0 00 21 5E 01 00 F7")));
        QTRY_COMPARE_WITH_TIMEOUT(recordCount(records, Protocol::HandshadeReplyCmd), 2, kWaitMs);
        QCOMPARE(ui->Pedal_Number->count(), 0);

        // Without a pedal chosen the index byte is FF.
        script.answer(QMessageBox::Ok);
        clickAndWait(w, ui->pushButton, Protocol::DeletePadelReply);
        QCOMPARE(pedal.requests().last(), QByteArray::fromHex("F0 00 21 5E 03 05 FF F7"));
        QTRY_COMPARE_WITH_TIMEOUT(script.boxes.size(), 1, kWaitMs);
        QCOMPARE(script.unexpected, 0);
    }

    // The model rules themselves are in tst_configuration; here the status the link keeps
    // reaches them, and a ZB-8 gets Check 500 ms after connecting.
    void checkQueryFollowsTheModel()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        EmulatedPedal zb8("ZB-8", 8);
        catalog->addPedal(&zb8);
        Widget w;
        Ui::Widget *ui = w.form();
        QTRY_VERIFY_WITH_TIMEOUT(ui->comboBox_ComDevices->count() == 1, kWaitMs);
        QSignalSpy connectRecords(w.port(), &SerialPort::pedalMidiDataSignal);
        QTest::mouseClick(ui->connectButton, Qt::LeftButton);
        QVERIFY(zb8.sendZb8Status(0)); // before the 500 ms Check: pedal 1 not connected
        QTRY_COMPARE_WITH_TIMEOUT(recordCount(connectRecords, Protocol::CheckPadelReply), 1,
                                  kWaitMs);
        // The device-info request (600 ms) and the version request it draws come before the
        // queries below are counted, however late the machine's load makes them.
        QTRY_VERIFY_WITH_TIMEOUT(
            zb8.requests().contains(Protocol::bootloaderRequest(Protocol::VersionRequest)),
            kWaitMs);
        QCOMPARE(requestsStartingWith(zb8, kQueryPrefix),
                 QList<QByteArray>{QByteArray::fromHex("F0 00 21 5E 04 04 00 00 00 F7")});

        QVERIFY(zb8.sendZb8Status(5)); // pedals 1 and 3
        QTRY_COMPARE_WITH_TIMEOUT(w.port()->zb8StatusBits, 5, kWaitMs);
        const QList<QPair<QAbstractButton *, QByteArray>> checks = {
            {ui->checkButton, QByteArray::fromHex("F0 00 21 5E 04 04 01 00 02 F7")},
            {ui->checkButton_2, QByteArray::fromHex("F0 00 21 5E 04 04 01 00 F7")}};
        for (const auto &[button, query] : checks) {
            applyChoices(w, {"Pedal_Number=2", "pendal_type_comboBox0=Hi-Hat"});
            zb8.clearReceived();
            clickAndWait(w, button, Protocol::CheckPadelReply);
            QCOMPARE(zb8.requests(), QList<QByteArray>{query});
        }
        applyChoices(w, {"Pedal_Number=3"});
        zb8.clearReceived();
        clickAndWait(w, ui->checkButton, Protocol::CheckPadelReply);
        QCOMPARE(zb8.requests(),
                 QList<QByteArray>{QByteArray::fromHex("F0 00 21 5E 04 04 02 00 F7")});
        QCOMPARE(script.unexpected, 0);
    }

    void badReadBackChangesOnlyWhatItMay()
    {
        ScopedWorkingDir dir;
        PromptScript script;
        EmulatedPedal pedal("ZB-5", 4);
        catalog->addPedal(&pedal);
        Widget w;
        connectTo(w, pedal);
        Ui::Widget *ui = w.form();
        QSignalSpy records(w.port(), &SerialPort::pedalMidiDataSignal);
        const auto deliver = [&](const char *hex) {
            const int before = recordCount(records, Protocol::CheckPadelReply);
            QVERIFY(pedal.sendRaw(QByteArray::fromHex(hex)));
            QTRY_COMPARE_WITH_TIMEOUT(recordCount(records, Protocol::CheckPadelReply), before + 1,
                                      kWaitMs);
        };

        // Channel 20, max 200, gain 112 and curve 200 lie beyond their lists: those show no
        // entry (and the range check sees no choice to refuse), the rest is applied.
        applyChoices(w, {"pendal_type_comboBox0=Expression"});
        auto before = editorSnapshot(w);
        deliver("F0 00 21 5E 10 04 01 03 01 14 00 07 00 0A C8 00 70 00 00 00 C8 00 00 F7");
        for (QComboBox *box : {ui->expression_cc_comboBox_chl, ui->expression_cc_comboBox_valmax,
                               ui->expression_cc_comboBox_gain, ui->expression_cc_comboBox_ql})
            QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(differingChoices(
                     w, {"expression_cc_comboBox_ctl=#7", "expression_cc_comboBox_valmin=10"}),
                 QStringList());
        // Only the maximum was written quietly: the minimum went through its range check on
        // to the curve.
        QVERIFY(w.expressionCurvePlot());
        QCOMPARE(w.expressionCurvePlot()->min, 10.0);
        // Pedal_Type already held Expression from the factory-fresh slot read after Connect.
        QCOMPARE(ui->Pedal_Type->currentIndex(), 0);
        QCOMPARE(changedNames(before, editorSnapshot(w)),
                 QStringList({"MIDI_Channel", "Message_Number", "Pedal_Number",
                              "expression_cc_comboBox_chl", "expression_cc_comboBox_ctl",
                              "expression_cc_comboBox_gain", "expression_cc_comboBox_ql",
                              "expression_cc_comboBox_valmax", "expression_cc_comboBox_valmin"}));

        // The same when the maximum beyond its list has to be written first, because the new
        // minimum lies above the maximum shown: the minimum still reaches the curve.
        applyChoices(w, {"expression_cc_comboBox_valmax=20"});
        deliver("F0 00 21 5E 10 04 01 03 01 01 00 07 00 3C C8 00 32 00 00 00 32 00 00 F7");
        QCOMPARE(ui->expression_cc_comboBox_valmax->currentIndex(), -1);
        QCOMPARE(ui->expression_cc_comboBox_valmin->currentIndex(), 60);
        QCOMPARE(w.expressionCurvePlot()->min, 60.0);

        // Pedal type 7: pedal, message and type selectors, nothing else.
        before = editorSnapshot(w);
        deliver("F0 00 21 5E 10 04 02 05 07 03 02 3C 00 14 64 01 20 05 24 26 28 00 00 F7");
        QCOMPARE(changedNames(before, editorSnapshot(w)),
                 QStringList({"MIDI_Channel", "Message_Number", "Pedal_Number", "Pedal_Type",
                              "pendal_type_comboBox0", "pendal_type_comboBox1",
                              "pendal_type_comboBox2"}));
        QCOMPARE(ui->pendal_type_comboBox0->currentIndex(), -1);
        QCOMPARE(ui->pedal_type_stack->currentIndex(), 0);

        // Event code 12 names no event: the Switch page is shown with the values it had.
        applyChoices(w, {"pendal_type_comboBox0=Expression"});
        before = editorSnapshot(w);
        deliver("F0 00 21 5E 10 04 01 01 02 03 0C 3C 00 14 64 01 20 05 24 26 28 00 00 F7");
        QCOMPARE(ui->pedal_type_stack->currentIndex(), 1);
        QCOMPARE(
            changedNames(before, editorSnapshot(w)),
            QStringList({"Message_Number", "Pedal_Number", "Pedal_Type", "pendal_type_comboBox0",
                         "pendal_type_comboBox1", "pendal_type_comboBox2"}));

        // A 23-byte reply is accepted (its byte 22 reads 0).
        deliver("F0 00 21 5E 10 04 00 00 03 00 02 26 00 1E 5A 00 32 00 00 00 32 64 F7");
        QCOMPARE(ui->pedal_type_stack->currentIndex(), 2);
        QCOMPARE(
            differingChoices(w, {"hat_comboBox0=NOTE", "hat_note_comboBox_ctl=#38",
                                 "hat_note_comboBox_valmin=30", "hat_note_comboBox_valmax=90"}),
            QStringList());
        QCOMPARE(script.unexpected, 0);
    }
};

QTEST_MAIN(TestSending)
#include "tst_sending.moc"
