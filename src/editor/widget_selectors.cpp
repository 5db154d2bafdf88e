// How the configuration message and its read-back reach the page selectors: one address per
// (pedal type, event, field), numbered as the device numbers them.
#include "app/widget.h"
#include "ui_widget.h"

#include <QComboBox>

namespace {

QString selectorKey(int pedalType, int eventIndex, int field)
{
    return QStringLiteral("%1_%2_%3").arg(pedalType).arg(eventIndex).arg(field);
}

} // namespace

QComboBox *Widget::selectorFor(int pedalType, int eventIndex, int field) const
{
    if (selectorTable.isEmpty()) {
        // Event index: 0 for the type's common selectors, else the event's list position + 1.
        // Fields: Expression and Hi-Hat 1 gain, 2 channel, 3 number, 4 min, 5 max (Channel
        // Pressure 3 min, 4 max); Switch 1 mode, 2 channel, 3 number, 4 min, 5 max.
        const QList<QPair<const char *, QComboBox *>> rows = {
            {"1_0_1", ui->expression_trigger_level},
            {"1_0_2", ui->expression_press_note},
            {"1_0_3", ui->expression_release_note},
            {"1_1_1", ui->expression_cc_comboBox_gain},
            {"1_1_2", ui->expression_cc_comboBox_chl},
            {"1_1_3", ui->expression_cc_comboBox_ctl},
            {"1_1_4", ui->expression_cc_comboBox_valmin},
            {"1_1_5", ui->expression_cc_comboBox_valmax},
            {"1_2_1", ui->expression_note_comboBox_gain},
            {"1_2_2", ui->expression_note_comboBox_chl},
            {"1_2_3", ui->expression_note_comboBox_ctl},
            {"1_2_4", ui->expression_note_comboBox_valmin},
            {"1_2_5", ui->expression_note_comboBox_valmax},
            {"1_3_1", ui->expression_pitch_comboBox_gain},
            {"1_3_2", ui->expression_pitch_comboBox_chl},
            {"1_3_4", ui->expression_pitch_comboBox_valmin},
            {"1_3_5", ui->expression_pitch_comboBox_valmax},
            {"1_4_1", ui->expression_ch_comboBox_gain},
            {"1_4_2", ui->expression_ch_comboBox_chl},
            {"1_4_3", ui->expression_ch_comboBox_val1},
            {"1_4_4", ui->expression_ch_comboBox_val2},
            {"2_0_1", ui->switch_status},
            {"2_0_2", ui->switch_mode},
            {"2_1_1", ui->switch_cc_comboBox_mode},
            {"2_1_2", ui->switch_cc_comboBox_chl},
            {"2_1_3", ui->switch_cc_comboBox_ctl},
            {"2_1_4", ui->switch_cc_comboBox_valmin},
            {"2_1_5", ui->switch_cc_comboBox_valmax},
            {"2_2_1", ui->switch_pc_comboBox_mode},
            {"2_2_2", ui->switch_pc_comboBox_chl},
            {"2_2_4", ui->switch_pc_comboBox_valmin},
            {"2_2_5", ui->switch_pc_comboBox_valmax},
            {"2_3_1", ui->switch_note_comboBox_mode},
            {"2_3_2", ui->switch_note_comboBox_chl},
            {"2_3_3", ui->switch_note_comboBox_nno},
            {"2_3_4", ui->switch_note_comboBox_valmin},
            {"2_3_5", ui->switch_note_comboBox_valmax},
            {"2_4_1", ui->switch_stop_comboBox_mode},
            {"2_5_1", ui->switch_ctu_comboBox_mode},
            {"2_6_1", ui->switch_start_comboBox_mode},
            {"3_0_1", ui->hat_trigger_level},
            {"3_0_2", ui->hat_press_note},
            {"3_0_3", ui->hat_release_note},
            {"3_1_1", ui->hat_cc_comboBox_gain},
            {"3_1_2", ui->hat_cc_comboBox_chl},
            {"3_1_3", ui->hat_cc_comboBox_ctl},
            {"3_1_4", ui->hat_cc_comboBox_valmin},
            {"3_1_5", ui->hat_cc_comboBox_valmax},
            {"3_2_1", ui->hat_note_comboBox_gain},
            {"3_2_2", ui->hat_note_comboBox_chl},
            {"3_2_3", ui->hat_note_comboBox_ctl},
            {"3_2_4", ui->hat_note_comboBox_valmin},
            {"3_2_5", ui->hat_note_comboBox_valmax},
        };
        for (const auto &[key, selector] : rows)
            selectorTable.insert(QLatin1String(key), selector);
    }
    return selectorTable.value(selectorKey(pedalType, eventIndex, field), nullptr);
}

int Widget::currentPedalType() const
{
    return ui->pendal_type_comboBox0->currentIndex() + 1;
}

int Widget::currentEventIndex(int pedalType) const
{
    switch (pedalType) {
    case 1:
        return ui->expression_comboBox0->currentIndex() + 1;
    case 2:
        return ui->switch_comboBox0->currentIndex() + 1;
    case 3:
        return ui->hat_comboBox0->currentIndex() + 1;
    default:
        return -1;
    }
}

void Widget::setIndexIfPresent(QComboBox *selector, int index)
{
    if (selector)
        selector->setCurrentIndex(index);
}

QList<QComboBox *> Widget::expressionEventSelectors() const
{
    return {ui->expression_comboBox0, ui->expression_comboBox1, ui->expression_comboBox2,
            ui->expression_comboBox3};
}

QList<QComboBox *> Widget::switchEventSelectors() const
{
    return {ui->switch_comboBox0, ui->switch_comboBox1, ui->switch_comboBox2, ui->switch_comboBox3,
            ui->switch_comboBox4, ui->switch_comboBox5, ui->switch_comboBox6};
}

QList<QComboBox *> Widget::hatEventSelectors() const
{
    return {ui->hat_comboBox0, ui->hat_comboBox1};
}

QList<QComboBox *> Widget::pedalTypeSelectors() const
{
    return {ui->pendal_type_comboBox0, ui->pendal_type_comboBox1, ui->pendal_type_comboBox2};
}

QList<QComboBox *> Widget::switchModeSelectors() const
{
    return {ui->switch_cc_comboBox_mode,   ui->switch_note_comboBox_mode,
            ui->switch_pc_comboBox_mode,   ui->switch_stop_comboBox_mode,
            ui->switch_ctu_comboBox_mode,  ui->switch_start_comboBox_mode,
            ui->switch_tempo_comboBox_mode};
}
