// The response computation on its own: the figures the pedal's integer steps give for the
// usual ranges, the saturation point, the 14-bit scaling and ranges that are no range.
#include "curve/responsecurve.h"

#include <QTest>

#include <cmath>

using ResponseCurve::Input;
using ResponseCurve::Result;

Q_DECLARE_METATYPE(Input)

namespace {

Input input(double min, double max, double gain, double cgain, bool fourteenBit = false)
{
    Input in;
    in.min = min;
    in.max = max;
    in.gain = gain;
    in.cgain = cgain;
    in.fourteenBit = fourteenBit;
    return in;
}

// First position where the curve reaches `value`; -1 when it never does.
double firstReached(const Result &r, double value)
{
    for (size_t i = 0; i < r.values.size(); ++i) {
        if (r.values[i] >= value)
            return r.keys[i];
    }
    return -1;
}

} // namespace

class TestResponseCurve : public QObject
{
    Q_OBJECT

private slots:
    void figures_data();
    void figures();
    void gainFactor_data();
    void gainFactor();
    void staircaseOfTheFullRange();
    void saturationFlattensTheRest();
    void curvesRunFromLowToHigh_data();
    void curvesRunFromLowToHigh();
    void rangesThatAreNoRange_data();
    void rangesThatAreNoRange();
};

void TestResponseCurve::figures_data()
{
    QTest::addColumn<Input>("in");
    QTest::addColumn<int>("stepLimit");
    QTest::addColumn<int>("q");
    QTest::addColumn<double>("lowAdj");
    QTest::addColumn<double>("highAdj");
    QTest::addColumn<int>("saturationPercent");
    QTest::addColumn<int>("minLabel");
    QTest::addColumn<int>("maxLabel");
    QTest::addColumn<int>("curveLabel");

    QTest::newRow("full range: 7-bit step limit 4054, q 31")
        << input(0, 127, 0, 0) << 4054 << 31 << 0.0 << 127.0 << 100 << 0 << 127 << 0;
    QTest::newRow("gain -50 halves the top to 65")
        << input(0, 127, -50, 0) << 4054 << 31 << 0.0 << 65.0 << 100 << 0 << 65 << 0;
    QTest::newRow("gain 50 curve 10 saturates half way")
        << input(0, 127, 50, 10) << 4054 << 31 << 0.0 << 127.0 << 50 << 0 << 127 << 10;
    QTest::newRow("curve value truncated toward zero")
        << input(0, 127, 0, -12.9) << 4054 << 31 << 0.0 << 127.0 << 100 << 0 << 127 << -12;
    QTest::newRow("part range 10..100 gain 10")
        << input(10, 100, 10, -10) << 4054 << 44 << 10.0 << 100.0 << 81 << 10 << 100 << -10;
    QTest::newRow("14-bit full range: step limit 4095, labels x129")
        << input(0, 16383, 0, 0, true) << 4095 << 31 << 0.0 << 127.0 << 100 << 0 << 16383 << 0;
    QTest::newRow("14-bit part range labels whole 7-bit steps x129")
        << input(63 * 129, 16383, 0, 0, true) << 4095 << 63 << 63.0 << 127.0 << 100 << 8127 << 16383
        << 0;
    QTest::newRow("14-bit range without the flag drawn on the 7-bit scale")
        << input(0, 16383, 0, 0) << 4095 << 31 << 0.0 << 127.0 << 100 << 0 << 127 << 0;
    QTest::newRow("min = max: flat, no step")
        << input(64, 64, 0, 20) << 4054 << 0 << 64.0 << 64.0 << 100 << 64 << 64 << 20;
}

void TestResponseCurve::figures()
{
    QFETCH(Input, in);
    QFETCH(int, stepLimit);
    QFETCH(int, q);
    QFETCH(double, lowAdj);
    QFETCH(double, highAdj);
    QFETCH(int, saturationPercent);
    QFETCH(int, minLabel);
    QFETCH(int, maxLabel);
    QFETCH(int, curveLabel);
    const Result r = ResponseCurve::compute(in);
    QCOMPARE(r.stepLimit, stepLimit);
    QCOMPARE(r.stepQuotient, q);
    QCOMPARE(r.lowAdj, lowAdj);
    QCOMPARE(r.highAdj, highAdj);
    QCOMPARE(r.saturationPercent, saturationPercent);
    QCOMPARE(r.minLabel, minLabel);
    QCOMPARE(r.maxLabel, maxLabel);
    QCOMPARE(r.curveLabel, curveLabel);
    QCOMPARE(int(r.keys.size()), ResponseCurve::kPointCount);
    QCOMPARE(int(r.values.size()), ResponseCurve::kPointCount);
    QCOMPARE(r.keys.front(), 0.0);
    QCOMPARE(r.keys.back(), 1.0);
    // Whatever came in, the range leaves in 7-bit units.
    QVERIFY(r.max <= 127.0);
}

void TestResponseCurve::gainFactor_data()
{
    QTest::addColumn<double>("gain");
    QTest::addColumn<double>("factor");
    QTest::newRow("-50 is half") << -50.0 << 0.5;
    QTest::newRow("-25") << -25.0 << 0.75;
    QTest::newRow("0 is unchanged") << 0.0 << 1.0;
    QTest::newRow("25 uses the steeper upper half") << 25.0 << 1.5;
    QTest::newRow("50 is double") << 50.0 << 2.0;
}

void TestResponseCurve::gainFactor()
{
    QFETCH(double, gain);
    QFETCH(double, factor);
    QCOMPARE(ResponseCurve::gainFactor(gain), factor);
}

void TestResponseCurve::staircaseOfTheFullRange()
{
    const Result r = ResponseCurve::compute(input(0, 127, 0, 0));
    // One value per 31 units of travel: 127 at 3937 of 4095, x ≈ 0.96, and it stays there.
    const double top = firstReached(r, 127);
    QVERIFY2(top > 0.955 && top < 0.965, qPrintable(QString::number(top)));
    for (size_t i = 1; i < r.values.size(); ++i) {
        const double step = r.values[i] - r.values[i - 1];
        QVERIFY2(step == 0 || step == 1, qPrintable(QString::number(i)));
        QCOMPARE(r.values[i], std::floor(r.values[i])); // whole values: a staircase
    }
    QCOMPARE(r.values.front(), 0.0);
    QCOMPARE(r.values.back(), 127.0);

    // Gain -50: the MAX reads 65 while the range still says 127.
    const Result half = ResponseCurve::compute(input(0, 127, -50, 0));
    QCOMPARE(half.max, 127.0);
    QCOMPARE(half.maxLabel, 65);
    // The staircase itself runs on the full 4095 scale, so it ends a step above the label.
    QVERIFY(half.values.back() >= 65.0 && half.values.back() <= 66.0);
}

void TestResponseCurve::saturationFlattensTheRest()
{
    const Result r = ResponseCurve::compute(input(0, 127, 50, 10));
    QVERIFY(std::abs(r.saturationX - 0.5) < 0.005);
    QCOMPARE(r.saturationX, 250.0 / 499.0); // the first point at or past half way
    for (size_t i = 0; i < r.keys.size(); ++i) {
        if (r.keys[i] > r.saturationX)
            QCOMPARE(r.values[i], r.highAdj);
    }
    QVERIFY(r.values[100] < r.highAdj);

    // A minimum that already saturates: the range is used up at x = 0. The first point is a
    // 0/0 of the shape and must come out as the low end, not as a NaN.
    const Result atOnce = ResponseCurve::compute(input(100, 127, 50, 10));
    QCOMPARE(atOnce.saturationX, 0.0);
    QCOMPARE(atOnce.saturationPercent, 0);
    QCOMPARE(atOnce.values.front(), atOnce.lowAdj);
    for (size_t i = 1; i < atOnce.values.size(); ++i)
        QCOMPARE(atOnce.values[i], atOnce.highAdj);
}

void TestResponseCurve::curvesRunFromLowToHigh_data()
{
    QTest::addColumn<double>("cgain");
    QTest::addColumn<bool>("aboveLine"); // at a quarter of the travel
    QTest::newRow("curve 50 rises fast") << 50.0 << true;
    QTest::newRow("curve 1 rises fast") << 1.0 << true;
    QTest::newRow("curve -1 starts slowly") << -1.0 << false;
    QTest::newRow("curve -50 starts slowly") << -50.0 << false;
}

void TestResponseCurve::curvesRunFromLowToHigh()
{
    QFETCH(double, cgain);
    QFETCH(bool, aboveLine);
    const Result r = ResponseCurve::compute(input(20, 100, 0, cgain));
    QCOMPARE(r.values.front(), r.lowAdj);
    QCOMPARE(r.values.back(), r.highAdj);
    for (size_t i = 0; i < r.values.size(); ++i) {
        QVERIFY(std::isfinite(r.values[i]));
        QVERIFY(r.values[i] >= r.lowAdj - 1e-9 && r.values[i] <= r.highAdj);
        if (i > 0)
            QVERIFY(r.values[i] >= r.values[i - 1] - 1e-9);
    }
    const size_t quarter = r.values.size() / 4;
    const double line = r.lowAdj + (r.highAdj - r.lowAdj) * r.keys[quarter];
    QCOMPARE(r.values[quarter] > line, aboveLine);
}

void TestResponseCurve::rangesThatAreNoRange_data()
{
    QTest::addColumn<Input>("in");
    QTest::addColumn<double>("flatAt");
    // Regression rows: maxI - minI + 1 is 0 for a minimum one above the maximum, a division
    // by zero in the step size.
    QTest::newRow("min one above max, staircase") << input(100, 99, 0, 0) << 99.0;
    QTest::newRow("min one above max, curve") << input(100, 99, 20, 30) << 99.0;
    QTest::newRow("min far above max") << input(100, 50, 0, -20) << 50.0;
    QTest::newRow("min above max, 14-bit") << input(12900, 129, 0, 10, true) << 1.0;
    QTest::newRow("min = max = 0") << input(0, 0, 50, 0) << 0.0;
    QTest::newRow("min = max = 127, gain -50") << input(127, 127, -50, -30) << 127.0;
}

void TestResponseCurve::rangesThatAreNoRange()
{
    QFETCH(Input, in);
    QFETCH(double, flatAt);
    const Result r = ResponseCurve::compute(in);
    for (double v : r.values)
        QCOMPARE(v, flatAt);
    QCOMPARE(r.highAdj, flatAt);
    QCOMPARE(r.saturationPercent, 100);
}

QTEST_APPLESS_MAIN(TestResponseCurve)
#include "tst_responsecurve.moc"
