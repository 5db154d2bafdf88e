// The range checks in the real window: the user's Min and Max choices, the warnings with their
// exact words, the values put back, and what reaches the curve editor.
#include "app/widget.h"
#include "curve/mycustomplot.h"
#include "promptscript.h"
#include "testdir.h"
#include "ui_widget.h"

#include <QComboBox>
#include <QPointer>
#include <QTest>

namespace {

const QString kMinText =
    QStringLiteral("The minimum value cannot be greater than the maximum value!");
const QString kMaxText = QStringLiteral("当前值不能小于最小值！");
constexpr int kToggle = 1;
constexpr int kLongPress = 5;

struct Window
{
    ScopedWorkingDir dir;
    PromptScript prompts;
    Widget widget;
    Ui::Widget *ui = widget.form();

    QComboBox *selector(const QString &name) const
    {
        auto *found = widget.findChild<QComboBox *>(name);
        if (!found)
            qWarning("no selector %s", qPrintable(name));
        return found;
    }
    QStringList titles() const
    {
        QStringList result;
        for (const SeenBox &box : prompts.boxes)
            result << box.title;
        return result;
    }
};

} // namespace

class TestRangeWindow : public QObject
{
    Q_OBJECT

private slots:
    void startUpShowsNothing();
    void refusals_data();
    void refusals();
    void minThenMaxOnTheCcPage();
    void refusedMinimumGoesToZero();
    void lastMaximumIsShared();
    void sharedMaximumBelowTheMinimumWarnsTwice();
    void switchModesWithoutMax();
    void equalValuesAreARange_data();
    void equalValuesAreARange();
    void unvalidatedMaxSelectors();
    void dragFlagStopsOnlyTheCurvePages();
    void putBacksAndTheCurve();
    void acceptedChangesReachTheCurve_data();
    void acceptedChangesReachTheCurve();
};

void TestRangeWindow::startUpShowsNothing()
{
    // Filling the lists (Switch Min before Max and before the trigger modes) is no choice.
    Window w;
    QVERIFY(w.prompts.boxes.isEmpty());
    QCOMPARE(w.prompts.unexpected, 0);
    QCOMPARE(w.ui->switch_cc_comboBox_valmin->currentIndex(), 0);
    QCOMPARE(w.ui->switch_cc_comboBox_valmax->currentIndex(), 127);
}

void TestRangeWindow::refusals_data()
{
    QTest::addColumn<QString>("changed");
    QTest::addColumn<QString>("partner");
    QTest::addColumn<bool>("isMax");
    QTest::addColumn<QString>("page"); // event to choose first, empty for the CC page
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    const auto row = [](const char *changed, const char *partner, bool isMax, const char *page,
                        const char *title, const QString &text) {
        QTest::newRow(changed) << QString::fromLatin1(changed) << QString::fromLatin1(partner)
                               << isMax << QString::fromLatin1(page) << QString::fromLatin1(title)
                               << text;
    };
    row("expression_cc_comboBox_valmin", "expression_cc_comboBox_valmax", false, "",
        "Invalid1 selection", kMinText);
    row("expression_cc_comboBox_valmax", "expression_cc_comboBox_valmin", true, "",
        "Invalid2 selection", kMinText);
    row("expression_note_comboBox_valmin", "expression_note_comboBox_valmax", false, "NOTE",
        "Invalid3 selection", kMinText);
    row("expression_note_comboBox_valmax", "expression_note_comboBox_valmin", true, "NOTE",
        "Invalid4 selection", kMaxText);
    row("expression_pitch_comboBox_valmin", "expression_pitch_comboBox_valmax", false, "Pitch Bend",
        "Invalid5 selection3", kMinText);
    row("expression_ch_comboBox_val1", "expression_ch_comboBox_val2", false, "Channel Pressure",
        "Invalid7 selection5", kMinText);
    row("expression_ch_comboBox_val2", "expression_ch_comboBox_val1", true, "Channel Pressure",
        "Invalid8 selection", kMaxText);
    row("hat_cc_comboBox_valmin", "hat_cc_comboBox_valmax", false, "", "Invalid selection9",
        kMinText);
    row("hat_cc_comboBox_valmax", "hat_cc_comboBox_valmin", true, "", "Invalid selection11",
        kMaxText);
    row("hat_note_comboBox_valmin", "hat_note_comboBox_valmax", false, "hat NOTE",
        "Invalid selection12", kMinText);
    row("switch_cc_comboBox_valmin", "switch_cc_comboBox_valmax", false, "", "Invalid selection13",
        kMinText);
    row("switch_cc_comboBox_valmax", "switch_cc_comboBox_valmin", true, "", "Invalid selection14",
        kMaxText);
    row("switch_note_comboBox_valmin", "switch_note_comboBox_valmax", false, "",
        "Invalid selection15", kMinText);
    row("switch_note_comboBox_valmax", "switch_note_comboBox_valmin", true, "",
        "Invalid selection16", kMaxText);
    row("switch_pc_comboBox_valmin", "switch_pc_comboBox_valmax", false, "", "Invalid selection17",
        kMinText);
    row("switch_pc_comboBox_valmax", "switch_pc_comboBox_valmin", true, "", "Invalid selection18",
        kMaxText);
}

void TestRangeWindow::refusals()
{
    QFETCH(QString, changed);
    QFETCH(QString, partner);
    QFETCH(bool, isMax);
    QFETCH(QString, page);
    QFETCH(QString, title);
    QFETCH(QString, text);
    Window w;
    if (page == QLatin1String("hat NOTE"))
        w.ui->hat_comboBox0->setCurrentText(QStringLiteral("NOTE"));
    else if (!page.isEmpty())
        w.ui->expression_comboBox0->setCurrentText(page);
    if (changed.startsWith(QLatin1String("switch")))
        w.ui->switch_cc_comboBox_mode->setCurrentIndex(kToggle); // all Switch pages follow
    QComboBox *changedSelector = w.selector(changed);
    QComboBox *partnerSelector = w.selector(partner);
    QVERIFY(changedSelector && partnerSelector);

    // The partner first, accepted: Max 50 under a Min change, Min 100 under a Max change.
    partnerSelector->setCurrentIndex(isMax ? 100 : 50);
    QVERIFY(w.prompts.boxes.isEmpty());
    w.prompts.answer(QMessageBox::Ok);
    changedSelector->setCurrentIndex(isMax ? 10 : 100);

    QCOMPARE(w.prompts.boxes.size(), 1);
    const SeenBox box = w.prompts.boxes.first();
    QCOMPARE(box.title, title);
    QCOMPARE(box.text, text);
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QStringList{QStringLiteral("OK")});
    QVERIFY(box.hasParent);
    // Max back to the last accepted maximum (127 since start-up), Min back to 0.
    QCOMPARE(changedSelector->currentIndex(), isMax ? 127 : 0);
    QCOMPARE(partnerSelector->currentIndex(), isMax ? 100 : 50);
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestRangeWindow::minThenMaxOnTheCcPage()
{
    Window w;
    w.ui->expression_cc_comboBox_valmin->setCurrentIndex(127);
    QVERIFY(w.prompts.boxes.isEmpty());
    QCOMPARE(w.ui->expression_cc_comboBox_valmin->currentIndex(), 127);
    w.prompts.answer(QMessageBox::Ok);
    w.ui->expression_cc_comboBox_valmax->setCurrentIndex(126);
    QCOMPARE(w.titles(), QStringList{QStringLiteral("Invalid2 selection")});
    QCOMPARE(w.ui->expression_cc_comboBox_valmax->currentIndex(), 127);
    QCOMPARE(w.ui->expression_cc_comboBox_valmin->currentIndex(), 127);
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestRangeWindow::refusedMinimumGoesToZero()
{
    Window w;
    w.ui->expression_cc_comboBox_valmin->setCurrentIndex(20);
    w.ui->expression_cc_comboBox_valmax->setCurrentIndex(50);
    w.prompts.answer(QMessageBox::Ok);
    w.ui->expression_cc_comboBox_valmin->setCurrentIndex(100);
    QCOMPARE(w.titles(), QStringList{QStringLiteral("Invalid1 selection")});
    QCOMPARE(w.ui->expression_cc_comboBox_valmin->currentIndex(), 0); // not the earlier 20
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestRangeWindow::lastMaximumIsShared()
{
    Window w;
    w.ui->switch_cc_comboBox_mode->setCurrentIndex(kToggle);
    w.ui->switch_cc_comboBox_valmax->setCurrentIndex(40);
    w.ui->expression_cc_comboBox_valmin->setCurrentIndex(60);
    QVERIFY(w.prompts.boxes.isEmpty());
    w.prompts.answer(QMessageBox::Ok);
    w.ui->expression_cc_comboBox_valmax->setCurrentIndex(10);
    // Put back silently to the Switch page's 40, although that is below the minimum.
    QCOMPARE(w.titles(), QStringList{QStringLiteral("Invalid2 selection")});
    QCOMPARE(w.ui->expression_cc_comboBox_valmax->currentIndex(), 40);
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestRangeWindow::sharedMaximumBelowTheMinimumWarnsTwice()
{
    Window w;
    w.ui->switch_cc_comboBox_mode->setCurrentIndex(kToggle);
    w.ui->switch_cc_comboBox_valmax->setCurrentIndex(40);
    w.ui->hat_cc_comboBox_valmin->setCurrentIndex(60);
    w.prompts.answer(QMessageBox::Ok);
    w.prompts.answer(QMessageBox::Ok);
    w.ui->hat_cc_comboBox_valmax->setCurrentIndex(10);
    // The put-back passes through the check again, which refuses 40 too and leaves it.
    QCOMPARE(w.titles(), QStringList({QStringLiteral("Invalid selection11"),
                                      QStringLiteral("Invalid selection11")}));
    QCOMPARE(w.ui->hat_cc_comboBox_valmax->currentIndex(), 40);
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestRangeWindow::switchModesWithoutMax()
{
    Window w;
    // Start-up mode "Single": Min may pass Max without a word.
    w.ui->switch_cc_comboBox_valmax->setCurrentIndex(50);
    w.ui->switch_cc_comboBox_valmin->setCurrentIndex(100);
    QCOMPARE(w.ui->switch_cc_comboBox_valmin->currentIndex(), 100);
    w.ui->switch_cc_comboBox_mode->setCurrentIndex(kLongPress);
    w.ui->switch_note_comboBox_valmax->setCurrentIndex(5);
    w.ui->switch_note_comboBox_valmin->setCurrentIndex(90);
    QCOMPARE(w.ui->switch_note_comboBox_valmax->currentIndex(), 5);
    QVERIFY(w.prompts.boxes.isEmpty());
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestRangeWindow::equalValuesAreARange_data()
{
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    for (const char *page : {"expression_cc", "expression_note", "hat_cc", "hat_note", "switch_cc",
                             "switch_note", "switch_pc"})
        QTest::newRow(page) << QStringLiteral("%1_comboBox_valmin").arg(QLatin1String(page))
                            << QStringLiteral("%1_comboBox_valmax").arg(QLatin1String(page));
    QTest::newRow("expression_ch") << "expression_ch_comboBox_val1"
                                   << "expression_ch_comboBox_val2";
    QTest::newRow("expression_pitch") << "expression_pitch_comboBox_valmin"
                                      << "expression_pitch_comboBox_valmax";
}

void TestRangeWindow::equalValuesAreARange()
{
    QFETCH(QString, min);
    QFETCH(QString, max);
    Window w;
    w.ui->switch_cc_comboBox_mode->setCurrentIndex(kToggle);
    w.selector(max)->setCurrentIndex(70);
    w.selector(min)->setCurrentIndex(70);
    QVERIFY(w.prompts.boxes.isEmpty());
    // One step below the minimum is refused (except on the two unchecked pages), and back at
    // the minimum it is a range again.
    w.prompts.answer(QMessageBox::Ok);
    w.selector(max)->setCurrentIndex(70 - 1);
    w.selector(max)->setCurrentIndex(70);
    QCOMPARE(w.selector(min)->currentIndex(), 70);
    QCOMPARE(w.selector(max)->currentIndex(), 70);
    QVERIFY(w.prompts.boxes.size() <= 1);
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestRangeWindow::unvalidatedMaxSelectors()
{
    // Decided: the Pitch Bend Max and the Hi-Hat NOTE Max stay unchecked.
    Window w;
    w.ui->expression_comboBox0->setCurrentText(QStringLiteral("Pitch Bend"));
    w.ui->expression_pitch_comboBox_valmin->setCurrentIndex(9000);
    w.ui->expression_pitch_comboBox_valmax->setCurrentIndex(100);
    QCOMPARE(w.ui->expression_pitch_comboBox_valmax->currentIndex(), 100);
    w.ui->hat_comboBox0->setCurrentText(QStringLiteral("NOTE"));
    w.ui->hat_note_comboBox_valmin->setCurrentIndex(20);
    w.ui->hat_note_comboBox_valmax->setCurrentIndex(5);
    QCOMPARE(w.ui->hat_note_comboBox_valmax->currentIndex(), 5);
    QVERIFY(w.prompts.boxes.isEmpty());
    // The curve draws such a range flat instead of failing on it.
    QVERIFY(w.widget.hatCurvePlot());
    for (double v : w.widget.hatCurvePlot()->curveValues)
        QCOMPARE(v, 5.0);

    // Neither fed the shared last maximum: a refused CC Max still goes back to 127.
    w.ui->expression_cc_comboBox_valmin->setCurrentIndex(60);
    w.prompts.answer(QMessageBox::Ok);
    w.ui->expression_cc_comboBox_valmax->setCurrentIndex(10);
    QCOMPARE(w.ui->expression_cc_comboBox_valmax->currentIndex(), 127);
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestRangeWindow::dragFlagStopsOnlyTheCurvePages()
{
    Window w;
    MyCustomPlot *plot = w.widget.expressionCurvePlot();
    QVERIFY(plot);
    const QPointer<MyCustomPlot> alive = plot;
    emit plot->crical_is_move(true);
    QVERIFY(w.widget.curveDragRunning());
    w.ui->expression_cc_comboBox_valmax->setCurrentIndex(10);
    w.ui->expression_cc_comboBox_valmin->setCurrentIndex(100);
    w.ui->hat_cc_comboBox_valmin->setCurrentIndex(127);
    w.ui->hat_cc_comboBox_valmax->setCurrentIndex(3);
    w.ui->expression_cc_comboBox_gain->setCurrentIndex(0);
    QVERIFY(alive); // not rebuilt under the drag
    QVERIFY(w.prompts.boxes.isEmpty());
    // The Switch pages are checked all the same.
    w.ui->switch_cc_comboBox_mode->setCurrentIndex(kToggle);
    w.ui->switch_cc_comboBox_valmax->setCurrentIndex(50);
    w.prompts.answer(QMessageBox::Ok);
    w.ui->switch_cc_comboBox_valmin->setCurrentIndex(60);
    QCOMPARE(w.titles(), QStringList{QStringLiteral("Invalid selection13")});
    emit plot->crical_is_move(false);
    QVERIFY(!w.widget.curveDragRunning());
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestRangeWindow::putBacksAndTheCurve()
{
    Window w;
    // A silent put-back leaves the curve as it was.
    w.ui->expression_cc_comboBox_valmax->setCurrentIndex(50);
    QPointer<MyCustomPlot> plot = w.widget.expressionCurvePlot();
    w.prompts.answer(QMessageBox::Ok);
    w.ui->expression_cc_comboBox_valmin->setCurrentIndex(80);
    QVERIFY(plot);
    QCOMPARE(plot->labelText(MyCustomPlot::Label::MaxValue), QStringLiteral("50"));

    // Any other put-back comes through the slot like a choice and rebuilds from the page.
    w.ui->expression_comboBox0->setCurrentText(QStringLiteral("NOTE"));
    w.ui->expression_note_comboBox_valmin->setCurrentIndex(30);
    w.ui->expression_note_comboBox_valmax->setCurrentIndex(60);
    plot = w.widget.expressionCurvePlot();
    QCOMPARE(plot->labelText(MyCustomPlot::Label::MinValue), QStringLiteral("30"));
    w.prompts.answer(QMessageBox::Ok);
    w.ui->expression_note_comboBox_valmin->setCurrentIndex(90);
    QVERIFY(plot.isNull());
    QCOMPARE(w.ui->expression_note_comboBox_valmin->currentIndex(), 0);
    QCOMPARE(w.widget.expressionCurvePlot()->labelText(MyCustomPlot::Label::MinValue),
             QStringLiteral("0"));
    QCOMPARE(w.titles(), QStringList({QStringLiteral("Invalid1 selection"),
                                      QStringLiteral("Invalid3 selection")}));
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestRangeWindow::acceptedChangesReachTheCurve_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("before"); // a selector set first, "name=index"
    QTest::addColumn<QString>("changed");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("hiHat");
    QTest::addColumn<int>("label");
    QTest::addColumn<QString>("text");
    using L = MyCustomPlot::Label;
    QTest::newRow("CC Min") << ""
                            << ""
                            << "expression_cc_comboBox_valmin" << 20 << false << int(L::MinValue)
                            << "20";
    QTest::newRow("CC Gain -50") << ""
                                 << ""
                                 << "expression_cc_comboBox_gain" << 0 << false << int(L::MaxValue)
                                 << "65";
    QTest::newRow("CC Curve") << ""
                              << ""
                              << "expression_cc_comboBox_ql" << 80 << false << int(L::CurveValue)
                              << "30";
    QTest::newRow("NOTE Gain keeps the NOTE range")
        << "NOTE"
        << "expression_note_comboBox_valmax=90"
        << "expression_note_comboBox_gain" << 60 << false << int(L::MaxValue) << "90";
    QTest::newRow("Channel Pressure Gain keeps its range")
        << "Channel Pressure"
        << "expression_ch_comboBox_val1=15"
        << "expression_ch_comboBox_gain" << 40 << false << int(L::MinValue) << "15";
    QTest::newRow("Pitch Bend Curve keeps the 14-bit range")
        << "Pitch Bend"
        << "expression_pitch_comboBox_valmax=12900"
        << "expression_pitch_comboBox_ql" << 30 << false << int(L::MaxValue) << "12900";
    QTest::newRow("Hi-Hat Max keeps the page's curve")
        << ""
        << "hat_cc_comboBox_ql=70"
        << "hat_cc_comboBox_valmax" << 100 << true << int(L::CurveValue) << "20";
    QTest::newRow("Hi-Hat Gain keeps the page's curve")
        << ""
        << "hat_cc_comboBox_ql=10"
        << "hat_cc_comboBox_gain" << 70 << true << int(L::CurveValue) << "-40";
    QTest::newRow("Hi-Hat NOTE Max")
        << "hat NOTE"
        << ""
        << "hat_note_comboBox_valmax" << 77 << true << int(L::MaxValue) << "77";
}

void TestRangeWindow::acceptedChangesReachTheCurve()
{
    QFETCH(QString, page);
    QFETCH(QString, before);
    QFETCH(QString, changed);
    QFETCH(int, index);
    QFETCH(bool, hiHat);
    QFETCH(int, label);
    QFETCH(QString, text);
    Window w;
    if (page == QLatin1String("hat NOTE"))
        w.ui->hat_comboBox0->setCurrentText(QStringLiteral("NOTE"));
    else if (!page.isEmpty())
        w.ui->expression_comboBox0->setCurrentText(page);
    if (!before.isEmpty()) {
        const QStringList parts = before.split(QLatin1Char('='));
        w.selector(parts.at(0))->setCurrentIndex(parts.at(1).toInt());
    }
    w.selector(changed)->setCurrentIndex(index);
    MyCustomPlot *plot = hiHat ? w.widget.hatCurvePlot() : w.widget.expressionCurvePlot();
    QVERIFY(plot);
    QCOMPARE(plot->labelText(MyCustomPlot::Label(label)), text);
    QVERIFY(w.prompts.boxes.isEmpty());
}

QTEST_MAIN(TestRangeWindow)
#include "tst_rangewindow.moc"
