// Pictures that style sheets and forms load by file name, decoded on the worker while the
// application starts and handed to Qt's pixmap cache before the first widget asks for them.
#pragma once

#include <QString>
#include <QStringList>

namespace PixmapAhead {

// Starts decoding the files on the worker.
void decode(const QStringList &paths);

// Puts the decoded pictures where QPixmap::load looks first, waiting for the worker if it has
// not finished. A file that did not decode is left to Qt to load as usual.
void cacheDecoded();

// The key under which QPixmap::load caches a file, made as Qt makes it. Should Qt ever change
// its recipe, the pictures are simply decoded again where they are loaded.
QString cacheKey(const QString &path);

} // namespace PixmapAhead
