#include "sim/requeststream.h"

namespace Sim {

namespace {
constexpr char kStart = '\xF0';
constexpr char kEnd = '\xF7';
constexpr char kBootloaderStart = '\xAA';
constexpr char kBootloaderSecond = '\xCC';
constexpr int kHeaderLength = 4;

const QByteArray &pedalHeader()
{
    static const QByteArray header("\xF0\x00\x21\x5E", kHeaderLength);
    return header;
}

// Commands with a fixed length are taken by length, not by the first F7: their values are
// sent without range checks, so an F7 (or F0) can sit inside a configuration message.
int fixedLength(char command, char sub)
{
    if (command == '\x01' && sub == '\x01')
        return 7;
    if (command == '\x10' && sub == '\x03')
        return 24;
    if (command == '\x03' && sub == '\x05')
        return 8;
    return 0;
}
} // namespace

QList<QByteArray> RequestStream::feed(const QByteArray &bytes)
{
    buffer += bytes;
    QList<QByteArray> requests;
    for (;;) {
        int start = 0;
        while (start < buffer.size() && buffer.at(start) != kStart &&
               buffer.at(start) != kBootloaderStart)
            ++start;
        buffer.remove(0, start);
        if (buffer.isEmpty())
            break;

        int length = 0;
        const Step step =
            buffer.at(0) == kStart ? examinePedalMessage(&length) : examineBootloaderLine(&length);
        if (step == Step::Wait)
            break;
        if (step == Step::Take) {
            requests << buffer.left(length);
            buffer.remove(0, length);
        } else {
            // Not a request after all: look for the next start behind this byte.
            buffer.remove(0, 1);
        }
    }
    return requests;
}

RequestStream::Step RequestStream::examinePedalMessage(int *length) const
{
    const int known = qMin(buffer.size(), kHeaderLength);
    if (buffer.left(known) != pedalHeader().left(known))
        return Step::Drop;
    if (buffer.size() > kHeaderLength && buffer.at(kHeaderLength) == kEnd) {
        *length = kHeaderLength + 1;
        return Step::Take;
    }
    if (buffer.size() < kHeaderLength + 2)
        return Step::Wait;

    const char command = buffer.at(4);
    const char sub = buffer.at(5);
    int fixed = fixedLength(command, sub);
    if (command == '\x04' && sub == '\x04') {
        // Slot query (9 bytes) or typed slot query (10): the pedal-type byte is never F7.
        if (buffer.size() < 9)
            return Step::Wait;
        fixed = buffer.at(8) == kEnd ? 9 : 10;
    }
    if (fixed > 0) {
        if (buffer.size() < fixed)
            return Step::Wait;
        if (buffer.at(fixed - 1) != kEnd)
            return Step::Drop;
        *length = fixed;
        return Step::Take;
    }

    // Unknown command: up to the first F7, resynchronising on a new F0.
    for (int i = kHeaderLength; i < buffer.size() && i < kMaxPedalRequestLength; ++i) {
        if (buffer.at(i) == kEnd) {
            *length = i + 1;
            return Step::Take;
        }
        if (buffer.at(i) == kStart)
            return Step::Drop;
    }
    return buffer.size() >= kMaxPedalRequestLength ? Step::Drop : Step::Wait;
}

RequestStream::Step RequestStream::examineBootloaderLine(int *length) const
{
    if (buffer.size() < 2)
        return Step::Wait;
    if (buffer.at(1) != kBootloaderSecond)
        return Step::Drop;
    const int end = buffer.indexOf("\r\n", 2);
    if (end >= 0) {
        if (end + 2 > kMaxBootloaderLineLength)
            return Step::Drop;
        *length = end + 2;
        return Step::Take;
    }
    return buffer.size() >= kMaxBootloaderLineLength ? Step::Drop : Step::Wait;
}

} // namespace Sim
