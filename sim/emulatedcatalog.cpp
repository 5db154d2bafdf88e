#include "sim/emulatedcatalog.h"

#include "sim/emulatedbootloader.h"
#include "sim/emulatedpedal.h"

namespace {
template<typename Device> QList<Device *> only(const QList<EmulatedPort *> &devices)
{
    QList<Device *> found;
    for (EmulatedPort *device : devices) {
        if (auto *wanted = qobject_cast<Device *>(device))
            found << wanted;
    }
    return found;
}
} // namespace

EmulatedCatalog *EmulatedCatalog::installNew()
{
    auto catalog = std::make_unique<EmulatedCatalog>();
    EmulatedCatalog *installed = catalog.get();
    PortCatalog::install(std::move(catalog));
    return installed;
}

void EmulatedCatalog::addDevice(EmulatedPort *device)
{
    if (device && !devices().contains(device))
        deviceList << device;
}

QList<EmulatedPort *> EmulatedCatalog::devices() const
{
    QList<EmulatedPort *> alive;
    for (const QPointer<EmulatedPort> &device : deviceList) {
        if (device)
            alive << device.data();
    }
    return alive;
}

void EmulatedCatalog::addPedal(EmulatedPedal *pedal)
{
    addDevice(pedal);
}

void EmulatedCatalog::removePedal(EmulatedPedal *pedal)
{
    deviceList.removeAll(pedal);
}

QList<EmulatedPedal *> EmulatedCatalog::pedals() const
{
    return only<EmulatedPedal>(devices());
}

void EmulatedCatalog::addBootloader(EmulatedBootloader *bootloader)
{
    addDevice(bootloader);
}

void EmulatedCatalog::removeBootloader(EmulatedBootloader *bootloader)
{
    deviceList.removeAll(bootloader);
}

QList<EmulatedBootloader *> EmulatedCatalog::bootloaders() const
{
    return only<EmulatedBootloader>(devices());
}

void EmulatedCatalog::addOtherPort(const CatalogPort &port, const QString &productName)
{
    otherPorts.append({port, productName});
}

void EmulatedCatalog::clear()
{
    deviceList.clear();
    otherPorts.clear();
}

QList<CatalogPort> EmulatedCatalog::availablePorts() const
{
    QList<CatalogPort> ports;
    for (const auto &other : otherPorts)
        ports << other.first;
    for (EmulatedPort *device : devices()) {
        if (!device->isPlugged())
            continue;
        CatalogPort port;
        port.portName = device->portName();
        port.hasUsbIds = true;
        port.vendorId = device->vendorId();
        port.productId = device->productId();
        port.description = device->productName();
        port.location = device->terminalPath();
        port.manufacturer = QStringLiteral("Volarix");
        ports << port;
    }
    return ports;
}

UsbProductNames EmulatedCatalog::usbProductNames() const
{
    // As on a real machine, the first device with a given key names it.
    UsbProductNames names;
    for (const auto &other : otherPorts) {
        const CatalogPort &port = other.first;
        const UsbKey key(port.productId, port.vendorId);
        if (port.hasUsbIds && !other.second.isEmpty() && !names.contains(key))
            names.insert(key, other.second);
    }
    for (EmulatedPort *device : devices()) {
        const UsbKey key(device->productId(), device->vendorId());
        if (device->isPlugged() && !names.contains(key))
            names.insert(key, device->productName());
    }
    return names;
}
