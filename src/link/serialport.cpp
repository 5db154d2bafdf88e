#include "link/serialport.h"

#include "common/userprompt.h"

#include <QComboBox>
#include <QDebug>
#include <QIcon>
#include <QMessageBox>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {
constexpr int kPortListRefreshMs = 1000;
}

SerialPort::SerialPort(QComboBox *portList, QObject *parent)
    : QSerialPort(parent), portList(portList), portListTimer(this)
{
    initPort();
    connect(this, &QSerialPort::readyRead, this, &SerialPort::readDataSlot);
    connect(this, &QSerialPort::errorOccurred, this, &SerialPort::onOwnError);
    connect(&portListTimer, &QTimer::timeout, this, &SerialPort::initPort);
    portListTimer.start(kPortListRefreshMs);
}

UsbProductNames SerialPort::usbProductNames() const
{
    return PortCatalog::current().usbProductNames();
}

void SerialPort::initPort()
{
    refreshPortList(false);
}

void SerialPort::initPort2()
{
    refreshPortList(true);
}

void SerialPort::refreshPortList(bool logPorts)
{
    if (!portList)
        return;
    const UsbProductNames names = usbProductNames();

    QStringList before;
    for (int i = 0; i < portList->count(); ++i)
        before << portList->itemText(i);
    QStringList seen;

    const QList<CatalogPort> ports = PortCatalog::current().availablePorts();
    for (const CatalogPort &port : ports) {
        if (logPorts)
            qDebug().nospace() << "port " << port.portName << " vid " << Qt::hex << port.vendorId
                               << " pid " << port.productId << Qt::dec << " description "
                               << port.description << " location " << port.location << " serial "
                               << port.serialNumber << " manufacturer " << port.manufacturer;
        if (!port.hasUsbIds)
            continue;
        const auto it = names.constFind(UsbKey(port.productId, port.vendorId));
        if (it == names.constEnd())
            continue;
        const QString &name = it.value();
        if (!before.contains(name) && !seen.contains(name))
            portList->addItem(name, port.portName);
        seen << name;
    }

    for (const QString &text : qAsConst(before)) {
        if (seen.contains(text))
            continue;
        // Exact, case-sensitive match: findText's default flags would also be case-sensitive,
        // but say so explicitly since entries are identified by their text alone.
        const int index = portList->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            portList->removeItem(index);
    }
}

bool SerialPort::openDevicePort(const QString &portName, qint32 baud)
{
    receiveBuffer.clear();
    zb8StatusBits = -1;

    if (portName.isEmpty()) {
        QMessageBox box;
        box.setText(QStringLiteral("port name error, please choose right com!"));
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        UserPrompt::exec(&box);
        return false;
    }

    setPortName(portName);
    setBaudRate(baud, QSerialPort::AllDirections);
    if (!open(QIODevice::ReadWrite)) {
        QMessageBox box;
        box.setWindowIcon(QIcon(QStringLiteral(":/ico.png")));
        box.setFocusPolicy(Qt::NoFocus);
        box.setText(QStringLiteral("Device error"));
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        UserPrompt::exec(&box);
        return false;
    }
    return true;
}

bool SerialPort::deviceGone() const
{
    if (!isOpen())
        return false;
#ifdef Q_OS_UNIX
    // A hung-up tty reads end-of-file for ever; poll tells that apart from a passing read error.
    pollfd fd{int(handle()), POLLIN, 0};
    if (::poll(&fd, 1, 0) < 0)
        return false;
    return (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return false;
#endif
}

void SerialPort::onOwnError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::NoError)
        qDebug() << "serial port error" << error << errorString();
}

int maskConnectedPedals(const QComboBox *portList, int bits)
{
    if (bits < 0 || !portList)
        return bits;
    const QString text = portList->currentText();
    if (text.contains(QLatin1String("TRV-40")) || text.contains(QLatin1String("40")))
        return bits & 3;
    if (text.contains(QLatin1String("TRV-50")) || text.contains(QLatin1String("50")))
        return bits & 15;
    return bits;
}
