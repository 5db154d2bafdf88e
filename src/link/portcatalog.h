// The one seam between the link and the machine's serial ports: production asks the
// system, tests and the demo install a catalog of emulated devices.
#pragma once

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <memory>

// Key of the USB product-name table: (product id, vendor id).
using UsbKey = QPair<quint16, quint16>;
using UsbProductNames = QMap<UsbKey, QString>;

struct CatalogPort
{
    QString portName; // what QSerialPort::setPortName takes (a name or an absolute device path)
    bool hasUsbIds = false;
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString description;
    QString location;
    QString serialNumber;
    QString manufacturer;
};

class PortCatalog
{
public:
    virtual ~PortCatalog() = default;
    virtual QList<CatalogPort> availablePorts() const = 0;
    virtual UsbProductNames usbProductNames() const = 0;

    // The catalog in force; the system catalog unless one was installed.
    static const PortCatalog &current();
    // Installs a catalog for the rest of the process (or until replaced); nullptr restores the
    // system one.
    static void install(std::unique_ptr<PortCatalog> catalog);
    // True while no catalog is installed.
    static bool systemInForce();
};

// The machine's own USB serial ports and product names (QSerialPortInfo off Linux).
class SystemPortCatalog : public PortCatalog
{
public:
    QList<CatalogPort> availablePorts() const override;
    UsbProductNames usbProductNames() const override;
};
