// Drives a curve plot the way a mouse does: events at the pixel positions the plot's own
// coordinate conversion gives for its handles and values.
#pragma once

#include "curve/mycustomplot.h"

#include <QApplication>
#include <QMouseEvent>

namespace PlotDrive {

inline QPoint centreOf(const QCPItemRect *handle)
{
    return ((handle->topLeft->pixelPosition() + handle->bottomRight->pixelPosition()) / 2)
        .toPoint();
}

inline void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &pos,
                      Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Truncating the pixel never lands below the value asked for (less than one pixel above it).
inline int pixelY(const MyCustomPlot *plot, double y)
{
    return int(plot->yAxis->coordToPixel(y));
}

inline void press(MyCustomPlot *plot, const QCPItemRect *handle)
{
    sendMouse(plot, QEvent::MouseButtonPress, centreOf(handle), Qt::LeftButton);
}

inline void moveTo(MyCustomPlot *plot, int x, double y)
{
    sendMouse(plot, QEvent::MouseMove, QPoint(x, pixelY(plot, y)), Qt::LeftButton);
    plot->replot();
}

// Press on the handle and move it to plot value y; the button stays held.
inline void drag(MyCustomPlot *plot, const QCPItemRect *handle, double y)
{
    const QPoint from = centreOf(handle);
    press(plot, handle);
    moveTo(plot, from.x(), y);
}

inline void release(MyCustomPlot *plot)
{
    sendMouse(plot, QEvent::MouseButtonRelease, QPoint(1, 1), Qt::NoButton);
}

// The top of the plot, above 127: a drag there is clamped to 127.
inline void moveToTop(MyCustomPlot *plot, int x)
{
    sendMouse(plot, QEvent::MouseMove, QPoint(x, 1), Qt::LeftButton);
    plot->replot();
}

} // namespace PlotDrive
