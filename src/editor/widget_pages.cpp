// The editor's page tree: which page shows for which choice, and the slots that keep the
// copies of the pedal-type, event and trigger-mode selectors on every page equal.
#include "app/widget.h"
#include "editor/vocabulary.h"
#include "ui_widget.h"

#include <QComboBox>
#include <QDebug>
#include <QMap>
#include <QSignalBlocker>
#include <QTimer>

#include <tuple>
#include <vector>

namespace {

// Model texts that decide how the editor looks for a connected device.
const QStringList kExtendedEditorModels = {QStringLiteral("TRV-40"), QStringLiteral("TRV-50"),
                                           QStringLiteral("ZB-5")};
const QStringList kTempoModels = {QStringLiteral("ZB-4"), QStringLiteral("ZB-5")};

constexpr int kModeSingle = 0;
constexpr int kModeToggle = 1;

bool containsAny(const QString &text, const QStringList &needles)
{
    for (const QString &needle : needles) {
        if (text.contains(needle, Qt::CaseSensitive))
            return true;
    }
    return false;
}

void logUnknown(const QString &text)
{
    qDebug() << "Unknown option: " << text;
}

void setIndexBlocked(QComboBox *selector, int index)
{
    const QSignalBlocker blocker(selector);
    selector->setCurrentIndex(index);
}

// A range, gain or curve list being filled would run its slot, and redraw a curve, for each
// position it passes through on the way to its default.
void fillQuietly(QComboBox *selector, const QStringList &entries, int defaultIndex)
{
    const QSignalBlocker blocker(selector);
    fillNumberList(selector, entries, defaultIndex);
}

void attachQuietly(QComboBox *selector, QAbstractItemModel *list, int minimumChars,
                   int defaultIndex)
{
    const QSignalBlocker blocker(selector);
    attachSharedList(selector, list, minimumChars);
    selector->setCurrentIndex(defaultIndex);
}

} // namespace

void Widget::initEditor()
{
    fillEditorLists();

    setExtendedEditorVisible(false);
    ui->expression_press_note->setEnabled(false);
    ui->expression_release_note->setEnabled(false);
    ui->pedal_type_stack->setCurrentIndex(0);
    ui->expression_stackedWidget->setCurrentIndex(0);
    ui->switch_stackedWidget->setCurrentIndex(0);
    ui->hat_stackedWidget->setCurrentIndex(0);
    refreshSwitchValmaxVisibility();
}

void Widget::fillEditorLists()
{
    // Expression pages. The event selectors are connected only once filled, so that start-up
    // does not run the page actions (they would build the curve editor).
    for (QComboBox *selector : expressionEventSelectors())
        selector->addItems(expressionEventList());
    for (QComboBox *selector : {ui->expression_cc_comboBox_chl, ui->expression_note_comboBox_chl,
                                ui->expression_pitch_comboBox_chl, ui->expression_ch_comboBox_chl})
        fillNumberList(selector, channelList(), kChannelDefault);
    if (ui->expression_cc_comboBox_ctl->count() == 0) // normally filled with the menu bar
        ui->expression_cc_comboBox_ctl->addItems(controllerList(showCCNameEnabled));
    fillNoteList(ui->expression_note_comboBox_ctl, kEditorStartNaming);
    for (QComboBox *selector :
         {ui->expression_cc_comboBox_valmin, ui->expression_note_comboBox_valmin,
          ui->expression_ch_comboBox_val1})
        fillQuietly(selector, valueList127(), kMinDefault);
    for (QComboBox *selector :
         {ui->expression_cc_comboBox_valmax, ui->expression_note_comboBox_valmax,
          ui->expression_ch_comboBox_val2})
        fillQuietly(selector, valueList127(), kMaxDefault);
    attachQuietly(ui->expression_pitch_comboBox_valmin, valueList16383(), kLongListChars,
                  kMinDefault);
    attachQuietly(ui->expression_pitch_comboBox_valmax, valueList16383(), kLongListChars,
                  kPitchMaxDefault);
    for (QComboBox *selector :
         {ui->expression_cc_comboBox_gain, ui->expression_note_comboBox_gain,
          ui->expression_pitch_comboBox_gain, ui->expression_ch_comboBox_gain})
        fillQuietly(selector, gainList(), kGainDefault);
    for (QComboBox *selector : {ui->expression_cc_comboBox_ql, ui->expression_note_comboBox_ql,
                                ui->expression_pitch_comboBox_ql, ui->expression_ch_comboBox_ql})
        fillQuietly(selector, gainList(), kCurveDefault);
    attachSharedList(ui->expression_trigger_level, levelList127(), kShortListChars);
    ui->expression_trigger_level->setCurrentIndex(kLevelDefault);
    fillNoteList(ui->expression_press_note, kEditorStartNaming);
    fillNoteList(ui->expression_release_note, kEditorStartNaming);
    for (QComboBox *selector : expressionEventSelectors()) {
        connect(selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &Widget::syncComboBoxIndexes);
        // Connected second: the copies are equal before the page changes.
        connect(selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, selector](int index) { Changed_stack(selector->itemText(index)); });
    }

    // Switch pages: the basic event list until a device with tempo support is connected.
    for (QComboBox *selector : switchEventSelectors())
        selector->addItems(switchEventList(false));
    ui->switch_status->addItems(legacySwitchStatusList());
    ui->switch_mode->addItems(legacySwitchModeList());
    for (QComboBox *selector :
         {ui->switch_cc_comboBox_chl, ui->switch_note_comboBox_chl, ui->switch_pc_comboBox_chl})
        fillNumberList(selector, channelList(), kChannelDefault);
    if (ui->switch_cc_comboBox_ctl->count() == 0) // normally filled with the menu bar
        ui->switch_cc_comboBox_ctl->addItems(controllerList(showCCNameEnabled));
    fillNoteList(ui->switch_note_comboBox_nno, kEditorStartNaming);
    for (QComboBox *selector : {ui->switch_cc_comboBox_valmin, ui->switch_note_comboBox_valmin,
                                ui->switch_pc_comboBox_valmin})
        fillNumberList(selector, valueList127(), kMinDefault);
    for (QComboBox *selector : {ui->switch_cc_comboBox_valmax, ui->switch_note_comboBox_valmax,
                                ui->switch_pc_comboBox_valmax})
        fillNumberList(selector, valueList127(), kMaxDefault);
    for (QComboBox *selector : switchEventSelectors()) {
        connect(selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &Widget::syncComboBoxIndexes_switch);
        connect(selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, selector](int index) { Changed_stack_switch(selector->itemText(index)); });
    }

    for (QComboBox *selector :
         {ui->switch_cc_comboBox_mode, ui->switch_note_comboBox_mode, ui->switch_pc_comboBox_mode})
        selector->addItems(triggerModeList(TriggerModeSet::Full));
    for (QComboBox *selector : {ui->switch_stop_comboBox_mode, ui->switch_start_comboBox_mode})
        selector->addItems(triggerModeList(TriggerModeSet::SingleToggle));
    for (QComboBox *selector : {ui->switch_ctu_comboBox_mode, ui->switch_tempo_comboBox_mode})
        selector->addItems(triggerModeList(TriggerModeSet::SingleOnly));
    for (QComboBox *selector : switchModeSelectors())
        connect(selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &Widget::syncComboBoxIndexes_modeswitch);

    // Hi-Hat pages; its controller list is always in the named form.
    for (QComboBox *selector : hatEventSelectors())
        selector->addItems(hatEventList());
    for (QComboBox *selector : {ui->hat_cc_comboBox_chl, ui->hat_note_comboBox_chl})
        fillNumberList(selector, channelList(), kChannelDefault);
    fillControllerList(ui->hat_cc_comboBox_ctl);
    fillNoteList(ui->hat_note_comboBox_ctl, kEditorStartNaming);
    for (QComboBox *selector : {ui->hat_cc_comboBox_valmin, ui->hat_note_comboBox_valmin})
        fillQuietly(selector, valueList127(), kMinDefault);
    for (QComboBox *selector : {ui->hat_cc_comboBox_valmax, ui->hat_note_comboBox_valmax})
        fillQuietly(selector, valueList127(), kMaxDefault);
    for (QComboBox *selector : {ui->hat_cc_comboBox_gain, ui->hat_note_comboBox_gain})
        fillQuietly(selector, gainList(), kGainDefault);
    for (QComboBox *selector : {ui->hat_cc_comboBox_ql, ui->hat_note_comboBox_ql})
        fillQuietly(selector, gainList(), kCurveDefault);
    attachSharedList(ui->hat_trigger_level, levelList127(), kShortListChars);
    ui->hat_trigger_level->setCurrentIndex(kLevelDefault);
    fillNoteList(ui->hat_press_note, kEditorStartNaming);
    fillNoteList(ui->hat_release_note, kEditorStartNaming);
    for (QComboBox *selector : hatEventSelectors()) {
        connect(selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &Widget::syncComboBoxIndexes_hat);
        connect(selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, selector](int index) { Changed_stack_hat(selector->itemText(index)); });
    }

    for (QComboBox *selector : pedalTypeSelectors()) {
        selector->addItems(pedalTypeList());
        connect(selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &Widget::syncComboBoxIndexes_type);
        connect(selector, qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, selector](int index) { Changed_stack_type(selector->itemText(index)); });
    }

    // What the quiet fills left out: their slots' start-up skips are spent, as filling spends
    // them, and each curve is drawn once, from its page's defaults.
    spendCurveStartupSkips();
    rebuildExpressionCurve();
    redrawExpressionCurve();
    rebuildHiHatCurve();
    redrawHiHatCurve();
}

void Widget::syncComboBoxIndexes(int index)
{
    const QObject *source = sender();
    const QList<QComboBox *> family = expressionEventSelectors();
    // The whole family is quiet for the step, so no copy re-synchronises or switches pages.
    std::vector<QSignalBlocker> blockers;
    blockers.reserve(static_cast<size_t>(family.size()));
    for (QComboBox *selector : family) {
        if (selector != source)
            blockers.emplace_back(selector);
    }
    for (QComboBox *selector : family) {
        if (selector != source && selector->currentIndex() != index)
            selector->setCurrentIndex(index);
    }
}

void Widget::syncComboBoxIndexes_hat(int index)
{
    const QObject *source = sender();
    for (QComboBox *selector : hatEventSelectors()) {
        if (selector != source && selector->currentIndex() != index)
            setIndexBlocked(selector, index);
    }
}

void Widget::syncComboBoxIndexes_type(int index)
{
    const QObject *source = sender();
    for (QComboBox *selector : pedalTypeSelectors()) {
        if (selector != source && selector->currentIndex() != index)
            setIndexBlocked(selector, index);
    }
}

void Widget::syncComboBoxIndexes_switch(int index)
{
    const QObject *source = sender();
    const QList<QComboBox *> events = switchEventSelectors();
    const QList<QComboBox *> modes = switchModeSelectors();
    constexpr int kFirstFixedModePage = 3; // Stop, Continue, Start, Tempo
    for (int page = 0; page < events.size(); ++page) {
        QComboBox *event = events.at(page);
        if (event == source || event->currentIndex() == index)
            continue;
        const QSignalBlocker eventBlocker(event);
        QComboBox *mode = modes.at(page);
        if (page < kFirstFixedModePage) {
            // Passing through 0 and 1 with signals on makes every other page's mode follow
            // this one and refreshes the Max visibility, whatever the mode was.
            const int previous = mode->currentIndex();
            mode->setCurrentIndex(kModeSingle);
            mode->setCurrentIndex(kModeToggle);
            mode->setCurrentIndex(previous);
        } else {
            setIndexBlocked(mode, kModeSingle);
        }
        event->setCurrentIndex(index);
    }
    refreshSwitchValmaxVisibility();
}

void Widget::syncComboBoxIndexes_modeswitch(int index)
{
    const QObject *source = sender();
    const int startStopTarget = index == kModeToggle ? kModeToggle : kModeSingle;
    const QList<QPair<QComboBox *, int>> targets = {
        {ui->switch_cc_comboBox_mode, index},
        {ui->switch_note_comboBox_mode, index},
        {ui->switch_pc_comboBox_mode, index},
        {ui->switch_stop_comboBox_mode, startStopTarget},
        {ui->switch_start_comboBox_mode, startStopTarget},
        {ui->switch_ctu_comboBox_mode, kModeSingle},
        {ui->switch_tempo_comboBox_mode, kModeSingle}};
    for (const auto &[selector, target] : targets) {
        if (selector != source && selector->currentIndex() != target)
            setIndexBlocked(selector, target);
    }
    refreshSwitchValmaxVisibility();
}

void Widget::Changed_stack_mode(const QString &text)
{
    Q_UNUSED(text)
    refreshSwitchValmaxVisibility();
}

void Widget::on_switch_cc_comboBox_mode_currentIndexChanged(const QString &text)
{
    Changed_stack_mode(text);
}

void Widget::on_switch_note_comboBox_mode_currentIndexChanged(const QString &text)
{
    Changed_stack_mode(text);
}

void Widget::on_switch_pc_comboBox_mode_currentIndexChanged(const QString &text)
{
    Changed_stack_mode(text);
}

void Widget::refreshSwitchValmaxVisibility()
{
    const QList<std::tuple<QComboBox *, QComboBox *, QLabel *>> pages = {
        {ui->switch_cc_comboBox_mode, ui->switch_cc_comboBox_valmax, ui->label_48},
        {ui->switch_note_comboBox_mode, ui->switch_note_comboBox_valmax, ui->label_79},
        {ui->switch_pc_comboBox_mode, ui->switch_pc_comboBox_valmax, ui->label_135}};
    for (const auto &[mode, valmax, label] : pages) {
        // A single press or a long press sends one value, so there is no range to show.
        const QString text = mode->currentText();
        const bool rangeShown =
            text != QLatin1String("Single") && text != QLatin1String("LongPress");
        valmax->setVisible(rangeShown);
        label->setVisible(rangeShown);
        label->setText(QStringLiteral("Max"));
    }
}

void Widget::showExpressionEventPage(int page, bool pitchBend)
{
    ui->expression_stackedWidget->setCurrentIndex(page);
    if (pitchBend)
        attachSharedList(ui->expression_trigger_level, levelList16383(), kLongListChars);
    else
        attachSharedList(ui->expression_trigger_level, levelList127(), kShortListChars);
    const QList<QComboBox *> trigger = {ui->expression_trigger_level, ui->expression_press_note,
                                        ui->expression_release_note};
    for (QComboBox *selector : trigger)
        selector->setCurrentIndex(0);
    // A NOTE pedal sends its own notes; the trigger group has no meaning there.
    const bool enabled = page != 1;
    for (QComboBox *selector : trigger)
        selector->setEnabled(enabled);
}

void Widget::Changed_stack(const QString &text)
{
    rebuildExpressionCurve();

    static const QMap<QString, int> pages = {{QLatin1String(EventText::CC), 0},
                                             {QLatin1String(EventText::Note), 1},
                                             {QLatin1String(EventText::PitchBend), 2},
                                             {QLatin1String(EventText::ChannelPressure), 3}};
    const auto page = pages.constFind(text);
    if (page == pages.constEnd())
        logUnknown(text);
    else
        showExpressionEventPage(page.value(), page.value() == 2);

    ui->groupBox_2->setVisible(text != QLatin1String(EventText::Note));

    static const QMap<QString, QString> keys = {
        {QLatin1String(EventText::CC), QStringLiteral("cc")},
        {QLatin1String(EventText::Note), QStringLiteral("note")},
        {QLatin1String(EventText::PitchBend), QStringLiteral("pitch")}};
    resetOtherPages(QStringLiteral("expression"), keys.value(text, QStringLiteral("ch")));

    refreshCurveFromSelectors();
    balanceColumnWidths();
}

void Widget::showHatEventPage(int page)
{
    ui->hat_stackedWidget->setCurrentIndex(page);
    const QList<QComboBox *> trigger = {ui->hat_trigger_level, ui->hat_press_note,
                                        ui->hat_release_note};
    for (QComboBox *selector : trigger)
        selector->setCurrentIndex(0);
    const bool enabled = page != 1;
    for (QComboBox *selector : trigger)
        selector->setEnabled(enabled);
}

void Widget::Changed_stack_hat(const QString &text)
{
    QString key;
    if (text == QLatin1String(EventText::CC)) {
        showHatEventPage(0);
        key = QStringLiteral("cc");
    } else if (text == QLatin1String(EventText::Note)) {
        showHatEventPage(1);
        key = QStringLiteral("note");
    } else {
        logUnknown(text);
    }
    ui->groupBox_16->setVisible(text != QLatin1String(EventText::Note));
    resetOtherPages(QStringLiteral("hat"), key);
    balanceColumnWidths();
}

void Widget::Changed_stack_switch(const QString &text)
{
    // Page order differs from the event list order: the page is found by text.
    static const QMap<QString, int> pages = {{QLatin1String(EventText::CC), 0},
                                             {QLatin1String(EventText::Note), 1},
                                             {QLatin1String(EventText::ProgramChange), 2},
                                             {QLatin1String(EventText::Stop), 3},
                                             {QLatin1String(EventText::Continue), 4},
                                             {QLatin1String(EventText::Start), 5},
                                             {QLatin1String(EventText::Tempo), 6}};
    const auto page = pages.constFind(text);
    if (page == pages.constEnd())
        logUnknown(text);
    else
        ui->switch_stackedWidget->setCurrentIndex(page.value());
    // The other Switch pages keep their values: only the shown page is sent, and a user
    // looking through the events should find what they set when they come back.
    balanceColumnWidths();
}

void Widget::Changed_stack_type(const QString &text)
{
    static const QMap<QString, int> pages = {{QLatin1String(PedalTypeText::Expression), 0},
                                             {QLatin1String(PedalTypeText::Switch), 1},
                                             {QLatin1String(PedalTypeText::HiHat), 2}};
    const auto page = pages.constFind(text);
    if (page == pages.constEnd())
        logUnknown(text);
    else
        ui->pedal_type_stack->setCurrentIndex(page.value());
    // The new page has its final geometry only after this event has been handled.
    QTimer::singleShot(0, this, [this] {
        balanceColumnWidths();
        fitPedalScenes();
    });
}

void Widget::resetOtherPages(const QString &typeKey, const QString &keptKey)
{
    struct RangePage
    {
        const char *key;
        QComboBox *channel;
        QComboBox *number; // controller or note; none on Pitch Bend and Channel Pressure
        QComboBox *min;
        QComboBox *max;
        QComboBox *gain;
        QComboBox *curve;
        bool pitchBend = false;
    };
    QList<RangePage> pages;
    if (typeKey == QLatin1String("expression")) {
        pages = {{"cc", ui->expression_cc_comboBox_chl, ui->expression_cc_comboBox_ctl,
                  ui->expression_cc_comboBox_valmin, ui->expression_cc_comboBox_valmax,
                  ui->expression_cc_comboBox_gain, ui->expression_cc_comboBox_ql},
                 {"note", ui->expression_note_comboBox_chl, ui->expression_note_comboBox_ctl,
                  ui->expression_note_comboBox_valmin, ui->expression_note_comboBox_valmax,
                  ui->expression_note_comboBox_gain, ui->expression_note_comboBox_ql},
                 {"pitch", ui->expression_pitch_comboBox_chl, nullptr,
                  ui->expression_pitch_comboBox_valmin, ui->expression_pitch_comboBox_valmax,
                  ui->expression_pitch_comboBox_gain, ui->expression_pitch_comboBox_ql, true},
                 {"ch", ui->expression_ch_comboBox_chl, nullptr, ui->expression_ch_comboBox_val1,
                  ui->expression_ch_comboBox_val2, ui->expression_ch_comboBox_gain,
                  ui->expression_ch_comboBox_ql}};
    } else if (typeKey == QLatin1String("hat")) {
        pages = {{"cc", ui->hat_cc_comboBox_chl, ui->hat_cc_comboBox_ctl,
                  ui->hat_cc_comboBox_valmin, ui->hat_cc_comboBox_valmax, ui->hat_cc_comboBox_gain,
                  ui->hat_cc_comboBox_ql},
                 {"note", ui->hat_note_comboBox_chl, ui->hat_note_comboBox_ctl,
                  ui->hat_note_comboBox_valmin, ui->hat_note_comboBox_valmax,
                  ui->hat_note_comboBox_gain, ui->hat_note_comboBox_ql}};
    }
    for (const RangePage &page : pages) {
        if (keptKey == QLatin1String(page.key))
            continue;
        page.channel->setCurrentIndex(kChannelDefault);
        if (page.number)
            page.number->setCurrentIndex(0);
        if (page.pitchBend) {
            // Quietly: the range check would compare against a half-reset page.
            setIndexBlocked(page.min, kMinDefault);
            setIndexBlocked(page.max, kPitchMaxDefault);
        } else {
            page.min->setCurrentIndex(kMinDefault);
            page.max->setCurrentIndex(kMaxDefault);
        }
        page.gain->setCurrentIndex(kGainDefault);
        page.curve->setCurrentIndex(kCurveDefault);
    }
}

void Widget::setExtendedEditorVisible(bool on)
{
    const QList<QWidget *> extended = {ui->widget_8,
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
    for (QWidget *widget : extended)
        widget->setVisible(on);
    ui->groupBox_2->setVisible(on && ui->expression_comboBox0->currentText() !=
                                         QLatin1String(EventText::Note));
    ui->groupBox_16->setVisible(on &&
                                ui->hat_comboBox0->currentText() != QLatin1String(EventText::Note));
}

void Widget::on_expression_trigger_level_currentIndexChanged(const QString &text)
{
    const bool enabled = text != QLatin1String(kLevelOff);
    ui->expression_press_note->setEnabled(enabled);
    ui->expression_release_note->setEnabled(enabled);
}

void Widget::on_expression_trigger_level_activated(const QString &text)
{
    on_expression_trigger_level_currentIndexChanged(text);
}

void Widget::on_hat_trigger_level_currentIndexChanged(const QString &text)
{
    const bool enabled = text != QLatin1String(kLevelOff);
    ui->hat_press_note->setEnabled(enabled);
    ui->hat_release_note->setEnabled(enabled);
}

void Widget::refillSwitchEventLists(bool withTempo)
{
    // Signals stay on: refilling passes through the page slots and ends on the CC page.
    const QStringList events = switchEventList(withTempo);
    for (QComboBox *selector : switchEventSelectors()) {
        selector->clear();
        selector->addItems(events);
    }
    ui->switch_status->clear();
    ui->switch_status->addItems(legacySwitchStatusList());
    ui->switch_mode->clear();
    ui->switch_mode->addItems(legacySwitchModeList());
    for (QComboBox *selector :
         {ui->switch_cc_comboBox_chl, ui->switch_note_comboBox_chl, ui->switch_pc_comboBox_chl}) {
        selector->clear();
        fillNumberList(selector, channelList(), kChannelDefault);
    }
}

void Widget::adaptEditorToDevice(const QString &deviceText)
{
    setExtendedEditorVisible(containsAny(deviceText, kExtendedEditorModels));
    if (containsAny(deviceText, kTempoModels))
        refillSwitchEventLists(true);
}

void Widget::resetEditorToDisconnected()
{
    refillSwitchEventLists(false);
    setExtendedEditorVisible(false);
}
