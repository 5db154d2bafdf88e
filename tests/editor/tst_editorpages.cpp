// The editor pages of the real window, driven the way a user drives them: a choice on any
// copy of a selector, the pages that follow, the trigger groups and the device adaptation.
#include "app/widget.h"
#include "editor/vocabulary.h"
#include "promptscript.h"
#include "testdir.h"
#include "ui_widget.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

namespace {

// Chooses by text, as a user picking the entry would.
void choose(QComboBox *selector, const QString &text)
{
    const int index = selector->findText(text);
    QVERIFY2(index >= 0, qPrintable(selector->objectName() + QLatin1String(": ") + text));
    selector->setCurrentIndex(index);
}

QStringList texts(const QList<QComboBox *> &selectors)
{
    QStringList result;
    for (const QComboBox *selector : selectors)
        result << selector->currentText();
    return result;
}

QStringList itemTexts(const QComboBox *selector)
{
    QStringList result;
    for (int i = 0; i < selector->count(); ++i)
        result << selector->itemText(i);
    return result;
}

struct Window
{
    ScopedWorkingDir dir;
    PromptScript prompts;
    Widget widget;
    Ui::Widget *ui = widget.form();

    QList<QComboBox *> expressionEvents() const
    {
        return {ui->expression_comboBox0, ui->expression_comboBox1, ui->expression_comboBox2,
                ui->expression_comboBox3};
    }
    QList<QComboBox *> switchEvents() const
    {
        return {ui->switch_comboBox0, ui->switch_comboBox1, ui->switch_comboBox2,
                ui->switch_comboBox3, ui->switch_comboBox4, ui->switch_comboBox5,
                ui->switch_comboBox6};
    }
    QList<QComboBox *> hatEvents() const { return {ui->hat_comboBox0, ui->hat_comboBox1}; }
    QList<QComboBox *> pedalTypes() const
    {
        return {ui->pendal_type_comboBox0, ui->pendal_type_comboBox1, ui->pendal_type_comboBox2};
    }
    // CC, NOTE, Program Change, Stop, Continue, Start, Tempo
    QList<QComboBox *> modes() const
    {
        return {ui->switch_cc_comboBox_mode,   ui->switch_note_comboBox_mode,
                ui->switch_pc_comboBox_mode,   ui->switch_stop_comboBox_mode,
                ui->switch_ctu_comboBox_mode,  ui->switch_start_comboBox_mode,
                ui->switch_tempo_comboBox_mode};
    }
    QList<QWidget *> switchMaxWidgets() const
    {
        return {ui->switch_cc_comboBox_valmax,   ui->label_48,
                ui->switch_note_comboBox_valmax, ui->label_79,
                ui->switch_pc_comboBox_valmax,   ui->label_135};
    }
    QList<QWidget *> extendedWidgets() const
    {
        return {ui->widget_8,
                ui->widget_10,
                ui->expression_trigger_level,
                ui->expression_cc_comboBox_ql,
                ui->expression_note_comboBox_ql,
                ui->expression_pitch_comboBox_ql,
                ui->expression_ch_comboBox_ql,
                ui->hat_cc_comboBox_ql,
                ui->hat_note_comboBox_ql,
                ui->label_117,
                ui->label_118,
                ui->label_119,
                ui->label_133,
                ui->label_134,
                ui->label_136};
    }
};

bool allHidden(const QList<QWidget *> &widgets, bool hidden)
{
    for (const QWidget *widget : widgets) {
        if (widget->isHidden() != hidden) {
            qWarning("%s hidden=%d", qPrintable(widget->objectName()), widget->isHidden());
            return false;
        }
    }
    return true;
}

} // namespace

class TestEditorPages : public QObject
{
    Q_OBJECT

private slots:
    void startUpState();
    void aChoiceOnAnyCopyShowsThePageByText_data();
    void aChoiceOnAnyCopyShowsThePageByText();
    void switchTriggerModes_data();
    void switchTriggerModes();
    void switchEventChangeAfterToggle();
    void expressionNoteAndTriggerGroup();
    void pitchBendSwapsTheLevelList();
    void hatPages();
    void resetOfPagesNotInUse();
    void adaptationPerModel_data();
    void adaptationPerModel();
    void selectorTable();
};

void TestEditorPages::startUpState()
{
    Window w;
    const Ui::Widget *ui = w.ui;
    QVERIFY(allHidden(w.extendedWidgets(), true));
    QVERIFY(ui->groupBox_2->isHidden());
    QVERIFY(ui->groupBox_16->isHidden());
    QVERIFY(!ui->expression_press_note->isEnabled());
    QVERIFY(!ui->expression_release_note->isEnabled());
    for (const QStackedWidget *stack : {ui->pedal_type_stack, ui->expression_stackedWidget,
                                        ui->switch_stackedWidget, ui->hat_stackedWidget})
        QCOMPARE(stack->currentIndex(), 0);
    for (QComboBox *event : w.expressionEvents() + w.switchEvents() + w.hatEvents())
        QCOMPARE(event->currentText(), QStringLiteral("Continuous Controllers (CC)"));
    for (QComboBox *mode : w.modes())
        QCOMPARE(mode->currentText(), QStringLiteral("Single"));
    QVERIFY(allHidden(w.switchMaxWidgets(), true));
    QCOMPARE(ui->switch_comboBox6->count(), 6); // no Tempo until a device supports it

    // Defaults as filled, read on the window's own selectors.
    QCOMPARE(ui->expression_cc_comboBox_gain->currentText(), QStringLiteral("0"));
    QCOMPARE(ui->switch_pc_comboBox_chl->currentText(), QStringLiteral("1"));
    QCOMPARE(ui->expression_pitch_comboBox_valmax->currentText(), QStringLiteral("16383"));
    QCOMPARE(ui->hat_trigger_level->currentText(), QStringLiteral("OFF"));
    QCOMPARE(ui->hat_trigger_level->count(), 128);
    QCOMPARE(ui->expression_note_comboBox_ctl->itemText(60), QStringLiteral("60 / C4"));
    QCOMPARE(ui->hat_cc_comboBox_ctl->itemText(7), QStringLiteral("7) Volume"));
    QCOMPARE(ui->expression_cc_comboBox_ctl->count(), 128);
    QCOMPARE(itemTexts(ui->switch_cc_comboBox_mode), triggerModeList(TriggerModeSet::Full));
    QCOMPARE(itemTexts(ui->switch_start_comboBox_mode), QStringList({"Single", "Toggle"}));
    QCOMPARE(ui->switch_status->count(), 3);
    QCOMPARE(ui->switch_mode->count(), 5);
    // The long lists are the shared ones, not copies.
    QCOMPARE(ui->expression_pitch_comboBox_valmin->model(), valueList16383());
    QCOMPARE(ui->expression_pitch_comboBox_valmax->model(), valueList16383());
    QCOMPARE(ui->expression_trigger_level->model(), levelList127());
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestEditorPages::aChoiceOnAnyCopyShowsThePageByText_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("copy");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<int>("page");
    QTest::newRow("expression NOTE on the CC page") << "expression" << 0 << "NOTE" << 1;
    QTest::newRow("expression Pitch Bend on the last copy")
        << "expression" << 3 << "Pitch Bend" << 2;
    QTest::newRow("switch Start is page 5, list entry 5") << "switch" << 0 << "Start" << 5;
    QTest::newRow("switch NOTE is list entry 2 but page 1") << "switch" << 0 << "NOTE" << 1;
    QTest::newRow("switch Program Change is list entry 1 but page 2")
        << "switch" << 0 << "Program Change (PC)" << 2;
    QTest::newRow("switch Stop chosen on the Start page's copy") << "switch" << 5 << "Stop" << 3;
    QTest::newRow("hat NOTE") << "hat" << 0 << "NOTE" << 1;
    QTest::newRow("hat NOTE on the NOTE page copy") << "hat" << 1 << "NOTE" << 1;
    QTest::newRow("pedal type Hi-Hat on the Switch page") << "type" << 1 << "Hi-Hat" << 2;
}

void TestEditorPages::aChoiceOnAnyCopyShowsThePageByText()
{
    QFETCH(QString, family);
    QFETCH(int, copy);
    QFETCH(QString, choice);
    QFETCH(int, page);
    Window w;
    QList<QComboBox *> copies;
    QStackedWidget *stack = nullptr;
    if (family == QLatin1String("expression")) {
        copies = w.expressionEvents();
        stack = w.ui->expression_stackedWidget;
    } else if (family == QLatin1String("switch")) {
        copies = w.switchEvents();
        stack = w.ui->switch_stackedWidget;
    } else if (family == QLatin1String("hat")) {
        copies = w.hatEvents();
        stack = w.ui->hat_stackedWidget;
    } else {
        copies = w.pedalTypes();
        stack = w.ui->pedal_type_stack;
    }
    // Put the pages elsewhere first, so a stale copy would show.
    choose(w.ui->switch_comboBox0, QStringLiteral("Continue"));
    choose(w.ui->expression_comboBox0, QStringLiteral("Pitch Bend"));
    if (family == QLatin1String("expression") && choice == QLatin1String("Pitch Bend"))
        choose(w.ui->expression_comboBox0, QStringLiteral("NOTE"));

    choose(copies.at(copy), choice);
    QStringList expected;
    for (int i = 0; i < copies.size(); ++i)
        expected << choice;
    QCOMPARE(texts(copies), expected);
    QCOMPARE(stack->currentIndex(), page);
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestEditorPages::switchTriggerModes_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("chosenOn"); // page order: 0 CC, 1 NOTE, 2 PC, 3 Stop, 5 Start
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("maxShown");
    // CC, NOTE, Program Change, Stop, Continue, Start, Tempo
    QTest::newRow("Toggle on CC") << "Toggle" << 0
                                  << QStringList{"Toggle", "Toggle", "Toggle", "Toggle",
                                                 "Single", "Toggle", "Single"}
                                  << true;
    QTest::newRow("Increase: Start and Stop cannot follow")
        << "Increase" << 0
        << QStringList{"Increase", "Increase", "Increase", "Single", "Single", "Single", "Single"}
        << true;
    QTest::newRow("LongPress hides Max")
        << "LongPress" << 1 << QStringList{"LongPress", "LongPress", "LongPress", "Single",
                                           "Single",    "Single",    "Single"}
        << false;
    QTest::newRow("Single on the Stop page after Toggle")
        << "Single" << 3
        << QStringList{"Single", "Single", "Single", "Single", "Single", "Single", "Single"}
        << false;
}

void TestEditorPages::switchTriggerModes()
{
    QFETCH(QString, mode);
    QFETCH(int, chosenOn);
    QFETCH(QStringList, expected);
    QFETCH(bool, maxShown);
    Window w;
    const QList<QComboBox *> modes = w.modes();
    if (mode == QLatin1String("Single"))
        choose(w.ui->switch_cc_comboBox_mode, QStringLiteral("Toggle"));
    choose(modes.at(chosenOn), mode);
    QCOMPARE(texts(modes), expected);
    QVERIFY(allHidden(w.switchMaxWidgets(), !maxShown));
    for (const QLabel *label : {w.ui->label_48, w.ui->label_79, w.ui->label_135})
        QCOMPARE(label->text(), QStringLiteral("Max"));
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestEditorPages::switchEventChangeAfterToggle()
{
    Window w;
    choose(w.ui->switch_cc_comboBox_mode, QStringLiteral("Toggle"));
    w.ui->switch_cc_comboBox_chl->setCurrentIndex(4);
    w.ui->switch_note_comboBox_nno->setCurrentIndex(60);

    // Changed on the Stop page's copy: its own mode is left, the others are reset.
    choose(w.ui->switch_comboBox0, QStringLiteral("Stop"));
    QCOMPARE(texts(w.modes()),
             QStringList({"Toggle", "Toggle", "Toggle", "Single", "Single", "Single", "Single"}));
    choose(w.ui->switch_stop_comboBox_mode, QStringLiteral("Toggle"));
    choose(w.ui->switch_comboBox3, QStringLiteral("Start"));
    QCOMPARE(w.ui->switch_stackedWidget->currentIndex(), 5);
    QCOMPARE(texts(w.modes()),
             QStringList({"Toggle", "Toggle", "Toggle", "Toggle", "Single", "Single", "Single"}));
    QVERIFY(allHidden(w.switchMaxWidgets(), false));

    // Other Switch pages keep what was set on them.
    choose(w.ui->switch_comboBox5, QStringLiteral("Continuous Controllers (CC)"));
    QCOMPARE(w.ui->switch_stackedWidget->currentIndex(), 0);
    QCOMPARE(w.ui->switch_cc_comboBox_chl->currentIndex(), 4);
    QCOMPARE(w.ui->switch_note_comboBox_nno->currentIndex(), 60);
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestEditorPages::expressionNoteAndTriggerGroup()
{
    Window w;
    Ui::Widget *ui = w.ui;
    ui->expression_cc_comboBox_chl->setCurrentIndex(3);
    ui->expression_cc_comboBox_ctl->setCurrentIndex(7);
    ui->expression_cc_comboBox_gain->setCurrentIndex(80);
    ui->expression_pitch_comboBox_valmax->setCurrentIndex(9000);
    ui->expression_ch_comboBox_ql->setCurrentIndex(10);
    ui->expression_note_comboBox_chl->setCurrentIndex(5);

    choose(ui->expression_comboBox2, QStringLiteral("NOTE"));
    QCOMPARE(texts(w.expressionEvents()), QStringList({"NOTE", "NOTE", "NOTE", "NOTE"}));
    QCOMPARE(ui->expression_stackedWidget->currentIndex(), 1);
    QVERIFY(ui->groupBox_2->isHidden());
    QCOMPARE(ui->expression_trigger_level->currentText(), QStringLiteral("OFF"));
    for (const QComboBox *selector :
         {ui->expression_trigger_level, ui->expression_press_note, ui->expression_release_note})
        QVERIFY(!selector->isEnabled());
    // The pages not in use are back at their defaults; the NOTE page keeps its own.
    QCOMPARE(ui->expression_cc_comboBox_chl->currentIndex(), 0);
    QCOMPARE(ui->expression_cc_comboBox_ctl->currentIndex(), 0);
    QCOMPARE(ui->expression_cc_comboBox_gain->currentIndex(), 50);
    QCOMPARE(ui->expression_pitch_comboBox_valmax->currentIndex(), 16383);
    QCOMPARE(ui->expression_ch_comboBox_ql->currentIndex(), 50);
    QCOMPARE(ui->expression_note_comboBox_chl->currentIndex(), 5);

    // Without a device the group shows but its level selector stays hidden; right after the
    // change press and release are enabled although the level reads "OFF".
    choose(ui->expression_comboBox1, QStringLiteral("Continuous Controllers (CC)"));
    QVERIFY(!ui->groupBox_2->isHidden());
    QVERIFY(ui->expression_trigger_level->isHidden());
    QCOMPARE(ui->expression_trigger_level->currentText(), QStringLiteral("OFF"));
    QVERIFY(ui->expression_press_note->isEnabled());
    QVERIFY(ui->expression_release_note->isEnabled());
    QCOMPARE(ui->expression_note_comboBox_chl->currentIndex(), 0);

    // From then on the level decides.
    ui->expression_trigger_level->setCurrentIndex(20);
    QVERIFY(ui->expression_press_note->isEnabled());
    ui->expression_trigger_level->setCurrentIndex(0);
    QVERIFY(!ui->expression_press_note->isEnabled());
    QVERIFY(!ui->expression_release_note->isEnabled());
    ui->expression_trigger_level->setCurrentIndex(1);
    QVERIFY(ui->expression_release_note->isEnabled());
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestEditorPages::pitchBendSwapsTheLevelList()
{
    Window w;
    QComboBox *level = w.ui->expression_trigger_level;
    level->setCurrentIndex(100);
    choose(w.ui->expression_comboBox0, QStringLiteral("Pitch Bend"));
    QCOMPARE(level->model(), levelList16383());
    QCOMPARE(level->count(), 16384);
    QCOMPARE(level->itemText(16383), QStringLiteral("16383"));
    QCOMPARE(level->currentText(), QStringLiteral("OFF"));
    QVERIFY(level->isEnabled());
    // Off screen until the extended editor shows it, sized then for the list it holds.
    w.widget.show();
    w.widget.setExtendedEditorVisible(true);
    QVERIFY(level->isVisible());
    QCOMPARE(level->minimumContentsLength(), 5);

    level->setCurrentIndex(12000);
    choose(w.ui->expression_comboBox3, QStringLiteral("Continuous Controllers (CC)"));
    QCOMPARE(level->model(), levelList127());
    QCOMPARE(level->count(), 128);
    QCOMPARE(level->currentText(), QStringLiteral("OFF"));
    QCOMPARE(level->minimumContentsLength(), 3);
    // The shared lists themselves are untouched by the swaps.
    QCOMPARE(levelList16383()->rowCount(), 16384);
    QCOMPARE(levelList127()->rowCount(), 128);

    // Channel Pressure keeps the short list without re-attaching it.
    level->setCurrentIndex(9);
    choose(w.ui->expression_comboBox0, QStringLiteral("Channel Pressure"));
    QCOMPARE(level->count(), 128);
    QCOMPARE(level->currentIndex(), 0);
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestEditorPages::hatPages()
{
    Window w;
    Ui::Widget *ui = w.ui;
    const QList<QComboBox *> trigger = {ui->hat_trigger_level, ui->hat_press_note,
                                        ui->hat_release_note};
    ui->hat_cc_comboBox_valmin->setCurrentIndex(10);
    ui->hat_cc_comboBox_ctl->setCurrentIndex(4);
    ui->hat_trigger_level->setCurrentIndex(30);
    QVERIFY(ui->hat_press_note->isEnabled());
    ui->hat_press_note->setCurrentIndex(40);

    choose(ui->hat_comboBox0, QStringLiteral("NOTE"));
    QCOMPARE(texts(w.hatEvents()), QStringList({"NOTE", "NOTE"}));
    QCOMPARE(ui->hat_stackedWidget->currentIndex(), 1);
    QVERIFY(ui->groupBox_16->isHidden());
    for (const QComboBox *selector : trigger) {
        QCOMPARE(selector->currentIndex(), 0);
        QVERIFY(!selector->isEnabled());
    }
    QCOMPARE(ui->hat_cc_comboBox_valmin->currentIndex(), 0);
    QCOMPARE(ui->hat_cc_comboBox_ctl->currentIndex(), 0);

    ui->hat_note_comboBox_gain->setCurrentIndex(70);
    choose(ui->hat_comboBox1, QStringLiteral("Continuous Controllers (CC)"));
    QCOMPARE(ui->hat_stackedWidget->currentIndex(), 0);
    QVERIFY(!ui->groupBox_16->isHidden());
    for (const QComboBox *selector : trigger)
        QVERIFY(selector->isEnabled());
    QCOMPARE(ui->hat_note_comboBox_gain->currentIndex(), 50);
    ui->hat_trigger_level->setCurrentIndex(5);
    QVERIFY(ui->hat_press_note->isEnabled());
    ui->hat_trigger_level->setCurrentIndex(0);
    QVERIFY(!ui->hat_press_note->isEnabled());
    QVERIFY(!ui->hat_release_note->isEnabled());

    // The Expression and Switch pages keep their values across pedal-type changes.
    ui->expression_cc_comboBox_gain->setCurrentIndex(77);
    choose(ui->pendal_type_comboBox1, QStringLiteral("Hi-Hat"));
    QCOMPARE(ui->pedal_type_stack->currentIndex(), 2);
    QCOMPARE(ui->expression_cc_comboBox_gain->currentIndex(), 77);
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestEditorPages::resetOfPagesNotInUse()
{
    Window w;
    Ui::Widget *ui = w.ui;
    const QList<QComboBox *> dirty = {ui->expression_cc_comboBox_chl,
                                      ui->expression_note_comboBox_ctl,
                                      ui->expression_note_comboBox_gain,
                                      ui->expression_pitch_comboBox_chl,
                                      ui->expression_pitch_comboBox_gain,
                                      ui->expression_ch_comboBox_gain,
                                      ui->hat_cc_comboBox_ql,
                                      ui->hat_note_comboBox_chl};
    for (QComboBox *selector : dirty)
        selector->setCurrentIndex(9);
    ui->expression_pitch_comboBox_valmin->setCurrentIndex(500);
    ui->expression_pitch_comboBox_valmax->setCurrentIndex(600);
    ui->expression_ch_comboBox_val1->setCurrentIndex(20);

    // The Pitch Bend range goes back quietly; every other reset is seen by the range rules.
    QSignalSpy pitchMin(ui->expression_pitch_comboBox_valmin,
                        qOverload<int>(&QComboBox::currentIndexChanged));
    QSignalSpy pitchMax(ui->expression_pitch_comboBox_valmax,
                        qOverload<int>(&QComboBox::currentIndexChanged));
    QSignalSpy pitchGain(ui->expression_pitch_comboBox_gain,
                         qOverload<int>(&QComboBox::currentIndexChanged));
    QSignalSpy chMin(ui->expression_ch_comboBox_val1,
                     qOverload<int>(&QComboBox::currentIndexChanged));
    w.widget.resetOtherPages(QStringLiteral("expression"), QStringLiteral("cc"));
    QCOMPARE(ui->expression_cc_comboBox_chl->currentIndex(), 9); // kept
    QCOMPARE(ui->expression_note_comboBox_ctl->currentIndex(), 0);
    QCOMPARE(ui->expression_note_comboBox_gain->currentIndex(), 50);
    QCOMPARE(ui->expression_pitch_comboBox_chl->currentIndex(), 0);
    QCOMPARE(ui->expression_pitch_comboBox_valmin->currentIndex(), 0);
    QCOMPARE(ui->expression_pitch_comboBox_valmax->currentIndex(), 16383);
    QCOMPARE(ui->expression_ch_comboBox_val1->currentIndex(), 0);
    QCOMPARE(ui->expression_ch_comboBox_gain->currentIndex(), 50);
    QCOMPARE(pitchMin.count(), 0);
    QCOMPARE(pitchMax.count(), 0);
    QCOMPARE(pitchGain.count(), 1);
    QCOMPARE(chMin.count(), 1);
    // Hi-Hat pages are a separate family.
    QCOMPARE(ui->hat_cc_comboBox_ql->currentIndex(), 9);

    // An unknown kept key resets both Hi-Hat pages; an unknown type resets nothing.
    w.widget.resetOtherPages(QStringLiteral("hat"), QString());
    QCOMPARE(ui->hat_cc_comboBox_ql->currentIndex(), 50);
    QCOMPARE(ui->hat_note_comboBox_chl->currentIndex(), 0);
    w.widget.resetOtherPages(QStringLiteral("switch"), QString());
    QCOMPARE(ui->expression_cc_comboBox_chl->currentIndex(), 9);
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestEditorPages::adaptationPerModel_data()
{
    QTest::addColumn<QString>("deviceText");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<bool>("tempo");
    QTest::newRow("TRV-40: extended") << "Volarix TRV-40 MIDI" << true << false;
    QTest::newRow("TRV-50: extended") << "TRV-50" << true << false;
    QTest::newRow("ZB-5: extended and tempo") << "USB ZB-5 Pedal" << true << true;
    QTest::newRow("ZB-4: tempo only") << "ZB-4" << false << true;
    QTest::newRow("ZB-8: neither") << "ZB-8" << false << false;
    QTest::newRow("case-sensitive") << "trv-40 zb-5" << false << false;
    QTest::newRow("empty list") << "" << false << false;
}

void TestEditorPages::adaptationPerModel()
{
    QFETCH(QString, deviceText);
    QFETCH(bool, extended);
    QFETCH(bool, tempo);
    Window w;
    Ui::Widget *ui = w.ui;
    choose(ui->switch_comboBox0, QStringLiteral("Stop"));
    ui->switch_note_comboBox_chl->setCurrentIndex(6);
    choose(ui->switch_cc_comboBox_mode, QStringLiteral("Toggle"));

    w.widget.adaptEditorToDevice(deviceText);
    QVERIFY(allHidden(w.extendedWidgets(), !extended));
    QCOMPARE(ui->groupBox_2->isHidden(), !extended);
    QCOMPARE(ui->groupBox_16->isHidden(), !extended);
    for (QComboBox *event : w.switchEvents())
        QCOMPARE(itemTexts(event), switchEventList(tempo));
    if (tempo) {
        for (QComboBox *event : w.switchEvents())
            QCOMPARE(event->currentText(), QStringLiteral("Continuous Controllers (CC)"));
        QCOMPARE(ui->switch_stackedWidget->currentIndex(), 0);
        QCOMPARE(ui->switch_note_comboBox_chl->currentText(), QStringLiteral("1"));
        QCOMPARE(ui->switch_note_comboBox_chl->count(), 16);
        QCOMPARE(ui->switch_status->count(), 3);
        QCOMPARE(ui->switch_mode->count(), 5);
        choose(ui->switch_comboBox2, QStringLiteral("Tempo"));
        QCOMPARE(ui->switch_stackedWidget->currentIndex(), 6);
    } else {
        QCOMPARE(ui->switch_comboBox4->currentText(), QStringLiteral("Stop"));
        QCOMPARE(ui->switch_note_comboBox_chl->currentIndex(), 6);
    }
    // Trigger-mode lists are left as they are.
    QCOMPARE(ui->switch_cc_comboBox_mode->currentText(), QStringLiteral("Toggle"));
    QCOMPARE(ui->switch_cc_comboBox_mode->count(), 6);

    // With the extended editor a NOTE event keeps its trigger group hidden.
    choose(ui->expression_comboBox0, QStringLiteral("NOTE"));
    w.widget.setExtendedEditorVisible(true);
    QVERIFY(ui->groupBox_2->isHidden());
    QVERIFY(!ui->groupBox_16->isHidden());

    w.widget.resetEditorToDisconnected();
    QVERIFY(allHidden(w.extendedWidgets(), true));
    QVERIFY(ui->groupBox_2->isHidden());
    QVERIFY(ui->groupBox_16->isHidden());
    for (QComboBox *event : w.switchEvents()) {
        QCOMPARE(itemTexts(event), switchEventList(false));
        QCOMPARE(event->currentText(), QStringLiteral("Continuous Controllers (CC)"));
    }
    QCOMPARE(ui->switch_stackedWidget->currentIndex(), 0);
    QCOMPARE(ui->switch_note_comboBox_chl->currentIndex(), 0);
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestEditorPages::selectorTable()
{
    Window w;
    Ui::Widget *ui = w.ui;
    int present = 0;
    for (int type = 0; type <= 4; ++type) {
        for (int event = 0; event <= 8; ++event) {
            for (int field = 0; field <= 6; ++field)
                present += w.widget.selectorFor(type, event, field) ? 1 : 0;
        }
    }
    QCOMPARE(present, 53);
    // Switch event numbers follow the event list, not the page order.
    QCOMPARE(w.widget.selectorFor(2, 2, 1), ui->switch_pc_comboBox_mode);
    QCOMPARE(w.widget.selectorFor(2, 3, 3), ui->switch_note_comboBox_nno);
    QCOMPARE(w.widget.selectorFor(2, 6, 1), ui->switch_start_comboBox_mode);
    QCOMPARE(w.widget.selectorFor(2, 4, 1), ui->switch_stop_comboBox_mode);
    QCOMPARE(w.widget.selectorFor(1, 4, 3), ui->expression_ch_comboBox_val1);
    QCOMPARE(w.widget.selectorFor(1, 3, 4), ui->expression_pitch_comboBox_valmin);
    QCOMPARE(w.widget.selectorFor(2, 0, 2), ui->switch_mode);
    QCOMPARE(w.widget.selectorFor(3, 0, 1), ui->hat_trigger_level);
    QCOMPARE(w.widget.selectorFor(1, 1, 1), ui->expression_cc_comboBox_gain);
    // Absent keys: Pitch Bend has no number, Tempo is not addressed.
    QCOMPARE(w.widget.selectorFor(1, 3, 3), nullptr);
    QCOMPARE(w.widget.selectorFor(2, 7, 1), nullptr);
    QCOMPARE(w.widget.selectorFor(1, 4, 5), nullptr);
    QCOMPARE(w.widget.selectorFor(-1, 0, 1), nullptr);

    Widget::setIndexIfPresent(w.widget.selectorFor(1, 3, 3), 5); // nothing to set, no crash
    Widget::setIndexIfPresent(w.widget.selectorFor(2, 1, 2), 5);
    QCOMPARE(ui->switch_cc_comboBox_chl->currentIndex(), 5);

    QCOMPARE(w.widget.currentPedalType(), 1);
    QCOMPARE(w.widget.currentEventIndex(1), 1);
    choose(ui->pendal_type_comboBox2, QStringLiteral("Switch"));
    choose(ui->switch_comboBox1, QStringLiteral("NOTE"));
    QCOMPARE(w.widget.currentPedalType(), 2);
    QCOMPARE(w.widget.currentEventIndex(2), 3);
    choose(ui->hat_comboBox1, QStringLiteral("NOTE"));
    QCOMPARE(w.widget.currentEventIndex(3), 2);
    QCOMPARE(w.widget.currentEventIndex(0), -1);
    QCOMPARE(w.widget.currentEventIndex(4), -1);
    QCOMPARE(w.prompts.unexpected, 0);
}

QTEST_MAIN(TestEditorPages)
#include "tst_editorpages.moc"
