#include "link/portcatalog.h"

#include "link/usbnames.h"

#include <QSerialPortInfo>

namespace {
std::unique_ptr<PortCatalog> &installedCatalog()
{
    static std::unique_ptr<PortCatalog> catalog;
    return catalog;
}
} // namespace

const PortCatalog &PortCatalog::current()
{
    static const SystemPortCatalog system;
    if (const auto &installed = installedCatalog())
        return *installed;
    return system;
}

void PortCatalog::install(std::unique_ptr<PortCatalog> catalog)
{
    installedCatalog() = std::move(catalog);
}

bool PortCatalog::systemInForce()
{
    return !installedCatalog();
}

QList<CatalogPort> SystemPortCatalog::availablePorts() const
{
#ifdef Q_OS_LINUX
    return readSysfsUsbSerialPorts();
#else
    QList<CatalogPort> ports;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        CatalogPort port;
        port.portName = info.portName();
        port.hasUsbIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
        port.vendorId = info.vendorIdentifier();
        port.productId = info.productIdentifier();
        port.description = info.description();
        port.location = info.systemLocation();
        port.serialNumber = info.serialNumber();
        port.manufacturer = info.manufacturer();
        ports << port;
    }
    return ports;
#endif
}

UsbProductNames SystemPortCatalog::usbProductNames() const
{
#ifdef Q_OS_WIN
    return readSetupApiUsbProductNames();
#elif defined(Q_OS_LINUX)
    return readSysfsUsbProductNames();
#else
    return {};
#endif
}
