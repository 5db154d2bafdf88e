#include "sim/liveframes.h"

namespace LiveFrames {

namespace {
// Code index numbers of the USB-MIDI event packet; the high nibble stays 0 (message slot 0).
constexpr quint8 kCinNoteOff = 0x08;
constexpr quint8 kCinNoteOn = 0x09;
constexpr quint8 kCinControlChange = 0x0B;
constexpr quint8 kCinProgramChange = 0x0C;
constexpr quint8 kCinChannelPressure = 0x0D;
constexpr quint8 kCinPitchBend = 0x0E;
constexpr quint8 kCinSingleByte = 0x0F;

QByteArray packet(quint8 cin, quint8 status, int data1, int data2)
{
    QByteArray frame(4, '\0');
    frame[0] = char(cin);
    frame[1] = char(status);
    frame[2] = char(data1 & 0x7F);
    frame[3] = char(data2 & 0x7F);
    return frame;
}

quint8 channelStatus(quint8 kind, int channel)
{
    return quint8(kind | (channel & 0x0F));
}
} // namespace

QByteArray controlChange(int channel, int controller, int value)
{
    return packet(kCinControlChange, channelStatus(0xB0, channel), controller, value);
}

QByteArray noteOn(int channel, int note, int velocity)
{
    return packet(kCinNoteOn, channelStatus(0x90, channel), note, velocity);
}

QByteArray noteOff(int channel, int note)
{
    return packet(kCinNoteOff, channelStatus(0x80, channel), note, 0);
}

QByteArray programChange(int channel, int program)
{
    return packet(kCinProgramChange, channelStatus(0xC0, channel), program, 0);
}

QByteArray channelPressure(int channel, int pressure)
{
    return packet(kCinChannelPressure, channelStatus(0xD0, channel), pressure, 0);
}

QByteArray pitchBend(int channel, int value)
{
    return packet(kCinPitchBend, channelStatus(0xE0, channel), value & 0x7F, (value >> 7) & 0x7F);
}

QByteArray timingClock()
{
    return packet(kCinSingleByte, 0xF8, 0, 0);
}

QByteArray start()
{
    return packet(kCinSingleByte, 0xFA, 0, 0);
}

QByteArray continueFrame()
{
    return packet(kCinSingleByte, 0xFB, 0, 0);
}

QByteArray stop()
{
    return packet(kCinSingleByte, 0xFC, 0, 0);
}

QList<QByteArray> expressionSweep(int channel, int controller, int from, int to, int step)
{
    QList<QByteArray> frames;
    step = qMax(1, step);
    const int direction = to >= from ? 1 : -1;
    int value = from;
    for (; direction * (to - value) > 0; value += direction * step)
        frames << controlChange(channel, controller, value);
    frames << controlChange(channel, controller, to);
    return frames;
}

QList<QByteArray> switchTap(int channel, int controller)
{
    return {controlChange(channel, controller, 127), controlChange(channel, controller, 0)};
}

QList<QByteArray> noteTap(int channel, int note, int velocity)
{
    return {noteOn(channel, note, velocity), noteOff(channel, note)};
}

QByteArray onMessage(int message, QByteArray frame)
{
    if (!frame.isEmpty())
        frame[0] = char((quint8(frame.at(0)) & 0x0F) | ((message & 0x0F) << 4));
    return frame;
}

QList<QByteArray> onMessage(int message, QList<QByteArray> frames)
{
    for (QByteArray &frame : frames)
        frame = onMessage(message, frame);
    return frames;
}

QByteArray joined(const QList<QByteArray> &frames)
{
    QByteArray bytes;
    for (const QByteArray &frame : frames)
        bytes += frame;
    return bytes;
}

} // namespace LiveFrames
