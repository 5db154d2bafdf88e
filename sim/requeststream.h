// Cuts what the host writes to an emulated pedal into whole requests, the way a pedal's
// firmware would: pedal messages F0 00 21 5E ... F7 and bootloader lines AA CC ... CR LF.
// Pure code, so garbage, splits and glued requests are tested without a terminal.
#pragma once

#include <QByteArray>
#include <QList>

namespace Sim {

// Longest pedal message a host sends (the configuration message).
inline constexpr int kMaxPedalRequestLength = 24;
// Longest bootloader line waited for before the AA CC is taken for garbage.
inline constexpr int kMaxBootloaderLineLength = 16;

class RequestStream
{
public:
    // Appends `bytes` and returns every request completed by them, in stream order.
    QList<QByteArray> feed(const QByteArray &bytes);

    // Bytes of a request that has begun but is not complete; always shorter than
    // kMaxPedalRequestLength.
    QByteArray pending() const { return buffer; }
    void clear() { buffer.clear(); }

private:
    enum class Step { Wait, Take, Drop };
    Step examinePedalMessage(int *length) const;
    Step examineBootloaderLine(int *length) const;

    QByteArray buffer;
};

} // namespace Sim
