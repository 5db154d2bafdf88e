// Byte layouts of every message the tool sends to a pedal and recognisers for the replies.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace Protocol {

// Every pedal message starts with this header and ends with F7.
inline constexpr char kHeader[] = "\xF0\x00\x21\x5E";
inline constexpr int kHeaderLength = 4;
inline constexpr int kConfigurationLength = 24;
// The longest frame the device sends: the read-back reply.
inline constexpr int kMaxReplyLength = 24;
inline constexpr quint8 kSysExStart = 0xF0;
inline constexpr quint8 kSysExEnd = 0xF7;
inline constexpr quint8 kFactoryResetPedal = 0x58;

QByteArray handshakeQuery();                            // F0 00 21 5E 01 01 F7
QByteArray slotQuery(int pedalIndex, int messageIndex); // 9 bytes
QByteArray typedSlotQuery(int pedalIndex, int messageIndex, int pedalTypePosition); // 10 bytes
QByteArray deleteRequest(int pedalIndex);                                           // 8 bytes
QByteArray factoryResetRequest(); // F0 00 21 5E 03 05 58 F7
QByteArray emptyConfiguration();  // F0 00 21 5E 10 03, zeros, F7 (24 bytes)

// Bootloader requests AA CC 02 00 code 0D 0A.
enum BootloaderCode : quint8 {
    DeviceInfoRequest = 0x01,
    EraseRequest = 0x02,
    VersionRequest = 0x03,
    EnterUpgradeModeRequest = 0x09,
};
// The requests are kept as the hex text the bootloader's documentation gives and decoded.
const char *bootloaderRequestText(BootloaderCode code); // "AA CC 02 00 01 0D 0A"
QByteArray bootloaderRequest(BootloaderCode code);

// True when `bytes` begins with F0 00 21 5E and ends with F7.
bool isFramed(const QByteArray &bytes);

// Valid MIDI status byte of a live frame (clock/transport, 3-byte and 2-byte channel messages).
bool isLiveStatus(quint8 status);

// ---- configuration message: bytes 6-22 ----

// Selector positions go out as single bytes without range checks: an empty selector (-1)
// becomes FF, a position above 255 keeps its low 8 bits.
inline quint8 positionByte(int position)
{
    return static_cast<quint8>(position & 0xFF);
}

// Bytes 6-22 of a configuration message, the same layout a read-back reply carries.
struct ConfigurationFields
{
    quint8 pedalIndex = 0;          // 6
    quint8 messageIndex = 0;        // 7
    quint8 pedalType = 0;           // 8: 1 Expression, 2 Switch, 3 Hi-Hat
    quint8 channel = 0;             // 9
    quint8 eventCode = 0;           // 10
    std::array<quint8, 4> values{}; // 11-14
    quint8 triggerMode = 0;         // 15
    quint8 gain = 0;                // 16
    quint8 triggerLevel = 0;        // 17
    quint8 pressNote = 0;           // 18
    quint8 releaseNote = 0;         // 19
    quint8 curve = 0;               // 20
    quint8 saturationPercent = 0;   // 21
    quint8 triggerLevelHigh = 0;    // 22: bits 8-15 of a Pitch Bend trigger level

    friend bool operator==(const ConfigurationFields &a, const ConfigurationFields &b);
};

enum PedalTypeCode : quint8 {
    ExpressionPedal = 1,
    SwitchPedal = 2,
    HiHatPedal = 3,
};

inline constexpr int kFieldsOffset = 6;
inline constexpr int kFieldsLength = 17; // bytes 6-22

// The 24-byte configuration message F0 00 21 5E 10 03, fields, F7.
QByteArray configurationMessage(const ConfigurationFields &fields);

// Min/max pair of a CC, NOTE or Hi-Hat page (bytes 13-14) or the two values of Channel
// Pressure (bytes 11-12): swapped when the invert box is checked.
std::array<quint8, 2> rangeBytes(int first, int second, bool inverted);

// Bytes 11-14 of a Pitch Bend message: upper seven bits of a and b, then their lower seven bits,
// with a = min and b = max (swapped when inverted); positions run 0 ... 16383.
std::array<quint8, 4> pitchBendBytes(int minPosition, int maxPosition, bool inverted);

// A Pitch Bend trigger level travels in byte 17 (low 8 bits) and byte 22 (bits 8-15).
struct SplitTriggerLevel
{
    quint8 low = 0;
    quint8 high = 0;
};
SplitTriggerLevel splitTriggerLevel(int position);

// The value pair of a Switch CC/NOTE page (bytes 13-14) or Program Change page (bytes 11-12).
// Mode position 0 is "Single"; `modeText` is the mode selector's current text.
std::array<quint8, 2> switchValueBytes(int modePosition, const QString &modeText, bool inverted,
                                       int minPosition, int maxPosition);

// Tempo rule, applied last: while the Tempo page's event selector shows "Tempo" and the pedal
// number is not "4", bytes 13-14 carry 500 (01 F4) whatever the pedal type.
bool tempoRuleApplies(const QString &tempoPageEventText, const QString &pedalNumberText);
void applyTempoRule(ConfigurationFields &fields);
inline constexpr int kTempoValue = 500;

// ---- device replies ----

// 6-byte status reply F0 00 21 5E b F7: the raw pedal-connection bits b.
std::optional<int> statusReplyBits(const QByteArray &packet);

// 10-byte ZB-8 status reply F0 00 21 5E 04 06 b6 b7 b8 F7: b8 * 65536 + b7 * 256 + b6.
std::optional<int> zb8StatusReplyBits(const QByteArray &packet);

// Handshake reply F0 00 21 5E x n F7: the pedal count n. The 6-byte form carries none.
std::optional<int> handshakePedalCount(const QByteArray &frame);

// Set acknowledgment F0 00 21 5E x 03 y r F7 (or the 8-byte form whose byte 7 is the F7):
// byte 7, the result.
enum SetResult {
    SetSucceeded = 0,
    WrongPedalNumber = 1,
    WrongPedalType = 2,
    TempoLimit = 3,
};
std::optional<int> setAcknowledgmentResult(const QByteArray &frame);

// Read-back reply F0 00 21 5E x 04, bytes 6-22, F7 (24 bytes; 23 accepted, in which case
// byte 22 is the F7 and its field reads 0).
std::optional<ConfigurationFields> readBackFields(const QByteArray &frame);

// Delete acknowledgment F0 00 21 5E x 05 y F7.
bool isDeleteAcknowledgment(const QByteArray &frame);

// What the status byte of a 4-byte live frame says about it.
enum class LiveStatusClass {
    Invalid,
    Realtime,  // F8, FA, FB, FC
    ThreeByte, // 80 ... BF, E0 ... EF
    TwoByte,   // C0 ... DF
};
LiveStatusClass classifyLiveStatus(quint8 status);

} // namespace Protocol
