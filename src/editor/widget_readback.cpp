// The window's read-back: which query Check sends, the pedal count of the handshake reply, and
// a stored slot configuration put back on the editor's selectors.
#include "app/widget.h"

#include "editor/configuration.h"
#include "link/serialport.h"
#include "protocol/messages.h"
#include "ui_widget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>

namespace {

// A count of ten or more is not a pedal count this tool can show.
constexpr int kMaxPedalCount = 9;

// Selector fields of the address table.
constexpr int kGainField = 1;
constexpr int kModeField = 1;
constexpr int kChannelField = 2;
constexpr int kNumberField = 3;
constexpr int kMinField = 4;
constexpr int kMaxField = 5;

constexpr int kHatCcEvent = 1;

bool outsideList(const QComboBox *selector, const std::optional<int> &position)
{
    return selector && position && (*position < 0 || *position >= selector->count());
}

// Min and max are written in the order that lets a consistent pair pass the range checks.
// A position outside a list leaves that selector without an entry, which is no choice to
// check: that selector alone is written quietly, as a warning would only say the pedal sent
// something the editor cannot show. Its partner still goes through its range check and on
// to the curve.
void applyRange(QComboBox *min, QComboBox *max, QCheckBox *invert, const RangeReadBack &range)
{
    if (range.inverted)
        invert->setChecked(*range.inverted);
    const QSignalBlocker quietMin(outsideList(min, range.min) ? min : nullptr);
    const QSignalBlocker quietMax(outsideList(max, range.max) ? max : nullptr);
    const bool minFirst = !max || !range.max ||
                          (range.min && rangeWriteOrder(max->currentIndex(), *range.min) ==
                                            RangeWriteOrder::MinFirst);
    if (minFirst) {
        if (range.min)
            Widget::setIndexIfPresent(min, *range.min);
        if (range.max)
            Widget::setIndexIfPresent(max, *range.max);
    } else {
        Widget::setIndexIfPresent(max, *range.max);
        if (range.min)
            Widget::setIndexIfPresent(min, *range.min);
    }
}

void applyExpression(Widget &w, const Protocol::ConfigurationFields &f, const QString &text)
{
    Ui::Widget *ui = w.form();
    ui->expression_comboBox0->setCurrentText(text);
    const int e = w.currentEventIndex(Protocol::ExpressionPedal);
    const int position = e - 1;
    if (position < ExpressionCcPage || position >= kExpressionPageCount)
        return;
    Widget::setIndexIfPresent(w.selectorFor(Protocol::ExpressionPedal, e, kGainField), f.gain);
    QComboBox *const curves[] = {ui->expression_cc_comboBox_ql, ui->expression_note_comboBox_ql,
                                 ui->expression_pitch_comboBox_ql, ui->expression_ch_comboBox_ql};
    curves[position]->setCurrentIndex(f.curve);
    Widget::setIndexIfPresent(w.selectorFor(Protocol::ExpressionPedal, e, kChannelField),
                              f.channel);

    const RangeReadBack range = expressionRangeReadBack(f, position);
    if (position == ExpressionPressurePage) {
        // Field 3 of this page is its first value, which the range below sets anyway: writing
        // it alone first could trip the range check against the old second value.
        applyRange(ui->expression_ch_comboBox_val1, ui->expression_ch_comboBox_val2,
                   ui->ex_Evert_checkBox, range);
    } else {
        Widget::setIndexIfPresent(w.selectorFor(Protocol::ExpressionPedal, e, kNumberField),
                                  f.values[0]);
        applyRange(w.selectorFor(Protocol::ExpressionPedal, e, kMinField),
                   w.selectorFor(Protocol::ExpressionPedal, e, kMaxField), ui->ex_Evert_checkBox,
                   range);
    }

    ui->expression_trigger_level->setCurrentIndex(expressionTriggerLevelReadBack(f, position));
    ui->expression_press_note->setCurrentIndex(f.pressNote);
    ui->expression_release_note->setCurrentIndex(f.releaseNote);
}

void applySwitch(Widget &w, const Protocol::ConfigurationFields &f, const QString &text)
{
    Ui::Widget *ui = w.form();
    ui->switch_comboBox0->setCurrentText(text);
    const int c = w.currentEventIndex(Protocol::SwitchPedal);
    if (c < 1)
        return;
    Widget::setIndexIfPresent(w.selectorFor(Protocol::SwitchPedal, c, kModeField), f.triggerMode);
    Widget::setIndexIfPresent(w.selectorFor(Protocol::SwitchPedal, c, kChannelField), f.channel);
    const RangeReadBack range = switchRangeReadBack(f, c);
    if (range == RangeReadBack{})
        return; // Stop, Continue, Start, Tempo
    Widget::setIndexIfPresent(w.selectorFor(Protocol::SwitchPedal, c, kNumberField), f.values[0]);
    applyRange(w.selectorFor(Protocol::SwitchPedal, c, kMinField),
               w.selectorFor(Protocol::SwitchPedal, c, kMaxField), ui->sw_Evert_checkBox, range);
}

void applyHat(Widget &w, const Protocol::ConfigurationFields &f, const QString &text)
{
    Ui::Widget *ui = w.form();
    ui->hat_comboBox0->setCurrentText(text);
    const int e = w.currentEventIndex(Protocol::HiHatPedal);
    if (e < 1)
        return;
    Widget::setIndexIfPresent(w.selectorFor(Protocol::HiHatPedal, e, kGainField), f.gain);
    Widget::setIndexIfPresent(w.selectorFor(Protocol::HiHatPedal, e, kChannelField), f.channel);
    Widget::setIndexIfPresent(w.selectorFor(Protocol::HiHatPedal, e, kNumberField), f.values[0]);
    applyRange(w.selectorFor(Protocol::HiHatPedal, e, kMinField),
               w.selectorFor(Protocol::HiHatPedal, e, kMaxField), ui->ht_Evert_checkBox,
               hatRangeReadBack(f));
    (e == kHatCcEvent ? ui->hat_cc_comboBox_ql : ui->hat_note_comboBox_ql)
        ->setCurrentIndex(f.curve);
    ui->hat_trigger_level->setCurrentIndex(f.triggerLevel);
    ui->hat_press_note->setCurrentIndex(f.pressNote);
    ui->hat_release_note->setCurrentIndex(f.releaseNote);
}

} // namespace

void Widget::on_checkButton_clicked()
{
    if (!serialPort->isOpen())
        return;
    serialPort->write(checkQuery(ui->comboBox_ComDevices->currentText(), serialPort->zb8StatusBits,
                                 serialPort->connectedPedalBits, ui->Pedal_Number->currentIndex(),
                                 ui->Message_Number->currentIndex(),
                                 ui->pendal_type_comboBox0->currentIndex()));
}

void Widget::on_checkButton_2_clicked()
{
    if (serialPort->isOpen())
        serialPort->write(Protocol::slotQuery(ui->Pedal_Number->currentIndex(),
                                              ui->Message_Number->currentIndex()));
}

void Widget::fillPedalNumbers(const QByteArray &handshakeReply)
{
    const std::optional<int> count = Protocol::handshakePedalCount(handshakeReply);
    if (!count || *count > kMaxPedalCount)
        return;
    ui->Pedal_Number->clear();
    for (int pedal = 1; pedal <= *count; ++pedal)
        ui->Pedal_Number->addItem(QString::number(pedal));
    ui->Pedal_Number->setCurrentIndex(0);
}

void Widget::applyConfiguration(const QByteArray &reply)
{
    const std::optional<Protocol::ConfigurationFields> fields = Protocol::readBackFields(reply);
    if (!fields)
        return;
    const Protocol::ConfigurationFields &f = *fields;

    ui->Pedal_Number->setCurrentIndex(f.pedalIndex);
    ui->Message_Number->setCurrentIndex(f.messageIndex);

    switch (f.pedalType) {
    case Protocol::ExpressionPedal:
        buildExpressionPicture();
        break;
    case Protocol::SwitchPedal:
        buildSwitchPicture();
        break;
    case Protocol::HiHatPedal:
        buildHiHatPicture();
        break;
    default:
        break;
    }

    // Signals stay on: the pages switch and the copies follow as if the user had chosen.
    ui->pendal_type_comboBox0->setCurrentIndex(f.pedalType - 1);
    ui->Pedal_Type->setCurrentIndex(f.pedalType - 1);
    ui->MIDI_Channel->setCurrentIndex(f.channel);

    // An event code outside the table names no event: the event pages keep what they show.
    const std::optional<QString> text = eventTextForCode(f.eventCode, eventTypeNames);
    if (!text)
        return;
    switch (f.pedalType) {
    case Protocol::ExpressionPedal:
        applyExpression(*this, f, *text);
        break;
    case Protocol::SwitchPedal:
        applySwitch(*this, f, *text);
        break;
    case Protocol::HiHatPedal:
        applyHat(*this, f, *text);
        break;
    default: // the pedal-type selectors were left without a current entry above
        break;
    }
}
