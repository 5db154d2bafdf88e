#include "common/workahead.h"

#include <QCoreApplication>
#include <QMutex>
#include <QThreadPool>

#include <deque>
#include <utility>

namespace WorkAhead {

QImage decodeScaled(const QString &path, const QSize &box)
{
    const QImage image(path);
    if (image.isNull())
        return image;
    return image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

namespace {
// The jobs not yet run, and whether a pool thread is on them.
struct Queue
{
    QMutex mutex;
    std::deque<std::function<void()>> jobs;
    bool running = false;
};

Queue &queue()
{
    static Queue q;
    return q;
}

// Runs the next job, then hands the rest back to the pool, so that one job at a time holds a
// pool thread and Qt's own image work from the GUI thread is never queued behind all of them.
void runNext()
{
    Queue &q = queue();
    std::function<void()> job;
    {
        const QMutexLocker lock(&q.mutex);
        if (q.jobs.empty()) {
            q.running = false;
            return;
        }
        job = std::move(q.jobs.front());
        q.jobs.pop_front();
    }
    job();
    QThreadPool::globalInstance()->start(runNext);
}
} // namespace

void post(std::function<void()> job)
{
    // On a thread of Qt's global pool, Qt scales and converts pictures on that thread; from any
    // other thread it spreads the work over new pool threads, which then compete with the GUI
    // thread for the cores.
    if (!QCoreApplication::instance()) {
        job(); // no application yet: nothing to overlap with
        return;
    }
    Queue &q = queue();
    bool idle = false;
    {
        const QMutexLocker lock(&q.mutex);
        q.jobs.push_back(std::move(job));
        idle = !std::exchange(q.running, true);
    }
    if (idle)
        QThreadPool::globalInstance()->start(runNext);
}

} // namespace WorkAhead
