// Pictures that style sheets and forms load by file name, decoded on the worker while the
// application starts and handed to Qt's pixmap cache before the first widget asks for them.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace PixmapAhead {

// Starts decoding the files on the worker.
void decode(const QStringList &paths);

// Puts the decoded pictures where QPixmap::load looks first, waiting for the worker if it has
// not finished. A file that did not decode is left to Qt to load as usual.
void cacheDecoded();

// While it lives, the decoded pictures are cached just before the first widget whose own style
// sheet names one of them is polished, the moment Qt would load it; whatever is left is cached
// when it goes. Caching as late as that gives the worker time to finish: its thread may take
// milliseconds to start while the application is made.
class CacheWhenNamed : public QObject
{
public:
    CacheWhenNamed();
    ~CacheWhenNamed() override;
    CacheWhenNamed(const CacheWhenNamed &) = delete;
    CacheWhenNamed &operator=(const CacheWhenNamed &) = delete;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// The key under which QPixmap::load caches a file, made as Qt makes it. Should Qt ever change
// its recipe, the pictures are simply decoded again where they are loaded.
QString cacheKey(const QString &path);

} // namespace PixmapAhead
