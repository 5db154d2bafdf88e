// The one seam between the link and the machine's serial ports: production asks the
// system, tests and the demo install a catalog of emulated devices.
#pragma once

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <memory>
#include <optional>

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

    // Asking the system walks its whole device tree, which takes about as long as building
    // the window: the window starts the first listing on a worker thread and takes its
    // result when it needs the list. An installed catalog is always asked on the spot.
    struct Listing
    {
        QList<CatalogPort> ports;
        UsbProductNames names;
    };
    static void listAhead();
    // The listing started ahead, once; nothing if none was started or a catalog was installed.
    static std::optional<Listing> takeListingAhead();
};

// Serial ports from QSerialPortInfo, product names from the platform's USB device list.
class SystemPortCatalog : public PortCatalog
{
public:
    QList<CatalogPort> availablePorts() const override;
    UsbProductNames usbProductNames() const override;
};
