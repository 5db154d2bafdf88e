// The plot widget on its own: how it looks, where its handles and labels sit, and what a drag
// of each handle reports, driven by mouse events at the handles' pixel positions.
#include "plotdrive.h"

#include <QTest>

namespace {

constexpr int kPlotSide = 180; // the form's container size

using namespace PlotDrive;

struct Plot
{
    MyCustomPlot plot;
    QStringList log; // the plot's signals, in the order they came

    Plot(double min, double max, double gain, double cgain, bool fourteenBit = false)
    {
        plot.resize(kPlotSide, kPlotSide);
        plot.setupCurve(min, max, gain, cgain);
        plot.applyAppearance();
        plot.fourteenBit = fourteenBit; // as the window's rebuild leaves it
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        plot.replot();
        QObject::connect(&plot, &MyCustomPlot::circleCoordinatesUpdated,
                         [this](QPoint, QPoint) { log << QStringLiteral("circles"); });
        QObject::connect(&plot, &MyCustomPlot::crical_is_move,
                         [this](bool flag) { log << QStringLiteral("move %1").arg(flag); });
        QObject::connect(
            &plot, &MyCustomPlot::update_max_min_gain,
            [this](int max, int min, int gain, int cgain) {
                log << QStringLiteral("update %1 %2 %3 %4").arg(max).arg(min).arg(gain).arg(cgain);
            });
    }

    int pixelY(double y) const { return PlotDrive::pixelY(&plot, y); }
    void drag(QCPItemRect *handle, double y) { PlotDrive::drag(&plot, handle, y); }
    void moveTo(int x, double y) { PlotDrive::moveTo(&plot, x, y); }
    void release() { PlotDrive::release(&plot); }
};

QStringList dragSignals(int max, int min, int gain, int cgain)
{
    return {QStringLiteral("circles"), QStringLiteral("move 1"),
            QStringLiteral("update %1 %2 %3 %4").arg(max).arg(min).arg(gain).arg(cgain),
            QStringLiteral("move 1")};
}

} // namespace

class TestCurvePlot : public QObject
{
    Q_OBJECT

private slots:
    void appearance();
    void handlesAndLabels_data();
    void handlesAndLabels();
    void dragMinReportsInOrder();
    void ignoredDrags();
    void curveHandleBottomAndTop();
    void fourteenBitMaxToTheTop();
    void pressAwayFromHandles();
    void outOfRangeValuesReportedAsMinusOne();
};

void TestCurvePlot::appearance()
{
    Plot p(0, 127, 0, 0);
    MyCustomPlot &plot = p.plot;
    QCOMPARE(plot.axisRect()->backgroundBrush().color().alpha(), 0);
    // The plot's own background: an empty spot of its picture shows what lies beneath.
    const QImage picture = plot.toPixmap(kPlotSide, kPlotSide).toImage();
    QCOMPARE(qAlpha(picture.pixel(60, 5)), 0);
    QCOMPARE(plot.axisRect()->autoMargins(), QCP::msNone);
    QCOMPARE(plot.axisRect()->margins(), QMargins(0, 0, 0, 0));
    QCOMPARE(plot.xAxis->range(), QCPRange(0, 1));
    QCOMPARE(plot.yAxis->range(), QCPRange(0, 151));
    // Fixed ticks: 0 and 1 under the curve, 0 and 127 beside it.
    QCOMPARE(plot.xAxis->ticker().dynamicCast<QCPAxisTickerFixed>()->tickStep(), 1.0);
    QCOMPARE(plot.yAxis->ticker().dynamicCast<QCPAxisTickerFixed>()->tickStep(), 127.0);
    QCOMPARE(plot.yAxis->basePen().color(), QColor(55, 43, 35));
    QVERIFY(plot.xAxis->grid()->visible());
    QVERIFY(!plot.yAxis->grid()->visible());
    QCOMPARE(plot.graphCount(), 1);
    QCOMPARE(plot.graph()->pen().color(), QColor(255, 165, 0));
    QCOMPARE(plot.graph()->data()->size(), 500);
    QCOMPARE(plot.maxHandle->brush().color(), QColor(173, 216, 230, 128));
    QCOMPARE(plot.label(MyCustomPlot::Label::Max)->positionAlignment(), Qt::AlignCenter);

    // A recomputation replaces the six texts instead of piling them up.
    plot.recomputeCurve();
    plot.recomputeCurve();
    int texts = 0;
    for (int i = 0; i < plot.itemCount(); ++i)
        texts += qobject_cast<QCPItemText *>(plot.item(i)) ? 1 : 0;
    QCOMPARE(texts, 6);
    QCOMPARE(plot.itemCount(), 9);
}

void TestCurvePlot::handlesAndLabels_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("gain");
    QTest::addColumn<double>("cgain");
    QTest::addColumn<QStringList>("values"); // MAX, MIN, Curve value labels
    QTest::addColumn<double>("maxY");
    QTest::newRow("default range")
        << 0.0 << 127.0 << 0.0 << 0.0 << QStringList{"127", "0", "0"} << 127.0;
    QTest::newRow("gain -50: MAX reads 65, the range still 127")
        << 0.0 << 127.0 << -50.0 << 0.0 << QStringList{"65", "0", "0"} << 66.0;
    QTest::newRow("min = max: MIN and MAX read alike")
        << 64.0 << 64.0 << 0.0 << 20.0 << QStringList{"64", "64", "20"} << 64.0;
    QTest::newRow("curve -30 part range")
        << 10.0 << 90.0 << 0.0 << -30.0 << QStringList{"90", "10", "-30"} << 90.0;
}

void TestCurvePlot::handlesAndLabels()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, gain);
    QFETCH(double, cgain);
    QFETCH(QStringList, values);
    QFETCH(double, maxY);
    Plot p(min, max, gain, cgain);
    const MyCustomPlot &plot = p.plot;
    using L = MyCustomPlot::Label;
    QCOMPARE(QStringList({plot.labelText(L::MaxValue), plot.labelText(L::MinValue),
                          plot.labelText(L::CurveValue)}),
             values);
    QCOMPARE(
        QStringList({plot.labelText(L::Max), plot.labelText(L::Min), plot.labelText(L::Curve)}),
        QStringList({"MAX", "MIN", "Curve"}));

    QCOMPARE(plot.maxHandle->topLeft->coords(), QPointF(1.0, maxY));
    QCOMPARE(plot.maxHandle->bottomRight->coords(), QPointF(0.8, maxY + 12.7));
    QCOMPARE(plot.label(L::Max)->position->coords(), QPointF(0.9, maxY + 20));
    QCOMPARE(plot.label(L::MaxValue)->position->coords(), QPointF(0.9, maxY + 6.35));
    const double y0 = plot.curveValues.first();
    QCOMPARE(plot.minHandle->topLeft->coords(), QPointF(0.0, y0));
    QCOMPARE(plot.minHandle->bottomRight->coords(), QPointF(0.2, y0 + 12.7));
    QCOMPARE(plot.label(L::Min)->position->coords(), QPointF(0.1, y0 + 20));
    const double xm = plot.curveKeys.at(250);
    const double ym = plot.curveValues.at(250);
    QCOMPARE(plot.curveHandle->topLeft->coords(), QPointF(xm - 0.1, ym));
    QCOMPARE(plot.curveHandle->bottomRight->coords(), QPointF(xm + 0.1, ym + 12.7));
    QCOMPARE(plot.label(L::CurveValue)->position->coords(), QPointF(xm, ym + 6.35));
}

void TestCurvePlot::dragMinReportsInOrder()
{
    Plot p(0, 127, 0, 0);
    QPoint reportedMin, reportedMax;
    QObject::connect(&p.plot, &MyCustomPlot::circleCoordinatesUpdated,
                     [&](QPoint start, QPoint end) {
                         reportedMin = start;
                         reportedMax = end;
                     });
    p.drag(p.plot.minHandle, 50);
    QVERIFY(p.plot.draggingMin);
    QCOMPARE(p.log, dragSignals(127, 50, 0, 0));
    QCOMPARE(p.plot.labelText(MyCustomPlot::Label::MinValue), QStringLiteral("50"));
    const QPointF corner = p.plot.minHandle->topLeft->pixelPosition();
    QCOMPARE(reportedMin, QPoint(int(corner.x()), int(corner.y())));
    QCOMPARE(reportedMax.x(), int(p.plot.maxHandle->topLeft->pixelPosition().x()));

    p.log.clear();
    p.release();
    QCOMPARE(p.log, QStringList{QStringLiteral("move 0")});
    QVERIFY(!p.plot.dragging());
    // After the release a move is no drag.
    p.moveTo(20, 100);
    QVERIFY(p.log.size() == 1);
    QCOMPARE(int(p.plot.min), 50);
}

void TestCurvePlot::ignoredDrags()
{
    {
        // MIN above the maximum: nothing changes and nothing is reported.
        Plot p(0, 60, 0, 0);
        p.drag(p.plot.minHandle, 100);
        QVERIFY(p.plot.draggingMin);
        QVERIFY(p.log.isEmpty());
        QCOMPARE(p.plot.min, 0.0);
        QCOMPARE(p.plot.minHandle->topLeft->coords().y(), p.plot.curveValues.first());
        // Back below the maximum it follows again.
        p.moveTo(centreOf(p.plot.minHandle).x(), 40);
        QCOMPARE(p.log, dragSignals(60, 40, 0, 0));
    }
    {
        // MAX dragged to the bottom stops at the current minimum.
        Plot p(30, 127, 0, 0);
        p.drag(p.plot.maxHandle, 80);
        QCOMPARE(p.log, dragSignals(80, 30, 0, 0));
        p.log.clear();
        p.moveTo(centreOf(p.plot.maxHandle).x(), 0);
        QVERIFY(p.log.isEmpty());
        QCOMPARE(int(p.plot.max), 80);
        p.moveTo(centreOf(p.plot.maxHandle).x(), 30); // equal is a range
        QCOMPARE(p.log, dragSignals(30, 30, 0, 0));
    }
}

void TestCurvePlot::curveHandleBottomAndTop()
{
    Plot p(0, 127, 0, 0);
    const int x = centreOf(p.plot.curveHandle).x();
    p.drag(p.plot.curveHandle, 0);
    QCOMPARE(p.log, dragSignals(127, 0, 0, -50));
    QCOMPARE(p.plot.labelText(MyCustomPlot::Label::CurveValue), QStringLiteral("-50"));
    p.log.clear();
    // Above 127 on the plot is clamped to 127: curve 50.
    sendMouse(&p.plot, QEvent::MouseMove, QPoint(x, 1), Qt::LeftButton);
    QCOMPARE(p.log, dragSignals(127, 0, 0, 50));
    QCOMPARE(p.plot.cgain, 50.0);
    // Below the plot's bottom is clamped to 0.
    p.log.clear();
    sendMouse(&p.plot, QEvent::MouseMove, QPoint(x, kPlotSide + 40), Qt::LeftButton);
    QCOMPARE(p.log, dragSignals(127, 0, 0, -50));
}

void TestCurvePlot::fourteenBitMaxToTheTop()
{
    // A Pitch Bend page 0 … 8000: the rebuild hands the range over in 7-bit units.
    Plot p(0, 8000 / 129.0, 0, 0, true);
    p.drag(p.plot.maxHandle, 127);
    QCOMPARE(p.log, dragSignals(16383, 0, 0, 0));
    QCOMPARE(p.plot.labelText(MyCustomPlot::Label::MaxValue), QStringLiteral("16383"));
    p.release();
    p.log.clear();

    // The Curve handle keeps a 14-bit range where it is.
    p.drag(p.plot.curveHandle, 127);
    QCOMPARE(p.log, dragSignals(16383, 0, 0, 50));
    QCOMPARE(p.plot.labelText(MyCustomPlot::Label::MaxValue), QStringLiteral("16383"));
    p.release();

    // MIN in 14-bit: whole 7-bit steps, reported ×129.
    p.log.clear();
    p.drag(p.plot.minHandle, 63.5);
    QCOMPARE(p.log, dragSignals(16383, 63 * 129, 0, 50));
    QCOMPARE(p.plot.labelText(MyCustomPlot::Label::MinValue), QString::number(63 * 129));
}

void TestCurvePlot::pressAwayFromHandles()
{
    Plot p(0, 127, 0, 0);
    const QPoint away(int(p.plot.xAxis->coordToPixel(0.5)), p.pixelY(140));
    sendMouse(&p.plot, QEvent::MouseButtonPress, away, Qt::LeftButton);
    QVERIFY(!p.plot.dragging());
    p.moveTo(away.x(), 20);
    QVERIFY(p.log.isEmpty());
    p.release();
    QCOMPARE(p.log, QStringList{QStringLiteral("move 0")});
}

void TestCurvePlot::outOfRangeValuesReportedAsMinusOne()
{
    // A gain outside -50 … 50 is no gain: reported, and kept, as -1.
    Plot p(0, 127, 70, 0);
    p.drag(p.plot.curveHandle, 0);
    QCOMPARE(p.log, dragSignals(127, 0, -1, -50));
    QCOMPARE(p.plot.gain, -1.0);
}

QTEST_MAIN(TestCurvePlot)
#include "tst_curveplot.moc"
