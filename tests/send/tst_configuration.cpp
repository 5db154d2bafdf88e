// The pure rules of writing and reading back a slot: configuration bytes from selector
// positions, positions from a read-back, the Check query by model, the result texts.
#include "editor/configuration.h"

#include <QTest>

namespace {

const QStringList kEventNames = {"Continuous Controllers (CC)",
                                 "Program Change (PC)",
                                 "NOTE",
                                 "Pitch Bend",
                                 "Channel Pressure",
                                 "Start",
                                 "Continue",
                                 "Stop",
                                 "Tempo"};

QMap<QString, int> eventCodes()
{
    QMap<QString, int> codes;
    for (int i = 0; i < kEventNames.size(); ++i)
        codes.insert(kEventNames.at(i), i);
    return codes;
}

RangePageState defaultRange(int max = 127)
{
    RangePageState p;
    p.channel = 0;
    p.number = 0;
    p.min = 0;
    p.max = max;
    p.gain = 50;
    p.curve = 50;
    return p;
}

// The editor as it looks after start-up with pedal 1 and message 1 chosen.
EditorState startState()
{
    EditorState s;
    s.pedalIndex = 0;
    s.messageIndex = 0;
    s.pedalNumberText = "1";
    s.pedalTypePage = 0;
    s.pedalTypeText = "Expression";
    s.expressionEventText = kEventNames[0];
    s.expressionPage = ExpressionCcPage;
    for (auto &p : s.expressionPages)
        p = defaultRange();
    s.expressionPages[ExpressionPitchPage] = defaultRange(16383);
    s.expressionTriggerLevel = s.expressionPressNote = s.expressionReleaseNote = 0;
    s.switchEventText = kEventNames[0];
    s.switchPage = SwitchCcPage;
    for (auto &p : s.switchPages) {
        p.mode = 0;
        p.modeText = "Single";
    }
    for (int page : {SwitchCcPage, SwitchNotePage, SwitchProgramPage}) {
        s.switchPages[size_t(page)].channel = 0;
        s.switchPages[size_t(page)].number = 0;
        s.switchPages[size_t(page)].min = 0;
        s.switchPages[size_t(page)].max = 127;
    }
    s.tempoPageEventText = kEventNames[0];
    s.hatEventText = kEventNames[0];
    s.hatPage = HatCcPage;
    for (auto &p : s.hatPages)
        p = defaultRange();
    s.hatTriggerLevel = s.hatPressNote = s.hatReleaseNote = 0;
    return s;
}

void showPedalType(EditorState &s, int page)
{
    static const QStringList names = {"Expression", "Switch", "Hi-Hat"};
    s.pedalTypePage = page;
    s.pedalTypeText = names.at(page);
}

void showSwitchEvent(EditorState &s, SwitchPage page, const QString &text, int mode,
                     const QString &modeText)
{
    showPedalType(s, 1);
    s.switchPage = page;
    s.switchEventText = text;
    s.tempoPageEventText = text;
    s.switchPages[size_t(page)].mode = mode;
    s.switchPages[size_t(page)].modeText = modeText;
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

Protocol::ConfigurationFields fieldsWith(int type, int code, std::array<quint8, 4> values,
                                         int mode = 0)
{
    Protocol::ConfigurationFields f;
    f.pedalType = quint8(type);
    f.eventCode = quint8(code);
    f.values = values;
    f.triggerMode = quint8(mode);
    return f;
}

} // namespace

Q_DECLARE_METATYPE(EditorState)
Q_DECLARE_METATYPE(RangeReadBack)
Q_DECLARE_METATYPE(Protocol::ConfigurationFields)

class TestConfiguration : public QObject
{
    Q_OBJECT

private slots:
    // Rules the window cannot reach with consistent selectors, and the edge cases of the
    // byte layout; every event is also sent end to end in tst_sending.
    void eventBytes_data()
    {
        QTest::addColumn<EditorState>("state");
        QTest::addColumn<int>("first");
        QTest::addColumn<QByteArray>("expected");

        EditorState s = startState();
        s.expressionEventText = "Pitch Bend";
        s.expressionTriggerLevel = 300;
        showPedalType(s, 1);
        QTest::newRow("pitch bend level rule holds whatever the pedal type")
            << s << 17 << hex("2C0000006401");

        s = startState();
        showSwitchEvent(s, SwitchCcPage, "Continuous Controllers (CC)", 1, "Toggle");
        s.switchPages[SwitchCcPage].min = 20;
        s.switchInverted = true;
        QTest::newRow("switch toggle inverted sends max then min") << s << 13 << hex("7F14");

        s = startState();
        showSwitchEvent(s, SwitchProgramPage, "Program Change (PC)", 0, "Single");
        s.switchPages[SwitchProgramPage].min = 33;
        s.switchInverted = true;
        QTest::newRow("program change single: min, then zeros") << s << 11 << hex("21000000");

        s = startState();
        showSwitchEvent(s, SwitchStopPage, "Stop", 1, "Toggle");
        s.switchPages[SwitchCcPage].channel = 4; // other pages do not leak into the message
        s.expressionTriggerLevel = 9;
        QTest::newRow("switch stop: zeros but its mode and the curve percentage")
            << s << 8 << hex("020007000000000100000000006400");

        s = startState();
        s.tempoPageEventText = "Tempo";
        QTest::newRow("tempo rule overrides an expression message") << s << 13 << hex("01F4");
        s.pedalNumberText = "4";
        QTest::newRow("tempo rule skips pedal 4") << s << 13 << hex("007F");

        s = startState();
        s.pedalIndex = -1;
        s.pedalNumberText.clear();
        s.expressionPages[ExpressionCcPage].channel = -1;
        QTest::newRow("selector without entry goes out as FF") << s << 6 << hex("FF0001FF");

        s = startState();
        s.expressionEventText.clear();
        QTest::newRow("unknown event text goes out as FF") << s << 10 << hex("FF");

        s = startState();
        showSwitchEvent(s, SwitchCcPage, "Continuous Controllers (CC)", 1, "Toggle");
        s.pedalTypePage = 0; // copies disagree: values follow the named type
        s.switchPages[SwitchCcPage].number = 2;
        QTest::newRow("page gives the type, the named type the values")
            << s << 8 << hex("0100000200007F");
    }

    void eventBytes()
    {
        QFETCH(EditorState, state);
        QFETCH(int, first);
        QFETCH(QByteArray, expected);
        const QByteArray bytes = buildConfiguration(state, eventCodes());
        QCOMPARE(bytes.size(), 24);
        QCOMPARE(bytes.mid(first, expected.size()).toHex(' '), expected.toHex(' '));
    }

    void readBackRanges_data()
    {
        QTest::addColumn<Protocol::ConfigurationFields>("fields");
        QTest::addColumn<int>("event"); // position (Expression) or index (Switch); -1 Hi-Hat
        QTest::addColumn<RangeReadBack>("expected");
        using std::nullopt;

        QTest::newRow("expression cc with d13 = 0: min 0, max d14, not inverted")
            << fieldsWith(1, 0, {7, 0, 0, 90}) << 0 << RangeReadBack{0, 90, false};
        QTest::newRow("pitch bend 100..130 not inverted")
            << fieldsWith(1, 3, {0, 1, 100, 2}) << 2 << RangeReadBack{100, 130, false};
        QTest::newRow("expression event outside the list sets nothing")
            << fieldsWith(1, 0, {1, 2, 3, 4}) << 4 << RangeReadBack{};

        QTest::newRow("switch cc single: min only, invert box untouched")
            << fieldsWith(2, 0, {64, 0, 20, 0}, 0) << 1 << RangeReadBack{20, nullopt, nullopt};
        QTest::newRow("switch cc long press with 80: min only, inverted")
            << fieldsWith(2, 0, {64, 0, 20, 0x80}, 5) << 1 << RangeReadBack{20, nullopt, true};
        QTest::newRow("switch cc long press without 80 is a plain range")
            << fieldsWith(2, 0, {64, 0, 20, 30}, 5) << 1 << RangeReadBack{20, 30, false};
        QTest::newRow("switch stop has no range")
            << fieldsWith(2, 7, {0, 0, 0, 0}, 1) << 4 << RangeReadBack{};

        QTest::newRow("hi-hat inverted")
            << fieldsWith(3, 0, {11, 0, 110, 20}) << -1 << RangeReadBack{20, 110, true};
        QTest::newRow("hi-hat d13 = 0 is never inverted")
            << fieldsWith(3, 0, {11, 0, 0, 20}) << -1 << RangeReadBack{0, 20, false};
    }

    void readBackRanges()
    {
        QFETCH(Protocol::ConfigurationFields, fields);
        QFETCH(int, event);
        QFETCH(RangeReadBack, expected);
        RangeReadBack got;
        if (fields.pedalType == 1)
            got = expressionRangeReadBack(fields, event);
        else if (fields.pedalType == 2)
            got = switchRangeReadBack(fields, event);
        else
            got = hatRangeReadBack(fields);
        QCOMPARE(got.min, expected.min);
        QCOMPARE(got.max, expected.max);
        QCOMPARE(got.inverted, expected.inverted);
    }

    void writeOrder_data()
    {
        QTest::addColumn<int>("currentMax");
        QTest::addColumn<int>("newMin");
        QTest::addColumn<int>("expected");
        QTest::newRow("new min below the shown max: min first") << 127 << 10 << 0;
        QTest::newRow("new min equal to the shown max: min first") << 50 << 50 << 0;
        QTest::newRow("new min above the shown max: max first") << 50 << 60 << 1;
        QTest::newRow("max without entry: max first") << -1 << 0 << 1;
    }

    void writeOrder()
    {
        QFETCH(int, currentMax);
        QFETCH(int, newMin);
        QFETCH(int, expected);
        QCOMPARE(int(rangeWriteOrder(currentMax, newMin)), expected);
    }

    void checkQueryByModel_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("zb8");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("pedal");
        QTest::addColumn<bool>("typed");

        const QString zb8 = "Volarix ZB-8 USB MIDI Pedal";
        QTest::newRow("zb-8 status 5, pedal 2 not connected: typed") << zb8 << 5 << -1 << 1 << true;
        QTest::newRow("zb-8 status 5, pedal 3 connected: plain") << zb8 << 5 << -1 << 2 << false;
        QTest::newRow("zb-8 pedal 7 has no status: plain") << zb8 << 5 << -1 << 6 << false;
        QTest::newRow("zb-8 before any status: plain") << zb8 << -1 << 0 << 1 << false;
        QTest::newRow("zb-8 matched ignoring case") << "volarix zb-8" << 0 << -1 << 0 << true;
        QTest::newRow("zb-8 without a pedal selected: plain") << zb8 << 0 << -1 << -1 << false;

        const QString trv40 = "Volarix TRV-40";
        QTest::newRow("trv-40 bits 3, pedal 1: plain") << trv40 << -1 << 3 << 0 << false;
        QTest::newRow("trv-40 bits 3, pedal 2: plain") << trv40 << -1 << 3 << 1 << false;
        QTest::newRow("trv-40 bits 2, pedal 2: typed") << trv40 << -1 << 2 << 1 << true;
        QTest::newRow("trv-40 bits 2, pedal 1: plain") << trv40 << -1 << 2 << 0 << false;
        QTest::newRow("trv-40 bits 0: typed") << trv40 << -1 << 0 << 0 << true;
        QTest::newRow("trv-40 before any status counts as not 0")
            << trv40 << -1 << -1 << 0 << false;
        QTest::newRow("trv-40 digits anywhere") << "Pedal 40" << -1 << 0 << 0 << true;

        const QString trv50 = "Volarix TRV-50";
        for (int p = 0; p < 4; ++p) {
            QTest::addRow("trv-50 bits 15, pedal %d: plain", p + 1)
                << trv50 << -1 << 15 << p << false;
            QTest::addRow("trv-50 bits 4, pedal %d", p + 1) << trv50 << -1 << 4 << p << (p == 2);
        }
        QTest::newRow("trv-50 bits 0: typed") << trv50 << -1 << 0 << 1 << true;
        QTest::newRow("trv-50 pedal 5 has no bit: plain") << trv50 << -1 << 16 << 4 << false;
        QTest::newRow("trv-50 before any status: plain") << trv50 << -1 << -1 << 0 << false;

        QTest::newRow("other model: plain") << "Volarix ZB-4" << 0 << 0 << 0 << false;
    }

    void checkQueryByModel()
    {
        QFETCH(QString, device);
        QFETCH(int, zb8);
        QFETCH(int, bits);
        QFETCH(int, pedal);
        QFETCH(bool, typed);
        const QByteArray query = checkQuery(device, zb8, bits, pedal, 3, 2);
        if (typed) {
            QCOMPARE(query, QByteArray("\xF0\x00\x21\x5E\x04\x04", 6) + QByteArray(1, char(pedal)) +
                                hex("0302F7"));
        } else {
            QCOMPARE(query, QByteArray("\xF0\x00\x21\x5E\x04\x04", 6) + QByteArray(1, char(pedal)) +
                                hex("03F7"));
        }
    }
};

QTEST_APPLESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
