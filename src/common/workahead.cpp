#include "common/workahead.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

namespace WorkAhead {

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
