#include "common/pixmapahead.h"

#include "common/workahead.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QPixmapCache>
#include <QVector>
#include <QWidget>

#include <future>
#include <utility>

namespace PixmapAhead {
namespace {

using Decoded = QVector<QPair<QString, QImage>>;

std::future<Decoded> &pending()
{
    static std::future<Decoded> decoded;
    return decoded;
}

// The files being decoded, until they are cached.
QStringList &pendingPaths()
{
    static QStringList paths;
    return paths;
}

// Qt spells each number byte by byte in memory order, the low nibble first.
template<typename Number> void appendHex(QString &key, Number number)
{
    static const char digits[] = "0123456789abcdef";
    const auto *bytes = reinterpret_cast<const unsigned char *>(&number);
    for (size_t i = 0; i < sizeof number; ++i) {
        key += QLatin1Char(digits[bytes[i] & 0xf]);
        key += QLatin1Char(digits[bytes[i] >> 4]);
    }
}

// Converted here as QPixmap would convert it on the GUI thread: with alpha to premultiplied
// ARGB32, without to RGB32. Converting an opaque picture to premultiplied changes no bit, and
// on a screen of another format QPixmap still converts it.
QImage inPixmapFormat(const QImage &image)
{
    if (image.isNull())
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

} // namespace

QString cacheKey(const QString &path)
{
    const QFileInfo info(path);
    constexpr uint kPixmapType = 0; // a colour pixmap, not a bitmap
    QString key = QLatin1String("qt_pixmap") + info.absoluteFilePath();
    appendHex(key, uint(info.lastModified().toSecsSinceEpoch()));
    appendHex(key, quint64(info.size()));
    appendHex(key, kPixmapType);
    return key;
}

void decode(const QStringList &paths)
{
    pendingPaths() = paths;
    pending() = WorkAhead::run([paths] {
        Decoded decoded;
        for (const QString &path : paths)
            decoded.append({path, inPixmapFormat(QImage(path))});
        return decoded;
    });
}

void cacheDecoded()
{
    if (!pending().valid())
        return;
    pendingPaths().clear();
    for (auto &[path, image] : pending().get()) {
        if (!image.isNull())
            QPixmapCache::insert(cacheKey(path), QPixmap::fromImage(std::move(image)));
    }
}

CacheWhenNamed::CacheWhenNamed()
{
    if (pending().valid())
        qApp->installEventFilter(this);
}

CacheWhenNamed::~CacheWhenNamed()
{
    qApp->removeEventFilter(this);
    cacheDecoded();
}

bool CacheWhenNamed::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Polish || !watched->isWidgetType())
        return false;
    const QString sheet = static_cast<QWidget *>(watched)->styleSheet();
    for (const QString &path : pendingPaths()) {
        if (sheet.contains(path)) {
            qApp->removeEventFilter(this);
            cacheDecoded();
            break;
        }
    }
    return false;
}

} // namespace PixmapAhead
