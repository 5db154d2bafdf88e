#include "common/pixmapahead.h"

#include "common/workahead.h"

#include <QDateTime>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QPixmapCache>
#include <QVector>

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
    pending() = WorkAhead::run([paths] {
        Decoded decoded;
        for (const QString &path : paths)
            decoded.append({path, QImage(path)});
        return decoded;
    });
}

void cacheDecoded()
{
    if (!pending().valid())
        return;
    for (auto &[path, image] : pending().get()) {
        if (!image.isNull())
            QPixmapCache::insert(cacheKey(path), QPixmap::fromImage(std::move(image)));
    }
}

} // namespace PixmapAhead
