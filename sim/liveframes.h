// The 4-byte live frames a pedal sends while it is moved, and a few gestures built from
// them, so tests and the demo speak of sweeps and taps rather than raw bytes.
// Byte 0: high nibble the message slot (0 ... 15) that produced it, low nibble the USB-MIDI
// code index; byte 1 the MIDI status; bytes 2-3 the data (unused ones 0).
#pragma once

#include <QByteArray>
#include <QList>

namespace LiveFrames {

// Channels are 0 ... 15 (MIDI channel 1 ... 16); data bytes are masked to 7 bits.
QByteArray controlChange(int channel, int controller, int value);
QByteArray noteOn(int channel, int note, int velocity);
QByteArray noteOff(int channel, int note);
QByteArray programChange(int channel, int program);
QByteArray channelPressure(int channel, int pressure);
QByteArray pitchBend(int channel, int value); // value 0 ... 16383, 8192 centre
QByteArray timingClock();                     // F8
QByteArray start();                           // FA
QByteArray continueFrame();                   // FB
QByteArray stop();                            // FC

// Controller values from `from` to `to` (either direction) in steps of `step`, both ends included.
QList<QByteArray> expressionSweep(int channel, int controller, int from = 0, int to = 127,
                                  int step = 1);
// A momentary switch pressed and released: the controller at 127, then at 0.
QList<QByteArray> switchTap(int channel, int controller);
// A note struck and released.
QList<QByteArray> noteTap(int channel, int note, int velocity);

// The same frames as produced by message slot `message` (0 ... 15) instead of slot 0.
QByteArray onMessage(int message, QByteArray frame);
QList<QByteArray> onMessage(int message, QList<QByteArray> frames);

QByteArray joined(const QList<QByteArray> &frames);

} // namespace LiveFrames
