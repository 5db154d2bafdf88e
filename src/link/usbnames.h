// What the platform's USB device list says: product strings per (product id, vendor id), and
// on Linux the USB serial ports.
#pragma once

#include "portcatalog.h"

// Linux: every USB device directory below `sysfsDevices` that has idVendor, idProduct and
// product files; the first device with a given key wins.
UsbProductNames
readSysfsUsbProductNames(const QString &sysfsDevices = QStringLiteral("/sys/bus/usb/devices"));

// Linux: the serial ports of the USB devices below `sysfsRoot`, with the names and ids
// QSerialPortInfo reports for them, in its device-tree order, and the devices' own strings;
// read straight from sysfs in a hundred-odd system calls where the udev walk takes thousands
// (about 12 ms). Ports of other buses are left out, as they are never listed.
QList<CatalogPort> readSysfsUsbSerialPorts(const QString &sysfsRoot = QStringLiteral("/sys"));

#ifdef Q_OS_WIN
// Windows: the bus-reported device description of every present USB device.
UsbProductNames readSetupApiUsbProductNames();
#endif

// Splits a device instance id ("USB\\VID_1A86&PID_7523\\5&2E0F&0&1") into vendor and product ids.
bool parseVidPid(const QString &instanceId, quint16 *vendorId, quint16 *productId);
