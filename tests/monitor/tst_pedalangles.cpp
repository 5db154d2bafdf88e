// The angle rules of the three pedal pictures, at the ends of the range, in between,
// outside it, and for a range that is a single point.
#include "monitor/pedalangles.h"

#include <QTest>

using namespace Monitor;

namespace {
constexpr float kTolerance = 0.01f;
}

class TestPedalAngles : public QObject
{
    Q_OBJECT

private slots:
    void expression_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::addColumn<float>("angle");

        QTest::newRow("lower end is up") << 0 << 0 << 127 << 15.0f;
        QTest::newRow("upper end is down") << 127 << 0 << 127 << 0.0f;
        QTest::newRow("middle") << 64 << 0 << 127 << 7.44f;
        QTest::newRow("above the range clamps to 0") << 127 << 20 << 100 << 0.0f;
        QTest::newRow("below the range clamps to 15") << 5 << 20 << 100 << 15.0f;
        QTest::newRow("pitch bend range") << 8192 << 0 << 16383 << 7.4995f;
        QTest::newRow("narrow range") << 11 << 10 << 12 << 7.5f;
    }
    void expression()
    {
        QFETCH(int, value);
        QFETCH(int, lower);
        QFETCH(int, upper);
        QFETCH(float, angle);
        const auto result = expressionAngle(value, {lower, upper});
        QVERIFY(result.has_value());
        QVERIFY2(qAbs(*result - angle) < kTolerance, qPrintable(QString::number(*result)));
    }

    void hiHat_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::addColumn<float>("angle");

        QTest::newRow("value 0 rests at 3, not 0") << 0 << 0 << 127 << 3.0f;
        QTest::newRow("value 0 rests even with a raised minimum") << 0 << 20 << 100 << 3.0f;
        QTest::newRow("value 1") << 1 << 0 << 127 << -0.0394f;
        QTest::newRow("middle") << 64 << 0 << 127 << -2.52f;
        QTest::newRow("upper end") << 127 << 0 << 127 << -5.0f;
        QTest::newRow("lower end of a raised range") << 20 << 20 << 100 << 0.0f;
        QTest::newRow("above the range is not clamped") << 127 << 0 << 100 << -6.35f;
        QTest::newRow("below the range is not clamped") << 10 << 20 << 100 << 0.625f;
    }
    void hiHat()
    {
        QFETCH(int, value);
        QFETCH(int, lower);
        QFETCH(int, upper);
        QFETCH(float, angle);
        const auto result = hiHatAngle(value, {lower, upper});
        QVERIFY(result.has_value());
        QVERIFY2(qAbs(*result - angle) < kTolerance, qPrintable(QString::number(*result)));
    }

    void singlePointRangeLeavesPicturesStill()
    {
        QVERIFY(!expressionAngle(64, {64, 64}).has_value());
        QVERIFY(!expressionAngle(0, {0, 0}).has_value());
        QVERIFY(!hiHatAngle(0, {5, 5}).has_value());
        QVERIFY(!hiHatAngle(127, {127, 127}).has_value());
    }

    void rangesAreOrdered()
    {
        const ValueRange reversed = orderedRange(100, 20);
        QCOMPARE(reversed.lower, 20);
        QCOMPARE(reversed.upper, 100);
        QCOMPARE(orderedRange(3, 9).lower, 3);
        QCOMPARE(orderedRange(3, 9).upper, 9);
    }

    void switchReset_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("lo"); // -1: none
        QTest::addColumn<int>("hi");
        QTest::addColumn<float>("angle");

        QTest::newRow("no range goes down") << 64 << -1 << 0 << 8.0f;
        QTest::newRow("at hi goes down") << 127 << 0 << 127 << 8.0f;
        QTest::newRow("at lo goes up") << 0 << 0 << 127 << 0.0f;
        QTest::newRow("between") << 32 << 0 << 128 << 2.0f;
        QTest::newRow("reversed range, at lo goes down") << 100 << 100 << 20 << 8.0f;
        QTest::newRow("reversed range, at hi goes up") << 20 << 100 << 20 << 0.0f;
        QTest::newRow("reversed range, between") << 60 << 100 << 20 << 4.0f;
        QTest::newRow("lo equal to hi, no division by zero") << 50 << 50 << 50 << 0.0f;
    }
    void switchReset()
    {
        QFETCH(int, value);
        QFETCH(int, lo);
        QFETCH(int, hi);
        QFETCH(float, angle);
        const std::optional<int> low = lo < 0 ? std::nullopt : std::optional<int>(lo);
        const float result = switchResetAngle(value, low, hi);
        QVERIFY2(qAbs(result - angle) < kTolerance, qPrintable(QString::number(result)));
    }
};

QTEST_APPLESS_MAIN(TestPedalAngles)
#include "tst_pedalangles.moc"
