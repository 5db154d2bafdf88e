// Live frames as the monitor reads them: the four cells of a row, the message-number
// filter, the routing to the pedal pictures, the trigger-level rule and the bounded queue.
#include "monitor/liveframe.h"

#include <QTest>

using namespace Monitor;

Q_DECLARE_METATYPE(Monitor::MonitorRow)
Q_DECLARE_METATYPE(Monitor::Picture)

namespace {
QByteArray bytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

MonitorRow row(const QString &event, const QString &no, const QString &value,
               const QString &channel)
{
    return MonitorRow{event, no, value, channel};
}

DecodedFrame decoded(const char *hex, int naming = 1, bool names = true)
{
    return decodeLiveFrame(bytes(hex), naming, names);
}
} // namespace

class TestLiveFrame : public QObject
{
    Q_OBJECT

private slots:
    void decodesRows_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("naming");
        QTest::addColumn<bool>("showCCName");
        QTest::addColumn<MonitorRow>("expected");
        QTest::addColumn<int>("messageNumber");

        QTest::newRow("note on named under C4")
            << bytes("00903C64") << 1 << true << row("Note On", "60/C4", "100", "1") << 0;
        QTest::newRow("note name follows the naming")
            << bytes("00903C64") << 2 << true << row("Note On", "60/C3", "100", "1") << 0;
        QTest::newRow("note on velocity 0 stays a note on")
            << bytes("00903C00") << 1 << true << row("Note On", "60/C4", "0", "1") << 0;
        QTest::newRow("note off") << bytes("208F4000") << 3 << true
                                  << row("Note Off", "64/E5", "0", "16") << 2;
        QTest::newRow("cc with names, message 2")
            << bytes("10B1077F") << 1 << true << row("CC", "7/Volume", "127", "2") << 1;
        QTest::newRow("cc without names")
            << bytes("10B1077F") << 1 << false << row("CC", "7", "127", "2") << 1;
        QTest::newRow("cc unnamed controller")
            << bytes("00B03240") << 1 << true << row("CC", "50/***", "64", "1") << 0;
        QTest::newRow("program change")
            << bytes("F0C505") << 1 << true << row("PC", "5", "--", "6") << 15;
        QTest::newRow("channel pressure")
            << bytes("00D22A00") << 1 << true << row("CH", "--", "42", "3") << 0;
        QTest::newRow("pitch bend full scale")
            << bytes("00E07F7F") << 1 << true << row("Pitch Bend", "--", "16383", "1") << 0;
        QTest::newRow("pitch bend low byte first")
            << bytes("00E00140") << 1 << true << row("Pitch Bend", "--", "8193", "1") << 0;
        QTest::newRow("tempo") << bytes("00F80000") << 1 << true << row("Tempo", "--", "--", "--")
                               << 0;
        QTest::newRow("start") << bytes("30FA0000") << 1 << true << row("Start", "--", "--", "--")
                               << 3;
        QTest::newRow("continue") << bytes("00FB") << 1 << true << row("Continue", "--", "--", "--")
                                  << 0;
        QTest::newRow("stop") << bytes("00FC0000") << 1 << true << row("Stop", "--", "--", "--")
                              << 0;
        QTest::newRow("unknown status")
            << bytes("00F00102") << 1 << true << row("Unknown", "--", "--", "1") << 0;
        QTest::newRow("data byte below 0x80 is unknown")
            << bytes("00400102") << 1 << true << row("Unknown", "--", "--", "1") << 0;
        QTest::newRow("short frame reads missing bytes as 0")
            << bytes("00B0") << 1 << false << row("CC", "0", "0", "1") << 0;
        QTest::newRow("one-byte frame")
            << bytes("50") << 1 << true << row("Unknown", "--", "--", "1") << 5;
    }
    void decodesRows()
    {
        QFETCH(QByteArray, frame);
        QFETCH(int, naming);
        QFETCH(bool, showCCName);
        QFETCH(MonitorRow, expected);
        QFETCH(int, messageNumber);

        const DecodedFrame d = decodeLiveFrame(frame, naming, showCCName);
        QVERIFY(!d.empty);
        QCOMPARE(d.row.event, expected.event);
        QCOMPARE(d.row.no, expected.no);
        QCOMPARE(d.row.value, expected.value);
        QCOMPARE(d.row.channel, expected.channel);
        QCOMPARE(d.messageNumber, messageNumber);
    }

    void transportTapsNeedWholeFrames()
    {
        QVERIFY(decodeLiveFrame(QByteArray(), 1, true).empty);
        QVERIFY(decoded("00FA0000").transportTap);
        QVERIFY(decoded("00FB0000").transportTap);
        QVERIFY(decoded("00FC0000").transportTap);
        QVERIFY2(!decoded("00F80000").transportTap, "the clock never taps the switch");
        QVERIFY2(!decoded("00FA00").transportTap, "a short Start is listed only");
        QVERIFY(decoded("00F80000").realTime);
        QVERIFY(!decoded("00B00000").realTime);
    }

    void cellNumbers()
    {
        QCOMPARE(cellNumber("127"), 127);
        QCOMPARE(cellNumber("16383"), 16383);
        QCOMPARE(cellNumber("--"), 0);
        QCOMPARE(cellNumber("60/C4"), 0);
        QCOMPARE(cellNumber(""), 0);
    }

    void routes_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("pedalType");
        QTest::addColumn<int>("messageIndex");
        QTest::addColumn<bool>("filterOnly");
        QTest::addColumn<int>("eventIndex"); // of the page's own event selector
        QTest::addColumn<bool>("listed");
        QTest::addColumn<Monitor::Picture>("picture");
        QTest::addColumn<QString>("value");

        // Expression
        QTest::newRow("expression: selected message moves the picture")
            << bytes("00B00B40") << 0 << 0 << false << 0 << true << Picture::Expression << "64";
        QTest::newRow("expression: other message listed only")
            << bytes("10B00B40") << 0 << 0 << false << 0 << true << Picture::None << "";
        QTest::newRow("expression: filter drops other message")
            << bytes("10B00B40") << 0 << 0 << true << 0 << false << Picture::None << "";
        QTest::newRow("expression: filter keeps selected message")
            << bytes("20B00B40") << 0 << 2 << true << 0 << true << Picture::Expression << "64";
        QTest::newRow("expression: note on CC page moves while the trigger is off")
            << bytes("00903C64") << 0 << 0 << false << 0 << true << Picture::Expression << "100";
        // Switch
        QTest::newRow("switch: value cell, whatever the message number")
            << bytes("50B0407F") << 1 << 0 << false << 0 << true << Picture::Switch << "127";
        QTest::newRow("switch: program change takes the No. cell")
            << bytes("00C00900") << 1 << 0 << false << 1 << true << Picture::Switch << "9";
        QTest::newRow("switch: filter drops other message")
            << bytes("50B0407F") << 1 << 2 << true << 0 << false << Picture::None << "";
        // Hi-Hat
        QTest::newRow("hihat: cc moves the picture")
            << bytes("00B00440") << 2 << 0 << false << 0 << true << Picture::HiHat << "64";
        QTest::newRow("hihat: note on CC page does not move")
            << bytes("00903C64") << 2 << 0 << false << 0 << true << Picture::None << "";
        QTest::newRow("hihat: note off on CC page does not move")
            << bytes("00803C00") << 2 << 0 << false << 0 << true << Picture::None << "";
        QTest::newRow("hihat: note on NOTE page moves")
            << bytes("00903C64") << 2 << 0 << false << 1 << true << Picture::HiHat << "100";
        QTest::newRow("hihat: other message listed only")
            << bytes("30B00440") << 2 << 0 << false << 0 << true << Picture::None << "";
        QTest::newRow("hihat: unknown status routes its -- cell")
            << bytes("00400000") << 2 << 0 << false << 0 << true << Picture::HiHat << "--";
        // Real-time
        QTest::newRow("start of the selected message taps the switch on any page")
            << bytes("00FA0000") << 0 << 0 << false << 0 << true << Picture::Switch << "--";
        QTest::newRow("stop on the hihat page taps the switch")
            << bytes("10FC0000") << 2 << 1 << false << 0 << true << Picture::Switch << "--";
        QTest::newRow("start of another message listed only")
            << bytes("10FA0000") << 0 << 0 << false << 0 << true << Picture::None << "";
        QTest::newRow("tempo never animates, even on the switch page")
            << bytes("00F80000") << 1 << 0 << false << 0 << true << Picture::None << "";
        QTest::newRow("short start listed only")
            << bytes("00FA") << 1 << 0 << false << 0 << true << Picture::None << "";
        QTest::newRow("filter applies to real-time frames")
            << bytes("10FA0000") << 1 << 0 << true << 0 << false << Picture::None << "";
    }
    void routes()
    {
        QFETCH(QByteArray, frame);
        QFETCH(int, pedalType);
        QFETCH(int, messageIndex);
        QFETCH(bool, filterOnly);
        QFETCH(int, eventIndex);
        QFETCH(bool, listed);
        QFETCH(Monitor::Picture, picture);
        QFETCH(QString, value);

        PageState page;
        page.pedalType = pedalType;
        page.messageIndex = messageIndex;
        page.filterOnly = filterOnly;
        page.expressionEvent = pedalType == 0 ? eventIndex : 0;
        page.switchEvent = pedalType == 1 ? eventIndex : 0;
        page.hatEvent = pedalType == 2 ? eventIndex : 0;
        int ignore = 0;
        const LiveFrameOutcome outcome =
            routeLiveFrame(decodeLiveFrame(frame, 1, true), page, ignore);
        QCOMPARE(outcome.listed, listed);
        QCOMPARE(outcome.picture, picture);
        if (picture != Picture::None)
            QCOMPARE(outcome.pictureValue, value);
        QCOMPARE(ignore, 0);
    }

    void emptyFrameGoesNowhere()
    {
        int ignore = 1;
        const LiveFrameOutcome outcome = routeLiveFrame(decodeLiveFrame({}, 1, true), {}, ignore);
        QVERIFY(!outcome.listed);
        QCOMPARE(outcome.picture, Picture::None);
        QCOMPARE(ignore, 1);
    }

    void triggerLevelSequence()
    {
        PageState note;
        note.pedalType = 0;
        note.expressionEvent = 1;
        note.triggerOff = false;
        note.triggerLevel = 100;
        int ignore = 0;
        const auto route = [&](const char *hex) {
            return routeLiveFrame(decoded(hex), note, ignore);
        };

        LiveFrameOutcome o = route("00903C64"); // velocity 100 = the level
        QVERIFY2(!o.listed, "the trigger message is not listed");
        QCOMPARE(o.picture, Picture::Expression);
        QCOMPARE(ignore, 2);
        for (int i = 0; i < 2; ++i) {
            o = route("00903C64");
            QVERIFY(o.listed);
            QCOMPARE(o.picture, Picture::None);
        }
        QCOMPARE(ignore, 0);
        o = route("00903C50");
        QVERIFY(o.listed);
        QCOMPARE(o.picture, Picture::Expression);
        QCOMPARE(o.pictureValue, QString("80"));

        // A count left over is spent on the next Note-page messages whatever their message
        // number, and is not touched by other pages.
        ignore = 1;
        PageState hat;
        hat.pedalType = 2;
        QCOMPARE(routeLiveFrame(decoded("00B00440"), hat, ignore).picture, Picture::HiHat);
        QCOMPARE(ignore, 1);
        o = route("70903C10");
        QVERIFY(o.listed);
        QCOMPARE(ignore, 0);

        // A matching value of another message number still arms the count but moves nothing.
        o = route("40903C64");
        QVERIFY(!o.listed);
        QCOMPARE(o.picture, Picture::None);
        QCOMPARE(ignore, 2);
    }

    void triggerLevelOnOtherExpressionEvents()
    {
        PageState cc;
        cc.pedalType = 0;
        cc.expressionEvent = 0;
        cc.triggerOff = false;
        cc.triggerLevel = 100;
        int ignore = 2;
        LiveFrameOutcome o = routeLiveFrame(decoded("00903C64"), cc, ignore);
        QVERIFY2(o.listed && o.picture == Picture::None, "a Note while editing CC only lists");
        o = routeLiveFrame(decoded("00B00B64"), cc, ignore);
        QCOMPARE(o.picture, Picture::Expression);
        QCOMPARE(ignore, 2);

        cc.triggerOff = true;
        o = routeLiveFrame(decoded("00903C64"), cc, ignore);
        QCOMPARE(o.picture, Picture::Expression);
    }

    void boundedQueueDropsOldest()
    {
        QList<QByteArray> queue;
        for (int i = 0; i < kLiveQueueCapacity; ++i)
            QVERIFY(!enqueueBounded(queue, QByteArray(1, char(i))));
        QCOMPARE(queue.size(), kLiveQueueCapacity);
        QVERIFY(enqueueBounded(queue, QByteArray("new")));
        QCOMPARE(queue.size(), kLiveQueueCapacity);
        QCOMPARE(queue.first(), QByteArray(1, char(1)));
        QCOMPARE(queue.last(), QByteArray("new"));
    }
};

QTEST_APPLESS_MAIN(TestLiveFrame)
#include "tst_liveframe.moc"
