// Builders and recognisers of the pedal's SysEx-style messages; pure byte work, no port.
#include "messages.h"

#include <initializer_list>

namespace Protocol {

namespace {

QByteArray headerThen(std::initializer_list<int> body)
{
    QByteArray bytes(kHeader, kHeaderLength);
    bytes.reserve(kHeaderLength + int(body.size()));
    for (int value : body)
        bytes.append(char(positionByte(value)));
    return bytes;
}

quint8 at(const QByteArray &bytes, int index)
{
    return quint8(bytes.at(index));
}

} // namespace

QByteArray handshakeQuery()
{
    return headerThen({0x01, 0x01, kSysExEnd});
}

QByteArray slotQuery(int pedalIndex, int messageIndex)
{
    return headerThen({0x04, 0x04, pedalIndex, messageIndex, kSysExEnd});
}

QByteArray typedSlotQuery(int pedalIndex, int messageIndex, int pedalTypePosition)
{
    return headerThen({0x04, 0x04, pedalIndex, messageIndex, pedalTypePosition, kSysExEnd});
}

QByteArray deleteRequest(int pedalIndex)
{
    return headerThen({0x03, 0x05, pedalIndex, kSysExEnd});
}

QByteArray factoryResetRequest()
{
    return deleteRequest(kFactoryResetPedal);
}

QByteArray emptyConfiguration()
{
    QByteArray bytes = headerThen({0x10, 0x03});
    bytes.append(kConfigurationLength - bytes.size() - 1, '\0');
    bytes.append(char(kSysExEnd));
    return bytes;
}

const char *bootloaderRequestText(BootloaderCode code)
{
    switch (code) {
    case DeviceInfoRequest:
        return "AA CC 02 00 01 0D 0A";
    case EraseRequest:
        return "AA CC 02 00 02 0D 0A";
    case VersionRequest:
        return "AA CC 02 00 03 0D 0A";
    case EnterUpgradeModeRequest:
        return "AA CC 02 00 09 0D 0A";
    }
    return "";
}

QByteArray bootloaderRequest(BootloaderCode code)
{
    return QByteArray::fromHex(bootloaderRequestText(code));
}

bool isFramed(const QByteArray &bytes)
{
    return bytes.size() > kHeaderLength && bytes.startsWith(QByteArray::fromRawData(kHeader, 4)) &&
           at(bytes, bytes.size() - 1) == kSysExEnd;
}

bool isLiveStatus(quint8 status)
{
    return classifyLiveStatus(status) != LiveStatusClass::Invalid;
}

LiveStatusClass classifyLiveStatus(quint8 status)
{
    switch (status) {
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC:
        return LiveStatusClass::Realtime;
    default:
        break;
    }
    if ((status >= 0x80 && status <= 0xBF) || (status >= 0xE0 && status <= 0xEF))
        return LiveStatusClass::ThreeByte;
    if (status >= 0xC0 && status <= 0xDF)
        return LiveStatusClass::TwoByte;
    return LiveStatusClass::Invalid;
}

bool operator==(const ConfigurationFields &a, const ConfigurationFields &b)
{
    return a.pedalIndex == b.pedalIndex && a.messageIndex == b.messageIndex &&
           a.pedalType == b.pedalType && a.channel == b.channel && a.eventCode == b.eventCode &&
           a.values == b.values && a.triggerMode == b.triggerMode && a.gain == b.gain &&
           a.triggerLevel == b.triggerLevel && a.pressNote == b.pressNote &&
           a.releaseNote == b.releaseNote && a.curve == b.curve &&
           a.saturationPercent == b.saturationPercent && a.triggerLevelHigh == b.triggerLevelHigh;
}

QByteArray configurationMessage(const ConfigurationFields &f)
{
    QByteArray bytes = emptyConfiguration();
    const quint8 fields[kFieldsLength] = {
        f.pedalIndex,      f.messageIndex, f.pedalType, f.channel,
        f.eventCode,       f.values[0],    f.values[1], f.values[2],
        f.values[3],       f.triggerMode,  f.gain,      f.triggerLevel,
        f.pressNote,       f.releaseNote,  f.curve,     f.saturationPercent,
        f.triggerLevelHigh};
    for (int i = 0; i < kFieldsLength; ++i)
        bytes[kFieldsOffset + i] = char(fields[i]);
    return bytes;
}

std::array<quint8, 2> rangeBytes(int first, int second, bool inverted)
{
    if (inverted)
        return {positionByte(second), positionByte(first)};
    return {positionByte(first), positionByte(second)};
}

std::array<quint8, 4> pitchBendBytes(int minPosition, int maxPosition, bool inverted)
{
    const int a = inverted ? maxPosition : minPosition;
    const int b = inverted ? minPosition : maxPosition;
    return {quint8((a / 128) & 0x7F), quint8((b / 128) & 0x7F), quint8(a & 0x7F), quint8(b & 0x7F)};
}

SplitTriggerLevel splitTriggerLevel(int position)
{
    return {quint8(position & 0xFF), quint8((position >> 8) & 0xFF)};
}

std::array<quint8, 2> switchValueBytes(int modePosition, const QString &modeText, bool inverted,
                                       int minPosition, int maxPosition)
{
    if (modePosition == 0)
        return {positionByte(minPosition), 0};
    if (inverted && modeText == QLatin1String("LongPress"))
        return {positionByte(minPosition), 0x80};
    if (inverted)
        return {positionByte(maxPosition), positionByte(minPosition)};
    return {positionByte(minPosition), positionByte(maxPosition)};
}

bool tempoRuleApplies(const QString &tempoPageEventText, const QString &pedalNumberText)
{
    return tempoPageEventText == QLatin1String("Tempo") && pedalNumberText != QLatin1String("4");
}

void applyTempoRule(ConfigurationFields &fields)
{
    fields.values[2] = quint8(kTempoValue >> 8);
    fields.values[3] = quint8(kTempoValue & 0xFF);
}

std::optional<int> statusReplyBits(const QByteArray &packet)
{
    if (packet.size() != 6 || !isFramed(packet))
        return std::nullopt;
    return at(packet, 4);
}

std::optional<int> zb8StatusReplyBits(const QByteArray &packet)
{
    if (packet.size() != 10 || !isFramed(packet) || at(packet, 4) != 0x04 || at(packet, 5) != 0x06)
        return std::nullopt;
    return at(packet, 8) * 65536 + at(packet, 7) * 256 + at(packet, 6);
}

std::optional<int> handshakePedalCount(const QByteArray &frame)
{
    if (frame.size() != 7 || !isFramed(frame))
        return std::nullopt;
    return at(frame, 5);
}

std::optional<int> setAcknowledgmentResult(const QByteArray &frame)
{
    if ((frame.size() != 8 && frame.size() != 9) || !isFramed(frame) || at(frame, 5) != 0x03)
        return std::nullopt;
    return at(frame, 7);
}

std::optional<ConfigurationFields> readBackFields(const QByteArray &frame)
{
    if ((frame.size() != 23 && frame.size() != 24) || !isFramed(frame) || at(frame, 5) != 0x04)
        return std::nullopt;
    // Only bytes in front of the final F7 are fields; a 23-byte reply has no byte 22.
    const int fieldEnd = frame.size() - 1;
    auto field = [&](int index) -> quint8 { return index < fieldEnd ? at(frame, index) : 0; };
    ConfigurationFields f;
    f.pedalIndex = field(6);
    f.messageIndex = field(7);
    f.pedalType = field(8);
    f.channel = field(9);
    f.eventCode = field(10);
    for (int i = 0; i < 4; ++i)
        f.values[size_t(i)] = field(11 + i);
    f.triggerMode = field(15);
    f.gain = field(16);
    f.triggerLevel = field(17);
    f.pressNote = field(18);
    f.releaseNote = field(19);
    f.curve = field(20);
    f.saturationPercent = field(21);
    f.triggerLevelHigh = field(22);
    return f;
}

bool isDeleteAcknowledgment(const QByteArray &frame)
{
    return (frame.size() == 7 || frame.size() == 8) && isFramed(frame) && at(frame, 5) == 0x05;
}

} // namespace Protocol
