// Both start-up programs end the same way: when the window's first frame has been painted,
// they print that moment on the monotonic clock, which the timing process shares, and quit.
// What the process does after its window is on screen is not the user's wait.
#pragma once

#include "monotonic.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

class FirstFrame : public QObject
{
public:
    explicit FirstFrame(QWidget *window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen) {
            seen = true;
            // Runs once the whole paint pass, children and flush included, is done.
            QTimer::singleShot(0, watched, [] {
                std::printf("shown %lld\n", monotonicNanoseconds());
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen = false;
};
