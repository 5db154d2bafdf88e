#include "sim/emulatedcatalog.h"

#include "sim/emulatedpedal.h"

EmulatedCatalog *EmulatedCatalog::installNew()
{
    auto catalog = std::make_unique<EmulatedCatalog>();
    EmulatedCatalog *installed = catalog.get();
    PortCatalog::install(std::move(catalog));
    return installed;
}

void EmulatedCatalog::addPedal(EmulatedPedal *pedal)
{
    if (pedal && !pedals().contains(pedal))
        pedalList << pedal;
}

void EmulatedCatalog::removePedal(EmulatedPedal *pedal)
{
    pedalList.removeAll(pedal);
}

QList<EmulatedPedal *> EmulatedCatalog::pedals() const
{
    QList<EmulatedPedal *> alive;
    for (const QPointer<EmulatedPedal> &pedal : pedalList) {
        if (pedal)
            alive << pedal.data();
    }
    return alive;
}

void EmulatedCatalog::addOtherPort(const CatalogPort &port, const QString &productName)
{
    otherPorts.append({port, productName});
}

void EmulatedCatalog::clear()
{
    pedalList.clear();
    otherPorts.clear();
}

QList<CatalogPort> EmulatedCatalog::availablePorts() const
{
    QList<CatalogPort> ports;
    for (const auto &other : otherPorts)
        ports << other.first;
    for (EmulatedPedal *pedal : pedals()) {
        if (!pedal->isPlugged())
            continue;
        CatalogPort port;
        port.portName = pedal->portName();
        port.hasUsbIds = true;
        port.vendorId = pedal->vendorId();
        port.productId = pedal->productId();
        port.description = pedal->productName();
        port.location = pedal->portName();
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
    for (EmulatedPedal *pedal : pedals()) {
        const UsbKey key(pedal->productId(), pedal->vendorId());
        if (pedal->isPlugged() && !names.contains(key))
            names.insert(key, pedal->productName());
    }
    return names;
}
