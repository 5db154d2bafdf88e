// The refusal texts are the ones the users know, the Chinese ones included, so they stay as
// they are even where title numbers skip or repeat.
#include "editor/rangerules.h"

#include <QHash>

namespace RangeRules {

namespace {

constexpr int kModeSingle = 0;
constexpr int kModeLongPress = 5;

QHash<QString, Refusal> buildTable()
{
    const QString minText =
        QStringLiteral("The minimum value cannot be greater than the maximum value!");
    const QString maxText = QStringLiteral("当前值不能小于最小值！");
    const auto rule = [](const char *title, const QString &text, bool silent) {
        return Refusal{QString::fromLatin1(title), text, silent};
    };
    return {
        {QStringLiteral("expression_cc_comboBox_valmin"),
         rule("Invalid1 selection", minText, true)},
        {QStringLiteral("expression_cc_comboBox_valmax"),
         rule("Invalid2 selection", minText, true)},
        {QStringLiteral("expression_note_comboBox_valmin"),
         rule("Invalid3 selection", minText, false)},
        {QStringLiteral("expression_note_comboBox_valmax"),
         rule("Invalid4 selection", maxText, true)},
        {QStringLiteral("expression_pitch_comboBox_valmin"),
         rule("Invalid5 selection3", minText, false)},
        {QStringLiteral("expression_ch_comboBox_val1"),
         rule("Invalid7 selection5", minText, false)},
        {QStringLiteral("expression_ch_comboBox_val2"), rule("Invalid8 selection", maxText, false)},
        {QStringLiteral("hat_cc_comboBox_valmin"), rule("Invalid selection9", minText, false)},
        {QStringLiteral("hat_cc_comboBox_valmax"), rule("Invalid selection11", maxText, false)},
        {QStringLiteral("hat_note_comboBox_valmin"), rule("Invalid selection12", minText, false)},
        {QStringLiteral("switch_cc_comboBox_valmin"), rule("Invalid selection13", minText, false)},
        {QStringLiteral("switch_cc_comboBox_valmax"), rule("Invalid selection14", maxText, false)},
        {QStringLiteral("switch_note_comboBox_valmin"),
         rule("Invalid selection15", minText, false)},
        {QStringLiteral("switch_note_comboBox_valmax"),
         rule("Invalid selection16", maxText, false)},
        {QStringLiteral("switch_pc_comboBox_valmin"), rule("Invalid selection17", minText, false)},
        {QStringLiteral("switch_pc_comboBox_valmax"), rule("Invalid selection18", maxText, false)},
    };
}

} // namespace

std::optional<Refusal> refusalFor(const QString &selectorName)
{
    static const QHash<QString, Refusal> table = buildTable();
    const auto found = table.constFind(selectorName);
    if (found == table.constEnd())
        return std::nullopt;
    return found.value();
}

bool isRefused(Bound bound, int value, int partnerValue)
{
    return bound == Bound::Min ? value > partnerValue : value < partnerValue;
}

bool modeSkipsCheck(int modeIndex)
{
    return modeIndex == kModeSingle || modeIndex == kModeLongPress;
}

int putBackValue(Bound bound, int lastAcceptedMax, int lastAcceptedMin)
{
    return bound == Bound::Max ? lastAcceptedMax : lastAcceptedMin;
}

} // namespace RangeRules
