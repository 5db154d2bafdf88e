// SerialPort's receive side: runs the framing passes over receiveBuffer after every read and
// hands what they find to the window (records), the upgrade dialog (bootloader replies) and
// the firmware check (the raw buffer).
#include "link/framer.h"
#include "link/serialport.h"
#include "protocol/messages.h"

#include <QComboBox>
#include <QDebug>

namespace {

void logInvalidSteps(const char *where, const QVector<Framing::InvalidStep> &steps)
{
    for (const Framing::InvalidStep &step : steps) {
        switch (step.reason) {
        case Framing::InvalidStep::InvalidStatus:
            qCritical().noquote() << where << "invalid data:" << step.bytes.toHex(' ').toUpper();
            break;
        case Framing::InvalidStep::IncompletePacket:
            qDebug() << "Incomplete 4-byte message, waiting for more data.";
            break;
        }
    }
}

} // namespace

void SerialPort::readDataSlot()
{
    // Only the bytes a previous read left behind have been through the live-frame pass; a
    // buffer emptied in between (a new opening) starts afresh.
    const int seen = receiveBuffer.isEmpty() ? 0 : qMin(liveScanned, receiveBuffer.size());
    receiveBuffer.append(readAll());
    liveScanned = seen;
    if (receiveBuffer.size() < Framing::kMinimumBuffer)
        return;

    const Framing::LivePass live = Framing::splitFrames(receiveBuffer, seen);
    logInvalidSteps("readDataSlot", live.invalid);
    for (const Protocol::MsgPackage &record : live.records)
        emit pedalMidiDataSignal(record);

    const Framing::BootloaderReplies replies = Framing::recogniseBootloaderReplies(receiveBuffer);
    if (replies.hasVersion) {
        if (upgradeLink)
            emit send_vesion(replies.version);
    } else if (replies.hasModel) {
        // Whoever holds the port: the main window reads the version from showdata too.
        write(Protocol::bootloaderRequest(Protocol::VersionRequest));
        flush();
        if (upgradeLink)
            emit send_MTD(replies.model);
    }
    if (replies.eraseEnd)
        emit send_erase(true);

    emit showdata(QByteArray(receiveBuffer));

    const Framing::PacketCut cut = Framing::cutPackets(receiveBuffer);
    if (cut.abandonedStarts > 0)
        qWarning() << "readDataSlot: dropped" << cut.abandonedStarts
                   << "F0 byte(s) without an F7 within a reply's length";
    receiveBuffer = cut.remaining;
    liveScanned = receiveBuffer.size();
    for (const QByteArray &packet : cut.packets)
        processPacket(packet);
}

void SerialPort::processPacket(const QByteArray &packet)
{
    const QString listed = portList ? portList->currentText() : QString();
    const Framing::PacketResult result = Framing::processPacket(packet, listed);
    logInvalidSteps("processPacket", result.invalid);
    for (const Framing::PacketEvent &event : result.events) {
        switch (event.type) {
        case Framing::PacketEvent::Zb8StatusBits:
            zb8StatusBits = event.bits;
            break;
        case Framing::PacketEvent::ConnectedPedalBits:
            connectedPedalBits = maskConnectedPedals(portList, event.bits);
            break;
        case Framing::PacketEvent::Record:
            emit pedalMidiDataSignal(event.record);
            break;
        }
    }
}
