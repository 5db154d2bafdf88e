// The window's side of the device link: Connect/Disconnect, unplug handling and the
// dispatch of records from the link to the editor and the monitor.
#include "app/widget.h"

#include "link/serialport.h"
#include "protocol/messages.h"
#include "ui_widget.h"
#include "upgrade/upgrade_dialog.h"

#include <QDebug>
#include <QTimer>

namespace {
constexpr int kSlotQueryDelayMs = 500;
constexpr int kDeviceInfoDelayMs = 600;
constexpr qint32 kDefaultBaud = 115200;
} // namespace

void Widget::on_connectButton_clicked()
{
    if (serialPort->isOpen()) {
        serialPort->clear();
        serialPort->close();
        clearMonitorTables();
        resetEditorToDisconnected();
        refreshConnectionControls();
        return;
    }

    const QString portName = ui->comboBox_ComDevices->currentData().toString();
    bool ok = false;
    qint32 baud = ui->comboBox_5->currentText().toInt(&ok);
    if (!ok || baud <= 0)
        baud = kDefaultBaud;

    if (serialPort->openDevicePort(portName, baud)) {
        ensureUpgradeMessageConnections();
        updateDialogShown = false;
        pedalModel = QStringLiteral("xx");
        pedalVersion = QStringLiteral("xx");
        ug_dlg->resetForNewConnection();
        serialPort->upgradeLink = false;

        serialPort->write(Protocol::handshakeQuery());
        // Precise: coarse timers of this length may fire up to 5 % early.
        QTimer::singleShot(kSlotQueryDelayMs, Qt::PreciseTimer, this,
                           &Widget::sendDelayedSlotQuery);
        QTimer::singleShot(kDeviceInfoDelayMs, Qt::PreciseTimer, this, &Widget::requestDeviceInfo);
    }

    adaptEditorToDevice(ui->comboBox_ComDevices->currentText());
    refreshConnectionControls();
}

void Widget::sendDelayedSlotQuery()
{
    // A ZB-8 gets the model-dependent Check instead of the plain slot query.
    const QString device = ui->comboBox_ComDevices->currentText();
    if (device.contains(QLatin1String("ZB-8"), Qt::CaseInsensitive)) {
        on_checkButton_clicked();
        return;
    }
    serialPort->write(
        Protocol::slotQuery(ui->Pedal_Number->currentIndex(), ui->Message_Number->currentIndex()));
}

void Widget::requestDeviceInfo()
{
    serialPort->write(Protocol::bootloaderRequest(Protocol::DeviceInfoRequest));
    serialPort->flush();
}

void Widget::handleSerialError(QSerialPort::SerialPortError error)
{
    // An unplugged tty on Linux keeps reporting read errors at end-of-file, never a
    // resource error: treat a hung-up device the same way or the window never notices.
    const bool gone = serialPort->error() == QSerialPort::ResourceError ||
                      (error == QSerialPort::ReadError && serialPort->deviceGone());
    if (!gone)
        return;
    qDebug() << "device went away:" << serialPort->portName();
    serialPort->close();
    refreshConnectionControls();
}

void Widget::pedalMidiDataSlot(Protocol::MsgPackage data)
{
    switch (data.kind) {
    case Protocol::HandshadeReplyCmd:
        fillPedalNumbers(data.frame);
        break;
    case Protocol::SetPadelReply:
        showSetResult(data.frame);
        break;
    case Protocol::CheckPadelReply:
        applyConfiguration(data.frame);
        break;
    case Protocol::DeletePadelReply:
        showDeleteResult(data.frame);
        break;
    case Protocol::PadelUploadCmd:
        enqueueLiveFrame(data.frame);
        break;
    default:
        break;
    }
}
