// USB product strings per (product id, vendor id), from the platform's device list.
#pragma once

#include "portcatalog.h"

// Linux: every USB device directory below `sysfsDevices` that has idVendor, idProduct and
// product files; the first device with a given key wins.
UsbProductNames
readSysfsUsbProductNames(const QString &sysfsDevices = QStringLiteral("/sys/bus/usb/devices"));

// Linux: the serial ports of the USB devices below `sysfsRoot`, with the names, identifiers
// and strings QSerialPortInfo reports for them, in the same device-tree order; read straight
// from sysfs in a hundred-odd system calls where the udev walk takes thousands (about 12 ms).
// Ports of other buses are left out, as they are never listed.
QList<CatalogPort> readSysfsUsbSerialPorts(const QString &sysfsRoot = QStringLiteral("/sys"));

#ifdef Q_OS_WIN
// Windows: the bus-reported device description of every present USB device.
UsbProductNames readSetupApiUsbProductNames();
#endif

// Splits a device instance id ("USB\\VID_1A86&PID_7523\\5&2E0F&0&1") into vendor and product ids.
bool parseVidPid(const QString &instanceId, quint16 *vendorId, quint16 *productId);
