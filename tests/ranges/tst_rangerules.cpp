// The range rule table on its own: which selectors are checked, with which words, and how a
// refused value is put back.
#include "editor/rangerules.h"

#include <QTest>

using RangeRules::Bound;

class TestRangeRules : public QObject
{
    Q_OBJECT

private slots:
    void refusals_data();
    void refusals();
    void neverRefused_data();
    void neverRefused();
    void checkedModes();
};

void TestRangeRules::refusals_data()
{
    QTest::addColumn<QString>("selector");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("minimumText");
    QTest::addColumn<bool>("silent");
    const auto row = [](const char *selector, const char *title, bool minimumText, bool silent) {
        QTest::newRow(selector) << QString::fromLatin1(selector) << QString::fromLatin1(title)
                                << minimumText << silent;
    };
    row("expression_cc_comboBox_valmin", "Invalid1 selection", true, true);
    row("expression_cc_comboBox_valmax", "Invalid2 selection", true, true);
    row("expression_note_comboBox_valmin", "Invalid3 selection", true, false);
    row("expression_note_comboBox_valmax", "Invalid4 selection", false, true);
    row("expression_pitch_comboBox_valmin", "Invalid5 selection3", true, false);
    row("expression_ch_comboBox_val1", "Invalid7 selection5", true, false);
    row("expression_ch_comboBox_val2", "Invalid8 selection", false, false);
    row("hat_cc_comboBox_valmin", "Invalid selection9", true, false);
    row("hat_cc_comboBox_valmax", "Invalid selection11", false, false);
    row("hat_note_comboBox_valmin", "Invalid selection12", true, false);
    row("switch_cc_comboBox_valmin", "Invalid selection13", true, false);
    row("switch_cc_comboBox_valmax", "Invalid selection14", false, false);
    row("switch_note_comboBox_valmin", "Invalid selection15", true, false);
    row("switch_note_comboBox_valmax", "Invalid selection16", false, false);
    row("switch_pc_comboBox_valmin", "Invalid selection17", true, false);
    row("switch_pc_comboBox_valmax", "Invalid selection18", false, false);
}

void TestRangeRules::refusals()
{
    QFETCH(QString, selector);
    QFETCH(QString, title);
    QFETCH(bool, minimumText);
    QFETCH(bool, silent);
    const std::optional<RangeRules::Refusal> rule = RangeRules::refusalFor(selector);
    QVERIFY(rule);
    QCOMPARE(rule->title, title);
    QCOMPARE(rule->text,
             minimumText
                 ? QStringLiteral("The minimum value cannot be greater than the maximum value!")
                 : QStringLiteral("当前值不能小于最小值！"));
    QCOMPARE(rule->silent, silent);
}

void TestRangeRules::neverRefused_data()
{
    QTest::addColumn<QString>("selector");
    QTest::newRow("Pitch Bend Max") << "expression_pitch_comboBox_valmax";
    QTest::newRow("Hi-Hat NOTE Max") << "hat_note_comboBox_valmax";
    QTest::newRow("a gain selector") << "expression_cc_comboBox_gain";
    QTest::newRow("no such selector") << "";
}

void TestRangeRules::neverRefused()
{
    QFETCH(QString, selector);
    QVERIFY(!RangeRules::refusalFor(selector));
}

void TestRangeRules::checkedModes()
{
    // "Single", "Toggle", "Reset", "Increase", "Decrease", "LongPress"; an empty mode
    // selector is no such mode.
    const QList<bool> skips = {true, false, false, false, false, true};
    for (int mode = 0; mode < skips.size(); ++mode)
        QCOMPARE(RangeRules::modeSkipsCheck(mode), skips.at(mode));
    QVERIFY(!RangeRules::modeSkipsCheck(-1));
    // Equal values are a range on either side.
    QVERIFY(!RangeRules::isRefused(Bound::Min, 50, 50));
    QVERIFY(!RangeRules::isRefused(Bound::Max, 50, 50));
}

QTEST_APPLESS_MAIN(TestRangeRules)
#include "tst_rangerules.moc"
