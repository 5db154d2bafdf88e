// The bootloader upgrade without widgets or ports: states and their names, cutting an image
// into blocks, the progress figure, the image digest, and the device list's rules.
#pragma once

#include "link/portcatalog.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

enum class UpgradeState {
    Idle = 0,
    Connected = 1,
    Erasing = 2,
    Sending = 3,
    FinishedSuccess = 4,
    FinishedFailed = 5,
};

// "Idle" ... "FinishedFailed"; "Unknown" for any other value.
QString upgradeStateName(UpgradeState state);

namespace Upgrade {

// The bootloader takes the image as raw blocks of this size, no framing.
inline constexpr int kBlockSize = 64;
// The bar stays below 100 until the device has had its settling time.
inline constexpr int kProgressBeforeSettled = 99;
// No pedal's flash comes near this, and streaming it at the protocol's 2 kB/s would take
// over eight minutes: a bigger file is not a pedal image.
inline constexpr qint64 kMaxImageBytes = 1024 * 1024;

// The block that starts at `offset`: min(64, size - offset) bytes, empty past the end.
QByteArray blockAt(const QByteArray &image, qint64 offset);

// int(sent / size * 100 + 0.5), never above 99 (an empty image shows 0).
int progressPercent(qint64 bytesSent, qint64 imageSize);

// 32 lower-case hex digits.
QString md5Hex(const QByteArray &image);

struct Validation
{
    bool ok = true;
    QStringList lines; // for the upgrade log, in order
};
// The digest line, and with an expected digest that differs, the mismatch line and false.
Validation validateFirmware(const QByteArray &image, const QString &expectedMd5 = QString());

// ---- device list ----

// Name shown for a port: its USB product name, or "manufacturer description (port)".
QString upgradeDeviceName(const CatalogPort &port, const UsbProductNames &names);

struct DeviceScan
{
    QMap<QString, QString> entries; // name -> port name; a later port wins a shared name
    int count = 0;                  // ports kept, shared names counted each time
};
// Drops ports named after the maker (pedals in normal operation) and nameless ones.
DeviceScan scanUpgradeDevices(const QList<CatalogPort> &ports, const UsbProductNames &names);

struct DeviceListChange
{
    QStringList removed; // old names gone
    QStringList added;   // new names, ascending
    QStringList moved;   // names kept whose port name changed
};
DeviceListChange deviceListChange(const QMap<QString, QString> &before,
                                  const QMap<QString, QString> &now);

} // namespace Upgrade
