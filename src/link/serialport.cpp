#include "link/serialport.h"

#include "common/userprompt.h"
#include "common/workahead.h"

#include <QComboBox>
#include <QDebug>
#include <QHash>
#include <QIcon>
#include <QMessageBox>

#include <future>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace {
constexpr int kPortListRefreshMs = 1000;

// The device file a port name stands for, as QSerialPort resolves it, so that a catalog name
// ("/dev/ttyACM0") and the name the port reports ("ttyACM0") compare equal.
QString deviceLocation(const QString &name)
{
#ifdef Q_OS_UNIX
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1String("./")) ||
        name.startsWith(QLatin1String("../")))
        return name;
    return QLatin1String("/dev/") + name;
#else
    return name;
#endif
}

bool listsPort(const QList<CatalogPort> &ports, const QString &name)
{
    const QString location = deviceLocation(name);
    for (const CatalogPort &port : ports) {
        if (deviceLocation(port.portName) == location)
            return true;
    }
    return false;
}

// The system's ports read on the worker for the next port object's first listing.
struct PortsAhead
{
    std::future<QList<CatalogPort>> read;
    bool taken = false;
};

PortsAhead &portsAhead()
{
    static PortsAhead ahead;
    return ahead;
}
} // namespace

void SerialPort::listPortsAhead()
{
    if (PortCatalog::systemInForce())
        portsAhead().read = WorkAhead::run([] { return SystemPortCatalog().availablePorts(); });
}

bool SerialPort::firstListingReadAhead()
{
    return portsAhead().taken;
}

QList<CatalogPort> SerialPort::availablePorts()
{
    PortsAhead &ahead = portsAhead();
    if (ahead.read.valid()) {
        QList<CatalogPort> ports = ahead.read.get();
        ahead.taken = PortCatalog::systemInForce(); // unless a catalog came in meanwhile
        if (ahead.taken)
            return ports;
    }
    return PortCatalog::current().availablePorts();
}

SerialPort::SerialPort(QComboBox *portList, QObject *parent)
    : QSerialPort(parent), portList(portList), portListTimer(this), presenceTimer(this)
{
    portsAhead().taken = false;
    initPort();
    connect(this, &QSerialPort::readyRead, this, &SerialPort::readDataSlot);
    // First receiver of the port's errors: the presence report goes out before the window's
    // and the dialog's own error slots close the port.
    connect(this, &QSerialPort::errorOccurred, this, &SerialPort::onOwnError);
    connect(&portListTimer, &QTimer::timeout, this, &SerialPort::initPort);
    portListTimer.start(kPortListRefreshMs);
    connect(&presenceTimer, &QTimer::timeout, this,
            [this] { checkPresence(PortCatalog::current().availablePorts()); });
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
    const QList<CatalogPort> ports = availablePorts();
    checkPresence(ports);
    // This listing has just checked the held port: the next presence poll waits its full
    // interval from here instead of walking the device tree again moments later.
    if (presenceTimer.isActive())
        presenceTimer.start();
    if (!portList)
        return;
    const UsbProductNames names = usbProductNames();

    QStringList before;
    for (int i = 0; i < portList->count(); ++i)
        before << portList->itemText(i);
    QStringList seen;
    QHash<QString, QList<CatalogPort>> portsByName;

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
        portsByName[name] << port;
    }

    for (const QString &text : qAsConst(before)) {
        if (seen.contains(text)) {
            // The port behind the entry is gone but another of the same name is here (a twin
            // pedal, or the device on a new port): the entry carries the live one.
            const int index = portList->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
            const QList<CatalogPort> &live = portsByName[text];
            if (index >= 0 && !listsPort(live, portList->itemData(index).toString()))
                portList->setItemData(index, live.first().portName);
            continue;
        }
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
        qWarning().noquote() << "cannot open" << portName << "-" << errorString();
        QMessageBox box;
        box.setWindowIcon(QIcon(QStringLiteral(":/ico.png")));
        box.setFocusPolicy(Qt::NoFocus);
        box.setText(QStringLiteral("Device error"));
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        UserPrompt::exec(&box);
        return false;
    }
    presence = Presence::Held;
    watchedPort = this->portName();
    watchedListed = false;
    watchedAbsent = false;
    presenceTimer.start(kPresencePollMs);
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
    if (error == QSerialPort::NoError)
        return;
    qDebug() << "serial port error" << error << errorString();
    // A hung-up tty reads end-of-file: Qt reports a read error (or, with a stale errno, a
    // resource error) and keeps its read notifier armed.
    const bool gone =
        (error == QSerialPort::ReadError || error == QSerialPort::ResourceError) && deviceGone();
    if (gone && presence == Presence::Held && portName() == watchedPort)
        reportGone(false);
}

void SerialPort::reportGone(bool absentFromCatalog)
{
    presence = Presence::Gone;
    watchedAbsent = absentFromCatalog;
    if (!presenceTimer.isActive())
        presenceTimer.start(kPresencePollMs);
    // The window and the dialog close a hung-up port from their error slots; if nobody
    // does, the read notifier would fire for ever.
    QTimer::singleShot(0, this, &SerialPort::closeIfHungUp);
    emit portDisconnected(watchedPort);
}

void SerialPort::closeIfHungUp()
{
    if (isOpen() && deviceGone()) {
        qDebug() << "closing the hung-up port" << portName();
        close();
    }
}

void SerialPort::checkPresence(const QList<CatalogPort> &ports)
{
    switch (presence) {
    case Presence::None:
        break;
    case Presence::Held:
        if (!isOpen() || portName() != watchedPort) {
            presence = Presence::None; // closed on purpose, or another port opened since
        } else if (listsPort(ports, watchedPort)) {
            watchedListed = true;
        } else if (watchedListed) {
            reportGone(true);
            return;
        }
        break;
    case Presence::Gone:
        if (!listsPort(ports, watchedPort)) {
            watchedAbsent = true;
        } else if (watchedAbsent) {
            presence = Presence::None;
            emit portReconnected(watchedPort);
        }
        break;
    }
    if (presence == Presence::None)
        presenceTimer.stop();
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
