// The port catalog of tests and the demo: it lists the emulated pedals and bootloaders that are
// plugged in, under their USB ids and product names, in place of the machine's serial ports.
#pragma once

#include "link/portcatalog.h"

#include <QList>
#include <QPointer>

class EmulatedPort;
class EmulatedPedal;
class EmulatedBootloader;

class EmulatedCatalog : public PortCatalog
{
public:
    // Makes a new, empty catalog the one in force and returns it. The process owns it: the
    // pointer is valid until another catalog is installed.
    static EmulatedCatalog *installNew();

    // Listed while plugged in, in the order added; not owned (a deleted device drops out).
    // Several devices may share USB ids: each port is listed, under one product name.
    void addPedal(EmulatedPedal *pedal);
    void removePedal(EmulatedPedal *pedal);
    QList<EmulatedPedal *> pedals() const;
    void addBootloader(EmulatedBootloader *bootloader);
    void removeBootloader(EmulatedBootloader *bootloader);
    QList<EmulatedBootloader *> bootloaders() const;

    // A port that is no emulated device (a built-in COM port, an unknown USB adapter), listed
    // before the devices. `productName`, when given, joins the product-name table.
    void addOtherPort(const CatalogPort &port, const QString &productName = {});
    void clear();

    QList<CatalogPort> availablePorts() const override;
    UsbProductNames usbProductNames() const override;

private:
    void addDevice(EmulatedPort *device);
    QList<EmulatedPort *> devices() const;

    QList<QPointer<EmulatedPort>> deviceList;
    QList<QPair<CatalogPort, QString>> otherPorts;
};
