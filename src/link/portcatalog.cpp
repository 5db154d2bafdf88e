#include "link/portcatalog.h"

#include "common/workahead.h"
#include "link/usbnames.h"

#include <QSerialPortInfo>

namespace {
std::unique_ptr<PortCatalog> &installedCatalog()
{
    static std::unique_ptr<PortCatalog> catalog;
    return catalog;
}

std::future<PortCatalog::Listing> &listingAhead()
{
    static std::future<PortCatalog::Listing> listing;
    return listing;
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

void PortCatalog::listAhead()
{
    if (installedCatalog() || listingAhead().valid())
        return;
    // QSerialPortInfo and the sysfs reads are reentrant; the GUI thread waits for the result
    // before it lists anything itself.
    listingAhead() = WorkAhead::run([] {
        const SystemPortCatalog system;
        return Listing{system.availablePorts(), system.usbProductNames()};
    });
}

std::optional<PortCatalog::Listing> PortCatalog::takeListingAhead()
{
    std::future<Listing> &ahead = listingAhead();
    if (!ahead.valid())
        return std::nullopt;
    Listing listing = ahead.get();
    if (installedCatalog())
        return std::nullopt; // installed meanwhile: the system's ports are not asked for
    return listing;
}

QList<CatalogPort> SystemPortCatalog::availablePorts() const
{
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
