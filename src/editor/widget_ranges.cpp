// The Min, Max, Gain and Curve selectors' slots: a range that is no range is refused with a
// warning, and every accepted change on the Expression and Hi-Hat pages redraws their curve.
#include "app/widget.h"

#include "common/userprompt.h"
#include "curve/mycustomplot.h"
#include "editor/rangerules.h"
#include "ui_widget.h"

#include <QComboBox>
#include <QMessageBox>
#include <QSignalBlocker>

namespace {

constexpr int kValueOffset = 50; // gain and curve selectors: index 50 is 0

int offsetValue(const QComboBox *selector)
{
    return selector->currentIndex() - kValueOffset;
}

} // namespace

bool Widget::curveSlotIdle(bool &startupPending)
{
    // The plot is writing its own drag into the selectors: nothing to check, nothing to redraw.
    if (curveDragActive)
        return true;
    if (startupPending) {
        startupPending = false;
        return true;
    }
    return false;
}

void Widget::spendCurveStartupSkips()
{
    for (bool *pending :
         {&startupExpressionCcMin, &startupExpressionCcMax, &startupExpressionNoteMin,
          &startupExpressionNoteMax, &startupExpressionPitchMin, &startupExpressionPitchMax,
          &startupExpressionPressureMin, &startupExpressionPressureMax, &startupHatCcMin,
          &startupHatCcMax, &startupHatNoteMin, &startupGainCurve, &startupPressureGainHatMax})
        *pending = false;
}

bool Widget::acceptRange(QComboBox *changed, QComboBox *partner, bool isMax, int index)
{
    // An empty selector (a list being cleared) is no choice to check.
    if (index < 0 || !partner)
        return false;
    const RangeRules::Bound bound = isMax ? RangeRules::Bound::Max : RangeRules::Bound::Min;
    const std::optional<RangeRules::Refusal> rule = RangeRules::refusalFor(changed->objectName());
    if (!rule)
        return true;
    // An empty partner (a stored position outside its list) leaves nothing to compare with:
    // the choice stands and reaches the curve.
    if (partner->currentIndex() < 0 ||
        !RangeRules::isRefused(bound, index, partner->currentIndex())) {
        if (isMax)
            lastAcceptedMax = index;
        else
            lastAcceptedMin = RangeRules::kInitialLastMin;
        return true;
    }
    UserPrompt::show(this, QMessageBox::Warning, rule->title, rule->text, QMessageBox::Ok);
    const int back = RangeRules::putBackValue(bound, lastAcceptedMax, lastAcceptedMin);
    if (rule->silent) {
        const QSignalBlocker blocker(changed);
        changed->setCurrentIndex(back);
    } else {
        // Through this slot again: accepted there, or refused once more and left as it is.
        changed->setCurrentIndex(back);
    }
    return false;
}

bool Widget::acceptSwitchRange(QComboBox *mode, QComboBox *changed, QComboBox *partner, bool isMax,
                               int index)
{
    // With one value per press the Max is hidden and unused: any Min goes.
    if (RangeRules::modeSkipsCheck(mode->currentIndex()))
        return false;
    return acceptRange(changed, partner, isMax, index);
}

void Widget::setExpressionCurveRange(QComboBox *minSelector, QComboBox *maxSelector)
{
    expressionPlot->min = minSelector->currentIndex();
    expressionPlot->max = maxSelector->currentIndex();
}

// ---- Expression CC

void Widget::on_expression_cc_comboBox_valmin_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupExpressionCcMin))
        return;
    if (!acceptRange(ui->expression_cc_comboBox_valmin, ui->expression_cc_comboBox_valmax, false,
                     index))
        return;
    rebuildExpressionCurve();
    expressionPlot->min = index;
    redrawExpressionCurve();
}

void Widget::on_expression_cc_comboBox_valmax_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupExpressionCcMax))
        return;
    if (!acceptRange(ui->expression_cc_comboBox_valmax, ui->expression_cc_comboBox_valmin, true,
                     index))
        return;
    rebuildExpressionCurve();
    expressionPlot->max = index;
    redrawExpressionCurve();
}

void Widget::on_expression_cc_comboBox_gain_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupGainCurve))
        return;
    rebuildExpressionCurve();
    expressionPlot->gain = index - kValueOffset;
    redrawExpressionCurve();
}

void Widget::expressionCurveIndexChanged(int index)
{
    if (curveSlotIdle(startupGainCurve))
        return;
    rebuildExpressionCurve();
    expressionPlot->cgain = index - kValueOffset;
    redrawExpressionCurve();
}

void Widget::on_expression_cc_comboBox_ql_currentIndexChanged(int index)
{
    expressionCurveIndexChanged(index);
}

// ---- Expression NOTE

void Widget::on_expression_note_comboBox_valmin_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupExpressionNoteMin))
        return;
    if (!acceptRange(ui->expression_note_comboBox_valmin, ui->expression_note_comboBox_valmax,
                     false, index))
        return;
    rebuildExpressionCurve();
    expressionPlot->min = index;
    redrawExpressionCurve();
}

void Widget::on_expression_note_comboBox_valmax_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupExpressionNoteMax))
        return;
    if (!acceptRange(ui->expression_note_comboBox_valmax, ui->expression_note_comboBox_valmin, true,
                     index))
        return;
    rebuildExpressionCurve();
    expressionPlot->max = index;
    redrawExpressionCurve();
}

void Widget::on_expression_note_comboBox_gain_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupGainCurve))
        return;
    rebuildExpressionCurve();
    setExpressionCurveRange(ui->expression_note_comboBox_valmin,
                            ui->expression_note_comboBox_valmax);
    expressionPlot->gain = index - kValueOffset;
    redrawExpressionCurve();
}

void Widget::on_expression_note_comboBox_ql_currentIndexChanged(int index)
{
    expressionCurveIndexChanged(index);
}

// ---- Expression Pitch Bend: ranges in 14-bit units

void Widget::on_expression_pitch_comboBox_valmin_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupExpressionPitchMin))
        return;
    if (!acceptRange(ui->expression_pitch_comboBox_valmin, ui->expression_pitch_comboBox_valmax,
                     false, index))
        return;
    rebuildExpressionCurve();
    setExpressionCurveRange(ui->expression_pitch_comboBox_valmin,
                            ui->expression_pitch_comboBox_valmax);
    expressionPlot->min = index;
    redrawExpressionCurve();
}

void Widget::on_expression_pitch_comboBox_valmax_currentIndexChanged(int index)
{
    // Never refused, and the shared last maximum stays a 7-bit value.
    if (curveSlotIdle(startupExpressionPitchMax))
        return;
    rebuildExpressionCurve();
    // The minimum too: after the rebuild the plot holds it in 7-bit units, and the next
    // computation would divide it by 129 once more.
    setExpressionCurveRange(ui->expression_pitch_comboBox_valmin,
                            ui->expression_pitch_comboBox_valmax);
    expressionPlot->max = index;
    redrawExpressionCurve();
}

void Widget::on_expression_pitch_comboBox_gain_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupGainCurve))
        return;
    rebuildExpressionCurve();
    setExpressionCurveRange(ui->expression_pitch_comboBox_valmin,
                            ui->expression_pitch_comboBox_valmax);
    expressionPlot->gain = index - kValueOffset;
    redrawExpressionCurve();
}

void Widget::on_expression_pitch_comboBox_ql_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupGainCurve))
        return;
    rebuildExpressionCurve();
    setExpressionCurveRange(ui->expression_pitch_comboBox_valmin,
                            ui->expression_pitch_comboBox_valmax);
    expressionPlot->cgain = index - kValueOffset;
    redrawExpressionCurve();
}

// ---- Expression Channel Pressure

void Widget::on_expression_ch_comboBox_val1_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupExpressionPressureMin))
        return;
    if (!acceptRange(ui->expression_ch_comboBox_val1, ui->expression_ch_comboBox_val2, false,
                     index))
        return;
    rebuildExpressionCurve();
    expressionPlot->min = index;
    redrawExpressionCurve();
}

void Widget::on_expression_ch_comboBox_val2_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupExpressionPressureMax))
        return;
    if (!acceptRange(ui->expression_ch_comboBox_val2, ui->expression_ch_comboBox_val1, true, index))
        return;
    rebuildExpressionCurve();
    expressionPlot->max = index;
    redrawExpressionCurve();
}

void Widget::on_expression_ch_comboBox_gain_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupPressureGainHatMax))
        return;
    rebuildExpressionCurve();
    setExpressionCurveRange(ui->expression_ch_comboBox_val1, ui->expression_ch_comboBox_val2);
    expressionPlot->gain = index - kValueOffset;
    redrawExpressionCurve();
}

void Widget::on_expression_ch_comboBox_ql_currentIndexChanged(int index)
{
    expressionCurveIndexChanged(index);
}

// ---- Hi-Hat: every change also hands over the page's curve

void Widget::on_hat_cc_comboBox_valmin_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupHatCcMin))
        return;
    if (!acceptRange(ui->hat_cc_comboBox_valmin, ui->hat_cc_comboBox_valmax, false, index))
        return;
    rebuildHiHatCurve();
    hatPlot->min = index;
    hatPlot->cgain = offsetValue(ui->hat_cc_comboBox_ql);
    redrawHiHatCurve();
}

void Widget::on_hat_cc_comboBox_valmax_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupHatCcMax))
        return;
    if (!acceptRange(ui->hat_cc_comboBox_valmax, ui->hat_cc_comboBox_valmin, true, index))
        return;
    rebuildHiHatCurve();
    hatPlot->max = index;
    hatPlot->cgain = offsetValue(ui->hat_cc_comboBox_ql);
    redrawHiHatCurve();
}

void Widget::on_hat_cc_comboBox_gain_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupGainCurve))
        return;
    rebuildHiHatCurve();
    hatPlot->gain = index - kValueOffset;
    hatPlot->cgain = offsetValue(ui->hat_cc_comboBox_ql);
    redrawHiHatCurve();
}

void Widget::hatCurveIndexChanged(int index)
{
    if (curveSlotIdle(startupGainCurve))
        return;
    rebuildHiHatCurve();
    hatPlot->cgain = index - kValueOffset;
    redrawHiHatCurve();
}

void Widget::on_hat_cc_comboBox_ql_currentIndexChanged(int index)
{
    hatCurveIndexChanged(index);
}

void Widget::on_hat_note_comboBox_valmin_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupHatNoteMin))
        return;
    if (!acceptRange(ui->hat_note_comboBox_valmin, ui->hat_note_comboBox_valmax, false, index))
        return;
    rebuildHiHatCurve();
    hatPlot->min = index;
    hatPlot->cgain = offsetValue(ui->hat_note_comboBox_ql);
    redrawHiHatCurve();
}

void Widget::on_hat_note_comboBox_valmax_currentIndexChanged(int index)
{
    // Never refused; the shared last maximum is left alone.
    if (curveSlotIdle(startupPressureGainHatMax))
        return;
    rebuildHiHatCurve();
    hatPlot->max = index;
    hatPlot->cgain = offsetValue(ui->hat_note_comboBox_ql);
    redrawHiHatCurve();
}

void Widget::on_hat_note_comboBox_gain_currentIndexChanged(int index)
{
    if (curveSlotIdle(startupGainCurve))
        return;
    rebuildHiHatCurve();
    hatPlot->gain = index - kValueOffset;
    hatPlot->cgain = offsetValue(ui->hat_note_comboBox_ql);
    redrawHiHatCurve();
}

void Widget::on_hat_note_comboBox_ql_currentIndexChanged(int index)
{
    hatCurveIndexChanged(index);
}

// ---- Switch: checked in every trigger mode that shows Max, whatever the curve is doing

void Widget::on_switch_cc_comboBox_valmin_currentIndexChanged(int index)
{
    acceptSwitchRange(ui->switch_cc_comboBox_mode, ui->switch_cc_comboBox_valmin,
                      ui->switch_cc_comboBox_valmax, false, index);
}

void Widget::on_switch_cc_comboBox_valmax_currentIndexChanged(int index)
{
    acceptSwitchRange(ui->switch_cc_comboBox_mode, ui->switch_cc_comboBox_valmax,
                      ui->switch_cc_comboBox_valmin, true, index);
}

void Widget::on_switch_note_comboBox_valmin_currentIndexChanged(int index)
{
    acceptSwitchRange(ui->switch_note_comboBox_mode, ui->switch_note_comboBox_valmin,
                      ui->switch_note_comboBox_valmax, false, index);
}

void Widget::on_switch_note_comboBox_valmax_currentIndexChanged(int index)
{
    acceptSwitchRange(ui->switch_note_comboBox_mode, ui->switch_note_comboBox_valmax,
                      ui->switch_note_comboBox_valmin, true, index);
}

void Widget::on_switch_pc_comboBox_valmin_currentIndexChanged(int index)
{
    acceptSwitchRange(ui->switch_pc_comboBox_mode, ui->switch_pc_comboBox_valmin,
                      ui->switch_pc_comboBox_valmax, false, index);
}

void Widget::on_switch_pc_comboBox_valmax_currentIndexChanged(int index)
{
    acceptSwitchRange(ui->switch_pc_comboBox_mode, ui->switch_pc_comboBox_valmax,
                      ui->switch_pc_comboBox_valmin, true, index);
}
