// The curve editor inside the real window: plots rebuilt from the page's selectors, drags
// written back into the selectors, and the saturation point that the configuration sends.
#include "app/widget.h"
#include "plotdrive.h"
#include "promptscript.h"
#include "testdir.h"
#include "ui_widget.h"

#include <QComboBox>
#include <QImage>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace PlotDrive;

namespace {

constexpr int kSaturationByte = 21;

struct Window
{
    ScopedWorkingDir dir;
    PromptScript prompts;
    Widget widget;
    Ui::Widget *ui = widget.form();

    Window()
    {
        widget.setExtendedEditorVisible(true); // as for a model with the curve editor
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
    }

    // The current plot once its layout has given it a size and it has been drawn there.
    MyCustomPlot *expressionPlot() { return laidOut(widget.expressionCurvePlot()); }
    MyCustomPlot *hatPlot() { return laidOut(widget.hatCurvePlot()); }

    static MyCustomPlot *laidOut(MyCustomPlot *plot)
    {
        if (!plot)
            return nullptr;
        for (int i = 0; i < 50 && plot->axisRect()->height() < 100; ++i) {
            QCoreApplication::processEvents();
            plot->replot();
        }
        return plot;
    }

    int configurationByte(int index) const { return quint8(widget.buildConfiguration().at(index)); }
};

// Relative luminance and contrast ratio as the common readability guidelines define them.
double luminance(QRgb rgb)
{
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(rgb)) + 0.7152 * linear(qGreen(rgb)) + 0.0722 * linear(qBlue(rgb));
}

double contrast(double lighter, double darker)
{
    return (lighter + 0.05) / (darker + 0.05);
}

void choose(QComboBox *selector, const QString &text)
{
    const int index = selector->findText(text);
    QVERIFY2(index >= 0, qPrintable(selector->objectName() + QLatin1String(": ") + text));
    selector->setCurrentIndex(index);
}

} // namespace

class TestCurveWindow : public QObject
{
    Q_OBJECT

private slots:
    void builtFromTheCurrentPage();
    void startUpPlotsMatchFreshOnes();
    void hiddenPlotIsDrawnWhenShown();
    void saturationGoesIntoTheConfiguration();
    void curveHandleBottomAndTop();
    void minDraggedAboveMaxDoesNothing();
    void selectorsFollowADragUnchecked();
    void pitchBendMaxToTheTop();
    void pitchBendRangeKeepsItsMinimum();
    void hatDragWritesTheHatPage();
    void captionsReadOnTheBackdrop();
};

void TestCurveWindow::builtFromTheCurrentPage()
{
    Window w;
    // Filling the lists at start-up already went through the range slots.
    MyCustomPlot *plot = w.expressionPlot();
    QVERIFY(plot);
    QCOMPARE(plot->parentWidget(), w.ui->widget_13);
    QCOMPARE(w.ui->widget_13->findChildren<MyCustomPlot *>().size(), 1);
    QVERIFY(w.widget.hatCurvePlot());
    QCOMPARE(w.widget.hatCurvePlot()->parentWidget(), w.ui->widget_14);
    QCOMPARE(plot->labelText(MyCustomPlot::Label::MaxValue), QStringLiteral("127"));
    QCOMPARE(plot->gain, 0.0);
    QCOMPARE(plot->cgain, 0.0);
    QVERIFY(plot->hasMouseTracking());
    QCOMPARE(plot->focusPolicy(), Qt::StrongFocus);

    // An accepted change rebuilds: a new plot, the old one gone.
    const QPointer<MyCustomPlot> old = plot;
    w.ui->expression_cc_comboBox_valmax->setCurrentIndex(90);
    QVERIFY(old.isNull());
    QCOMPARE(w.ui->widget_13->findChildren<MyCustomPlot *>().size(), 1);
    QCOMPARE(w.expressionPlot()->labelText(MyCustomPlot::Label::MaxValue), QStringLiteral("90"));

    // The event page decides the units: Pitch Bend draws a 14-bit range.
    choose(w.ui->expression_comboBox0, QStringLiteral("Pitch Bend"));
    QVERIFY(w.expressionPlot()->fourteenBit);
    QCOMPARE(w.expressionPlot()->labelText(MyCustomPlot::Label::MaxValue), QStringLiteral("16383"));
    choose(w.ui->expression_comboBox0, QStringLiteral("Continuous Controllers (CC)"));
    QVERIFY(!w.expressionPlot()->fourteenBit);
    QCOMPARE(w.expressionPlot()->labelText(MyCustomPlot::Label::MaxValue), QStringLiteral("127"));
    QCOMPARE(w.prompts.unexpected, 0);
    QVERIFY(w.prompts.boxes.isEmpty());
}

// What a plot shows and sends, in one comparable text.
QString plotState(MyCustomPlot *plot)
{
    QStringList parts{QString::number(plot->min),
                      QString::number(plot->max),
                      QString::number(plot->gain),
                      QString::number(plot->cgain),
                      QString::number(plot->saturationPercent),
                      QString::number(plot->fourteenBit),
                      QString::number(plot->graphCount()),
                      QString::number(plot->itemCount())};
    for (double v : plot->curveValues)
        parts << QString::number(v);
    for (int i = 0; i < plot->itemCount(); ++i) {
        if (auto *text = qobject_cast<QCPItemText *>(plot->item(i)))
            parts << text->text() << QString::number(text->position->coords().y());
        if (auto *rect = qobject_cast<QCPItemRect *>(plot->item(i)))
            parts << QString::number(rect->topLeft->coords().y());
    }
    return parts.join(QLatin1Char(' '));
}

void TestCurveWindow::startUpPlotsMatchFreshOnes()
{
    // While the lists fill, the plots are set up again in place; afterwards every rebuild
    // makes a new one. Both must end the same, nothing of the earlier setups left over.
    Window w;
    const QString expressionAtStart = plotState(w.expressionPlot());
    const QString hatAtStart = plotState(w.hatPlot());
    const QPointer<MyCustomPlot> first = w.widget.expressionCurvePlot();
    w.widget.rebuildExpressionCurve();
    w.widget.rebuildHiHatCurve();
    QVERIFY(first.isNull());
    QCOMPARE(plotState(w.expressionPlot()), expressionAtStart);
    QCOMPARE(plotState(w.hatPlot()), hatAtStart);
    QCOMPARE(w.expressionPlot()->itemCount(), 9); // three handles, six labels
}

void TestCurveWindow::hiddenPlotIsDrawnWhenShown()
{
    // The curve rows start hidden: their plots draw nothing until the row is shown, and then
    // the first frame that shows them has the curve.
    ScopedWorkingDir dir;
    PromptScript prompts;
    Widget widget;
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    MyCustomPlot *plot = widget.expressionCurvePlot();
    QVERIFY(plot && !plot->isVisible());
    QSignalSpy drawn(plot, &QCustomPlot::afterReplot);
    QCoreApplication::processEvents();
    QCOMPARE(drawn.count(), 0);

    widget.setExtendedEditorVisible(true);
    QVERIFY(drawn.count() >= 1);
    QVERIFY(plot->isVisible());
    QTRY_VERIFY(plot->width() > 100);
    const QImage shot = plot->grab().toImage();
    int curvePixels = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            curvePixels += shot.pixelColor(x, y) == plot->graph()->pen().color();
    QVERIFY2(curvePixels > 50, qPrintable(QString::number(curvePixels)));
}

void TestCurveWindow::saturationGoesIntoTheConfiguration()
{
    Window w;
    QCOMPARE(w.configurationByte(kSaturationByte), 100);
    w.ui->expression_cc_comboBox_gain->setCurrentIndex(100); // 50
    w.ui->expression_cc_comboBox_ql->setCurrentIndex(60);    // 10
    QCOMPARE(w.expressionPlot()->saturationPercent, 50);
    QCOMPARE(w.configurationByte(kSaturationByte), 50);
    // Whatever pedal type is sent, byte 21 is the Expression curve's.
    choose(w.ui->pendal_type_comboBox0, QStringLiteral("Switch"));
    QCOMPARE(w.configurationByte(kSaturationByte), 50);
    QCOMPARE(Widget::expressionSaturationPercent(w.ui, -7), 50);
}

void TestCurveWindow::curveHandleBottomAndTop()
{
    Window w;
    MyCustomPlot *plot = w.expressionPlot();
    const QPointer<MyCustomPlot> alive = plot;
    const int x = centreOf(plot->curveHandle).x();
    drag(plot, plot->curveHandle, 0);
    QVERIFY(w.widget.curveDragRunning());
    QCOMPARE(w.ui->expression_cc_comboBox_ql->currentText(), QStringLiteral("-50"));
    moveToTop(plot, x);
    QCOMPARE(w.ui->expression_cc_comboBox_ql->currentText(), QStringLiteral("50"));
    release(plot);
    QVERIFY(!w.widget.curveDragRunning());
    // The drag ran unchecked and without rebuilding under the mouse.
    QVERIFY(alive);
    QCOMPARE(plot->labelText(MyCustomPlot::Label::CurveValue), QStringLiteral("50"));
}

void TestCurveWindow::minDraggedAboveMaxDoesNothing()
{
    Window w;
    w.ui->expression_cc_comboBox_valmax->setCurrentIndex(60);
    MyCustomPlot *plot = w.expressionPlot();
    drag(plot, plot->minHandle, 100);
    QCOMPARE(w.ui->expression_cc_comboBox_valmin->currentIndex(), 0);
    QCOMPARE(w.ui->expression_cc_comboBox_valmax->currentIndex(), 60);
    QVERIFY(!w.widget.curveDragRunning()); // nothing was reported
    moveTo(plot, centreOf(plot->minHandle).x(), 40);
    QCOMPARE(w.ui->expression_cc_comboBox_valmin->currentIndex(), 40);
    release(plot);
    QVERIFY(w.prompts.boxes.isEmpty());
}

void TestCurveWindow::selectorsFollowADragUnchecked()
{
    Window w;
    MyCustomPlot *plot = w.expressionPlot();
    const QPointer<MyCustomPlot> alive = plot;
    drag(plot, plot->maxHandle, 30);
    QCOMPARE(w.ui->expression_cc_comboBox_valmax->currentIndex(), 30);
    // While the handle is held the range slots stand aside: no check, no rebuild.
    w.ui->expression_cc_comboBox_valmin->setCurrentIndex(100);
    w.ui->hat_cc_comboBox_valmin->setCurrentIndex(127);
    w.ui->hat_cc_comboBox_valmax->setCurrentIndex(0);
    QVERIFY(alive);
    QVERIFY(w.prompts.boxes.isEmpty());
    release(plot);
    QVERIFY(!w.widget.curveDragRunning());

    // Released, the same choice is checked again.
    w.prompts.answer(QMessageBox::Ok);
    w.ui->expression_cc_comboBox_valmin->setCurrentIndex(101);
    QCOMPARE(w.prompts.boxes.size(), 1);
    QCOMPARE(w.prompts.boxes.first().title, QStringLiteral("Invalid1 selection"));
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestCurveWindow::pitchBendMaxToTheTop()
{
    Window w;
    choose(w.ui->expression_comboBox0, QStringLiteral("Pitch Bend"));
    w.ui->expression_pitch_comboBox_valmax->setCurrentIndex(8000);
    MyCustomPlot *plot = w.expressionPlot();
    QCOMPARE(plot->labelText(MyCustomPlot::Label::MaxValue), QString::number(62 * 129));
    const int x = centreOf(plot->maxHandle).x();
    press(plot, plot->maxHandle);
    moveToTop(plot, x);
    QCOMPARE(w.ui->expression_pitch_comboBox_valmax->currentIndex(), 16383);
    QCOMPARE(w.ui->expression_pitch_comboBox_valmax->currentText(), QStringLiteral("16383"));
    QCOMPARE(plot->labelText(MyCustomPlot::Label::MaxValue), QStringLiteral("16383"));
    release(plot);
    QCOMPARE(w.prompts.unexpected, 0);
}

void TestCurveWindow::pitchBendRangeKeepsItsMinimum()
{
    Window w;
    choose(w.ui->expression_comboBox0, QStringLiteral("Pitch Bend"));
    w.ui->expression_pitch_comboBox_valmin->setCurrentIndex(63 * 129);
    QCOMPARE(w.expressionPlot()->labelText(MyCustomPlot::Label::MinValue),
             QString::number(63 * 129));
    // Regression: a Max change used to divide the rebuilt 7-bit minimum by 129 once more.
    w.ui->expression_pitch_comboBox_valmax->setCurrentIndex(12900);
    QCOMPARE(w.expressionPlot()->labelText(MyCustomPlot::Label::MinValue),
             QString::number(63 * 129));
    QCOMPARE(w.expressionPlot()->labelText(MyCustomPlot::Label::MaxValue),
             QString::number(100 * 129));
}

void TestCurveWindow::hatDragWritesTheHatPage()
{
    Window w;
    choose(w.ui->pendal_type_comboBox0, QStringLiteral("Hi-Hat"));
    choose(w.ui->hat_comboBox0, QStringLiteral("NOTE"));
    w.ui->hat_note_comboBox_ql->setCurrentIndex(70);
    MyCustomPlot *plot = w.hatPlot();
    QVERIFY(plot);
    QCOMPARE(plot->labelText(MyCustomPlot::Label::CurveValue), QStringLiteral("20"));
    drag(plot, plot->maxHandle, 90);
    QCOMPARE(w.ui->hat_note_comboBox_valmax->currentIndex(), 90);
    QCOMPARE(w.ui->hat_cc_comboBox_valmax->currentIndex(), 127);
    QCOMPARE(w.ui->hat_note_comboBox_ql->currentIndex(), 70);
    release(plot);
    QVERIFY(!w.widget.curveDragRunning());
    QCOMPARE(w.prompts.unexpected, 0);
}

QTEST_MAIN(TestCurveWindow)
#include "tst_curvewindow.moc"

void TestCurveWindow::captionsReadOnTheBackdrop()
{
    // Black captions go wherever the handles are dragged: every pixel of the picture's field
    // must leave them readable, grid and reference line included.
    const QImage backdrop =
        QImage(QStringLiteral(":/IMG/bd5.png")).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!backdrop.isNull());
    const int frame = backdrop.width() / 30;
    double darkestField = 1;
    for (int y = frame; y < backdrop.height() - frame; ++y)
        for (int x = frame; x < backdrop.width() - frame; ++x)
            darkestField = std::min(darkestField, luminance(backdrop.pixel(x, y)));
    const double fieldContrast = contrast(darkestField, luminance(qRgb(0, 0, 0)));

    // And as drawn: the captions against what lies around them in the shown window.
    Window w;
    MyCustomPlot *plot = w.expressionPlot();
    QVERIFY(plot);
    const QImage shot = w.ui->widget_13->grab().toImage();
    QStringList figures{QStringLiteral("field %1:1").arg(fieldContrast, 0, 'f', 1)};
    double worst = fieldContrast;
    for (auto which :
         {MyCustomPlot::Label::Min, MyCustomPlot::Label::Max, MyCustomPlot::Label::Curve}) {
        const QCPItemText *caption = plot->label(which);
        QVERIFY(caption);
        QRect box = QFontMetrics(caption->font()).boundingRect(caption->text());
        box.moveCenter(plot->mapTo(w.ui->widget_13, caption->position->pixelPosition().toPoint()));
        box = box.adjusted(-3, -3, 3, 3) & shot.rect();
        QVector<double> around;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                around << luminance(shot.pixel(x, y));
        QVERIFY(around.size() > 50);
        std::sort(around.begin(), around.end());
        // The glyphs are the darkest pixels, the backdrop the common ones.
        const double ratio = contrast(around.at(around.size() / 2), around.first());
        figures << QStringLiteral("%1 %2:1").arg(caption->text()).arg(ratio, 0, 'f', 1);
        worst = std::min(worst, ratio);
    }
    qInfo("caption contrast: %s", qPrintable(figures.join(QStringLiteral(", "))));
    QVERIFY2(worst >= 4.5, qPrintable(figures.join(QStringLiteral(", "))));
}
