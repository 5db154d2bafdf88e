#include "common/workahead.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

namespace WorkAhead {

QImage decodeScaled(const QString &path, const QSize &box)
{
    const QImage image(path);
    if (image.isNull())
        return image;
    return image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void post(std::function<void()> job)
{
    // Owned by the application object, which waits for its jobs when it goes.
    static QPointer<QThreadPool> worker;
    if (!worker && QCoreApplication::instance()) {
        worker = new QThreadPool(QCoreApplication::instance());
        worker->setMaxThreadCount(1);
    }
    if (worker)
        worker->start(std::move(job));
    else
        job(); // no application yet: nothing to overlap with
}

} // namespace WorkAhead
