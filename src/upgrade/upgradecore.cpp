#include "upgrade/upgradecore.h"

#include <QCryptographicHash>

#include <cmath>

QString upgradeStateName(UpgradeState state)
{
    switch (state) {
    case UpgradeState::Idle:
        return QStringLiteral("Idle");
    case UpgradeState::Connected:
        return QStringLiteral("Connected");
    case UpgradeState::Erasing:
        return QStringLiteral("Erasing");
    case UpgradeState::Sending:
        return QStringLiteral("Sending");
    case UpgradeState::FinishedSuccess:
        return QStringLiteral("FinishedSuccess");
    case UpgradeState::FinishedFailed:
        return QStringLiteral("FinishedFailed");
    }
    return QStringLiteral("Unknown");
}

namespace Upgrade {

QByteArray blockAt(const QByteArray &image, qint64 offset)
{
    if (offset < 0 || offset >= image.size())
        return QByteArray();
    return image.mid(int(offset), int(qMin<qint64>(kBlockSize, image.size() - offset)));
}

int progressPercent(qint64 bytesSent, qint64 imageSize)
{
    if (imageSize <= 0)
        return 0;
    const double percent = double(bytesSent) / double(imageSize) * 100.0 + 0.5;
    return qMin(kProgressBeforeSettled, int(std::floor(percent)));
}

QString md5Hex(const QByteArray &image)
{
    return QString::fromLatin1(QCryptographicHash::hash(image, QCryptographicHash::Md5).toHex());
}

Validation validateFirmware(const QByteArray &image, const QString &expectedMd5)
{
    Validation result;
    const QString digest = md5Hex(image);
    result.lines << QStringLiteral("Firmware MD5: %1").arg(digest);
    if (!expectedMd5.isEmpty() && expectedMd5 != digest) {
        result.ok = false;
        result.lines << QStringLiteral("<font color=\"red\">MD5 mismatch! Expected: %1</font>")
                            .arg(expectedMd5);
    }
    return result;
}

QString upgradeDeviceName(const CatalogPort &port, const UsbProductNames &names)
{
    if (port.hasUsbIds) {
        const auto it = names.constFind(UsbKey(port.productId, port.vendorId));
        if (it != names.constEnd())
            return it.value();
    }
    return (port.manufacturer + QLatin1Char(' ') + port.description + QStringLiteral(" (") +
            port.portName + QLatin1Char(')'))
        .simplified();
}

DeviceScan scanUpgradeDevices(const QList<CatalogPort> &ports, const UsbProductNames &names)
{
    DeviceScan scan;
    for (const CatalogPort &port : ports) {
        const QString name = upgradeDeviceName(port, names);
        if (name.isEmpty() || name.contains(QLatin1String("Volarix")))
            continue;
        scan.entries.insert(name, port.portName);
        ++scan.count;
    }
    return scan;
}

DeviceListChange deviceListChange(const QMap<QString, QString> &before,
                                  const QMap<QString, QString> &now)
{
    DeviceListChange change;
    for (auto it = before.constBegin(); it != before.constEnd(); ++it) {
        const auto found = now.constFind(it.key());
        if (found == now.constEnd())
            change.removed << it.key();
        else if (found.value() != it.value())
            change.moved << it.key();
    }
    // QMap iterates in ascending key order.
    for (auto it = now.constBegin(); it != now.constEnd(); ++it)
        if (!before.contains(it.key()))
            change.added << it.key();
    return change;
}

} // namespace Upgrade
