#include "link/usbnames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <unistd.h>
#endif

namespace {

// sysfs attribute files are tiny; anything larger is not what we expect there.
constexpr qint64 kMaxAttributeSize = 4096;

bool readAttribute(const QString &path, QString *value)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.read(kMaxAttributeSize);
    if (bytes.isEmpty() && file.error() != QFileDevice::NoError)
        return false;
    *value = QString::fromUtf8(bytes).trimmed();
    return true;
}

bool readHexId(const QString &path, quint16 *id)
{
    QString text;
    if (!readAttribute(path, &text) || text.isEmpty())
        return false;
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    if (!ok || value > 0xFFFF)
        return false;
    *id = quint16(value);
    return true;
}

#ifdef Q_OS_UNIX
// Plain readdir: QDir's listing stats every entry, and the port list is read every second.
QStringList directoryEntries(const QString &path)
{
    QStringList entries;
    DIR *dir = ::opendir(QFile::encodeName(path).constData());
    if (!dir)
        return entries;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            entries << QFile::decodeName(entry->d_name);
    }
    ::closedir(dir);
    return entries;
}

QString linkTarget(const QString &path)
{
    char target[4096];
    const ssize_t length =
        ::readlink(QFile::encodeName(path).constData(), target, sizeof target - 1);
    return length > 0 ? QFile::decodeName(QByteArray(target, int(length))) : QString();
}
#endif

} // namespace

QList<CatalogPort> readSysfsUsbSerialPorts(const QString &sysfsRoot)
{
    QMap<QString, CatalogPort> ports; // by place in the device tree, the order udev reports
#ifdef Q_OS_UNIX
    const QString classDir = sysfsRoot + QStringLiteral("/class/tty");
    const QString devicesDir = QDir::cleanPath(sysfsRoot + QStringLiteral("/devices"));
    for (const QString &name : directoryEntries(classDir)) {
        // Each entry links to the tty's place in the device tree; virtual terminals and
        // pseudo-terminals live under devices/virtual, with no device of their own.
        const QString target = linkTarget(classDir + QLatin1Char('/') + name);
        if (target.isEmpty())
            continue;
        const QString place = QDir::cleanPath(
            QDir::isAbsolutePath(target) ? target : classDir + QLatin1Char('/') + target);
        if (!place.startsWith(devicesDir + QLatin1Char('/')) ||
            place.startsWith(devicesDir + QStringLiteral("/virtual/")))
            continue;
        // The USB device is the nearest ancestor with the ids: the interface's parent for
        // ttyACM, one level further up for the usb-serial ports.
        for (QString dir = QFileInfo(place).path(); dir.startsWith(devicesDir + QLatin1Char('/'));
             dir = QFileInfo(dir).path()) {
            CatalogPort port;
            if (!readHexId(dir + QStringLiteral("/idVendor"), &port.vendorId))
                continue;
            if (!readHexId(dir + QStringLiteral("/idProduct"), &port.productId))
                break;
            port.hasUsbIds = true;
            port.portName = name;
            port.location = QStringLiteral("/dev/") + name;
            readAttribute(dir + QStringLiteral("/product"), &port.description);
            readAttribute(dir + QStringLiteral("/manufacturer"), &port.manufacturer);
            readAttribute(dir + QStringLiteral("/serial"), &port.serialNumber);
            ports.insert(place, port);
            break;
        }
    }
#else
    Q_UNUSED(sysfsRoot)
#endif
    return ports.values();
}

UsbProductNames readSysfsUsbProductNames(const QString &sysfsDevices)
{
    UsbProductNames names;
    QDir dir(sysfsDevices);
    // Sorted by name so that "first device wins" is the same on every refresh.
    const QStringList entries =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    for (const QString &entry : entries) {
        const QString base = dir.filePath(entry);
        quint16 vendorId = 0;
        quint16 productId = 0;
        QString product;
        if (!readHexId(base + QStringLiteral("/idVendor"), &vendorId) ||
            !readHexId(base + QStringLiteral("/idProduct"), &productId) ||
            !readAttribute(base + QStringLiteral("/product"), &product) || product.isEmpty())
            continue;
        const UsbKey key(productId, vendorId);
        if (!names.contains(key))
            names.insert(key, product);
    }
    return names;
}

bool parseVidPid(const QString &instanceId, quint16 *vendorId, quint16 *productId)
{
    static const QRegularExpression separators(QStringLiteral("[\\\\#&]"));
    bool haveVendor = false;
    bool haveProduct = false;
    const QStringList tokens = instanceId.split(separators, Qt::SkipEmptyParts);
    for (const QString &full : tokens) {
        const QString token = full.left(200);
        bool ok = false;
        if (token.startsWith(QLatin1String("VID_"))) {
            const uint v = token.mid(4).toUInt(&ok, 16);
            if (ok && v <= 0xFFFF) {
                *vendorId = quint16(v);
                haveVendor = true;
            }
        } else if (token.startsWith(QLatin1String("PID_"))) {
            const uint v = token.mid(4).toUInt(&ok, 16);
            if (ok && v <= 0xFFFF) {
                *productId = quint16(v);
                haveProduct = true;
            }
        }
    }
    return haveVendor && haveProduct;
}

#ifdef Q_OS_WIN
#include "link/setupapi_devices.h"

UsbProductNames readSetupApiUsbProductNames()
{
    UsbProductNames names;
    for (const UsbDeviceDescription &device : enumerateUsbDeviceDescriptions()) {
        quint16 vendorId = 0;
        quint16 productId = 0;
        if (!parseVidPid(QString::fromStdWString(device.instanceId), &vendorId, &productId))
            continue;
        const UsbKey key(productId, vendorId);
        if (!names.contains(key))
            names.insert(key, QString::fromStdWString(device.description));
    }
    return names;
}
#endif
