// Waiting in tests without fixed sleeps: on what the code has already queued, or, for what
// must not happen, on the thing itself for a bounded window.
#pragma once

#include <QObject>
#include <QTest>
#include <QTimer>

// Runs the event loop until all work queued for its next turn has run: posted events and
// zero-delay single shots, such as the result boxes posted after a device reply.
inline bool drainQueuedWork(int timeoutMs = 2000)
{
    QObject context;
    bool reached = false;
    QTimer::singleShot(0, &context, [&reached] { reached = true; });
    return QTest::qWaitFor([&reached] { return reached; }, timeoutMs);
}

// True when `happened` stays false for the whole window; false as soon as it turns true.
template<typename Condition> bool staysFalse(Condition happened, int windowMs)
{
    return !QTest::qWaitFor(happened, windowMs);
}
