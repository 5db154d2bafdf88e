// Slow start-up work (picture files, list entries) runs on a worker while the GUI thread builds
// the window: one job at a time, on a thread of Qt's global pool, so that it never takes the
// GUI thread's core.
#pragma once

#include <QImage>

#include <functional>
#include <future>
#include <memory>
#include <type_traits>

namespace WorkAhead {

// A picture file decoded and scaled into box, keeping its aspect ratio, ready to become a
// pixmap. Unlike a QPixmap, it may be made on the worker.
QImage decodeScaled(const QString &path, const QSize &box);

// Runs the jobs one after another, in the order given, on the worker. The application object
// waits for them when it goes.
void post(std::function<void()> job);

// The job's result, to be taken with get() where it is needed.
template<typename Job> std::future<std::invoke_result_t<Job>> run(Job job)
{
    using Result = std::invoke_result_t<Job>;
    auto task = std::make_shared<std::packaged_task<Result()>>(std::move(job));
    std::future<Result> result = task->get_future();
    post([task] { (*task)(); });
    return result;
}

} // namespace WorkAhead
