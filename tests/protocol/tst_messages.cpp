// The pedal's byte layouts: every message the tool writes and every reply it reads, checked
// against hand-written bytes.
#include "protocol/messages.h"

#include <QtTest>

using namespace Protocol;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray bytesOf(std::initializer_list<quint8> values)
{
    QByteArray bytes;
    for (quint8 v : values)
        bytes.append(char(v));
    return bytes;
}

template<size_t N> QByteArray bytesOf(const std::array<quint8, N> &values)
{
    QByteArray bytes;
    for (quint8 v : values)
        bytes.append(char(v));
    return bytes;
}

// A read-back reply carrying `fields`: a configuration message whose byte 5 is 04.
QByteArray readBackOf(const ConfigurationFields &fields)
{
    QByteArray reply = configurationMessage(fields);
    reply[4] = char(0x01);
    reply[5] = char(0x04);
    return reply;
}

ConfigurationFields distinctFields()
{
    ConfigurationFields f;
    f.pedalIndex = 0x06;
    f.messageIndex = 0x07;
    f.pedalType = 0x08;
    f.channel = 0x09;
    f.eventCode = 0x0A;
    f.values = {0x0B, 0x0C, 0x0D, 0x0E};
    f.triggerMode = 0x0F;
    f.gain = 0x10;
    f.triggerLevel = 0x11;
    f.pressNote = 0x12;
    f.releaseNote = 0x13;
    f.curve = 0x14;
    f.saturationPercent = 0x15;
    f.triggerLevelHigh = 0x16;
    return f;
}

} // namespace

class TestMessages : public QObject
{
    Q_OBJECT

private slots:
    void requests_data();
    void requests();
    void configurationLayout();
    void valueRules_data();
    void valueRules();
    void tempoRule_data();
    void tempoRule();
    void replies();
    void readBack();
    void liveStatusClasses_data();
    void liveStatusClasses();
};

void TestMessages::requests_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("handshake query") << handshakeQuery() << hex("F000215E0101F7");
    QTest::newRow("slot query pedal 2 message 16") << slotQuery(1, 15) << hex("F000215E0404010FF7");
    QTest::newRow("typed slot query Hi-Hat")
        << typedSlotQuery(3, 0, 2) << hex("F000215E0404030002F7");
    QTest::newRow("delete pedal 3") << deleteRequest(2) << hex("F000215E030502F7");
    QTest::newRow("delete without pedal list sends FF")
        << deleteRequest(-1) << hex("F000215E0305FFF7");
    QTest::newRow("slot query with empty selectors")
        << slotQuery(-1, -1) << hex("F000215E0404FFFFF7");
    QTest::newRow("factory reset") << factoryResetRequest() << hex("F000215E030558F7");
    QTest::newRow("empty configuration") << emptyConfiguration()
                                         << hex("F000215E1003"
                                                "0000000000000000000000000000000000"
                                                "F7");
    QTest::newRow("device-info request")
        << bootloaderRequest(DeviceInfoRequest) << hex("AACC0200010D0A");
    QTest::newRow("erase request") << bootloaderRequest(EraseRequest) << hex("AACC0200020D0A");
    QTest::newRow("version request") << bootloaderRequest(VersionRequest) << hex("AACC0200030D0A");
    QTest::newRow("enter-upgrade-mode request")
        << bootloaderRequest(EnterUpgradeModeRequest) << hex("AACC0200090D0A");
}

void TestMessages::requests()
{
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, expected);
    QCOMPARE(message.toHex(' '), expected.toHex(' '));
}

void TestMessages::configurationLayout()
{
    // Each field carries its own byte position, so a field written to the wrong byte shows.
    const QByteArray message = configurationMessage(distinctFields());
    QCOMPARE(message.size(), kConfigurationLength);
    QCOMPARE(message.toHex(' '),
             hex("F000215E1003060708090A0B0C0D0E0F10111213141516F7").toHex(' '));

    // Positions go out as single bytes: -1 as FF, 300 with its low 8 bits.
    ConfigurationFields f;
    f.channel = positionByte(-1);
    f.triggerLevel = positionByte(300);
    const QByteArray wide = configurationMessage(f);
    QCOMPARE(quint8(wide.at(9)), quint8(0xFF));
    QCOMPARE(quint8(wide.at(17)), quint8(0x2C));
    QCOMPARE(quint8(wide.at(23)), kSysExEnd);
}

void TestMessages::valueRules_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("pitch bend 200..16000")
        << bytesOf(pitchBendBytes(200, 16000, false)) << hex("017D4800");
    QTest::newRow("pitch bend 200..16000 inverted")
        << bytesOf(pitchBendBytes(200, 16000, true)) << hex("7D010048");
    QTest::newRow("pitch bend full range")
        << bytesOf(pitchBendBytes(0, 16383, false)) << hex("007F007F");
    const SplitTriggerLevel level = splitTriggerLevel(300);
    QTest::newRow("trigger level 300") << bytesOf({level.low, level.high}) << hex("2C01");
    const SplitTriggerLevel small = splitTriggerLevel(127);
    QTest::newRow("trigger level 127") << bytesOf({small.low, small.high}) << hex("7F00");

    QTest::newRow("range plain") << bytesOf(rangeBytes(10, 100, false)) << hex("0A64");
    QTest::newRow("range inverted") << bytesOf(rangeBytes(10, 100, true)) << hex("640A");

    // Switch rule, positions: mode 0 Single, 5 LongPress in the Switch mode list.
    QTest::newRow("switch single ignores max and invert")
        << bytesOf(switchValueBytes(0, "Single", true, 12, 90)) << hex("0C00");
    QTest::newRow("switch program change single")
        << bytesOf(switchValueBytes(0, "Single", false, 7, 99)) << hex("0700");
    QTest::newRow("switch long press inverted")
        << bytesOf(switchValueBytes(5, "LongPress", true, 12, 90)) << hex("0C80");
    QTest::newRow("switch long press not inverted")
        << bytesOf(switchValueBytes(5, "LongPress", false, 12, 90)) << hex("0C5A");
    QTest::newRow("switch toggle inverted")
        << bytesOf(switchValueBytes(1, "Toggle", true, 12, 90)) << hex("5A0C");
    QTest::newRow("switch toggle")
        << bytesOf(switchValueBytes(1, "Toggle", false, 12, 90)) << hex("0C5A");
}

void TestMessages::valueRules()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    QCOMPARE(bytes.toHex(' '), expected.toHex(' '));
}

void TestMessages::tempoRule_data()
{
    QTest::addColumn<QString>("tempoPageText");
    QTest::addColumn<QString>("pedalNumber");
    QTest::addColumn<bool>("applies");

    QTest::newRow("tempo on pedal 1") << "Tempo"
                                      << "1" << true;
    QTest::newRow("tempo on pedal 4 exempt") << "Tempo"
                                             << "4" << false;
    QTest::newRow("tempo without pedal list") << "Tempo"
                                              << "" << true;
    QTest::newRow("tempo page shows Start") << "Start"
                                            << "1" << false;
    QTest::newRow("case matters") << "tempo"
                                  << "1" << false;
}

void TestMessages::tempoRule()
{
    QFETCH(QString, tempoPageText);
    QFETCH(QString, pedalNumber);
    QFETCH(bool, applies);
    QCOMPARE(tempoRuleApplies(tempoPageText, pedalNumber), applies);

    ConfigurationFields f = distinctFields();
    applyTempoRule(f);
    const QByteArray message = configurationMessage(f);
    QCOMPARE(message.mid(11, 4).toHex(' '), hex("0B0C01F4").toHex(' '));
}

void TestMessages::replies()
{
    // Status reply: exactly six framed bytes.
    QCOMPARE(statusReplyBits(hex("F000215E0BF7")), std::optional<int>(0x0B));
    QCOMPARE(statusReplyBits(hex("F000215E0103F7")), std::nullopt);
    QCOMPARE(statusReplyBits(hex("F000215F0BF7")), std::nullopt);

    // ZB-8 status: b8 * 65536 + b7 * 256 + b6.
    QCOMPARE(zb8StatusReplyBits(hex("F000215E0406050201F7")), std::optional<int>(0x010205));
    QCOMPARE(zb8StatusReplyBits(hex("F000215E0407050201F7")), std::nullopt);
    QCOMPARE(zb8StatusReplyBits(hex("F000215E040605020100F7")), std::nullopt);

    // Handshake reply: the pedal count is byte 5; the 6-byte form has none.
    QCOMPARE(handshakePedalCount(hex("F000215E0106F7")), std::optional<int>(6));
    QCOMPARE(handshakePedalCount(hex("F000215E010CF7")), std::optional<int>(12));
    QCOMPARE(handshakePedalCount(hex("F000215E06F7")), std::nullopt);

    // Set acknowledgment: byte 7 is the result; in the 8-byte form that byte is the F7.
    QCOMPARE(setAcknowledgmentResult(hex("F000215E01030003F7")), std::optional<int>(TempoLimit));
    QCOMPARE(setAcknowledgmentResult(hex("F000215E01030000F7")), std::optional<int>(SetSucceeded));
    QCOMPARE(setAcknowledgmentResult(hex("F000215E010300F7")), std::optional<int>(0xF7));
    QCOMPARE(setAcknowledgmentResult(hex("F000215E01050003F7")), std::nullopt);

    // Delete acknowledgment.
    QVERIFY(isDeleteAcknowledgment(hex("F000215E010502F7")));
    QVERIFY(!isDeleteAcknowledgment(hex("F000215E010302F7")));
    QVERIFY(!isDeleteAcknowledgment(hex("F100215E010502F7")));

    QVERIFY(isFramed(hex("F000215EF7")));
    QVERIFY(!isFramed(hex("F000215E")));
    QVERIFY(!isFramed(hex("F000215E01")));
}

void TestMessages::readBack()
{
    // A read-back reply carries bytes 6-22 exactly where the configuration message puts them.
    const ConfigurationFields sent = distinctFields();
    const auto fields = readBackFields(readBackOf(sent));
    QVERIFY(fields.has_value());
    QVERIFY(*fields == sent);

    // 23 bytes are accepted; byte 22 is then the F7 and must not read as a trigger level.
    const QByteArray shorter = readBackOf(sent).left(22) + char(kSysExEnd);
    const auto shortFields = readBackFields(shorter);
    QVERIFY(shortFields.has_value());
    QCOMPARE(shortFields->saturationPercent, quint8(0x15));
    QCOMPARE(shortFields->triggerLevelHigh, quint8(0));

    QByteArray wrongCode = readBackOf(sent);
    wrongCode[5] = char(0x03);
    QVERIFY(!readBackFields(wrongCode).has_value());
    QVERIFY(!readBackFields(readBackOf(sent).left(23)).has_value()); // no final F7
    QVERIFY(!readBackFields(readBackOf(sent) + char(kSysExEnd)).has_value());
}

void TestMessages::liveStatusClasses_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("expected");

    const auto row = [](const char *name, int status, LiveStatusClass c) {
        QTest::newRow(name) << status << int(c);
    };
    row("data byte 7F", 0x7F, LiveStatusClass::Invalid);
    row("note off 80", 0x80, LiveStatusClass::ThreeByte);
    row("control change BF", 0xBF, LiveStatusClass::ThreeByte);
    row("program change C0", 0xC0, LiveStatusClass::TwoByte);
    row("channel pressure DF", 0xDF, LiveStatusClass::TwoByte);
    row("pitch bend E0", 0xE0, LiveStatusClass::ThreeByte);
    row("pitch bend EF", 0xEF, LiveStatusClass::ThreeByte);
    row("sysex start F0", 0xF0, LiveStatusClass::Invalid);
    row("sysex end F7", 0xF7, LiveStatusClass::Invalid);
    row("clock F8", 0xF8, LiveStatusClass::Realtime);
    row("undefined F9", 0xF9, LiveStatusClass::Invalid);
    row("start FA", 0xFA, LiveStatusClass::Realtime);
    row("continue FB", 0xFB, LiveStatusClass::Realtime);
    row("stop FC", 0xFC, LiveStatusClass::Realtime);
    row("active sensing FE", 0xFE, LiveStatusClass::Invalid);
}

void TestMessages::liveStatusClasses()
{
    QFETCH(int, status);
    QFETCH(int, expected);
    QCOMPARE(int(classifyLiveStatus(quint8(status))), expected);
    QCOMPARE(isLiveStatus(quint8(status)), expected != int(LiveStatusClass::Invalid));
}

QTEST_APPLESS_MAIN(TestMessages)
#include "tst_messages.moc"
