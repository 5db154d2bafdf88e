// How long the curve editor takes for what a drag repeats on every mouse move: one computation
// of the 500 points, the plot's recomputation with its labels, and a whole drag step in the
// window (move event, recomputation, selectors following, the queued replot drawn). Each is
// set against one 60 Hz frame; the figures are reported, never judged.
#include "app/stylesheet.h"
#include "app/widget.h"
#include "curve/mycustomplot.h"
#include "curve/responsecurve.h"
#include "ui_widget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr double kFrameMs = 1000.0 / 60.0;
constexpr double kComputeGoalMs = 0.1;
constexpr double kDragGoalMs = 4.0;

struct Figures
{
    double median;
    double worst;
};

Figures measure(int rounds, const std::function<void(int)> &step)
{
    step(-1); // the first run pays for fonts, layouts and lazily built lists
    std::vector<double> times;
    times.reserve(static_cast<size_t>(rounds));
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        step(i);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

void report(QTextStream &out, const QString &what, const Figures &f, double goal)
{
    out << QStringLiteral("  %1: median %2 ms, worst %3 ms (goal %4 ms; one 60 Hz frame: %5 ms, "
                          "%6 steps per frame)\n")
               .arg(what)
               .arg(f.median, 0, 'f', 4)
               .arg(f.worst, 0, 'f', 4)
               .arg(goal, 0, 'f', 1)
               .arg(kFrameMs, 0, 'f', 1)
               .arg(f.median > 0 ? kFrameMs / f.median : 0, 0, 'f', 0);
}

void sendMove(QWidget *widget, const QPoint &pos)
{
    QMouseEvent event(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setStyleSheet(applicationStyleSheet());
    QTemporaryDir dir; // the window reads and writes ./config.ini
    QDir::setCurrent(dir.path());
    QTextStream out(stdout);

    // Alternating inputs, so that no run finds the previous one's answer.
    const ResponseCurve::Input positive{0, 127, 20, 30, false, ResponseCurve::kPointCount};
    const ResponseCurve::Input negative{10, 100, -20, -30, false, ResponseCurve::kPointCount};
    double sink = 0;
    const Figures compute = measure(2001, [&](int i) {
        sink += ResponseCurve::compute(i % 2 ? positive : negative).values[250];
    });

    Widget window;
    window.setExtendedEditorVisible(true);
    window.show();
    for (int i = 0; i < 20; ++i)
        app.processEvents();
    MyCustomPlot *plot = window.expressionCurvePlot();
    plot->replot();

    const Figures recompute = measure(501, [&](int i) {
        plot->cgain = i % 2 ? 30 : -30;
        plot->recomputeCurve();
    });

    // Hold the Curve handle and move it up and down: every step recomputes and repaints.
    plot->recomputeCurve();
    plot->replot();
    const QPointF centre = (plot->curveHandle->topLeft->pixelPosition() +
                            plot->curveHandle->bottomRight->pixelPosition()) /
                           2;
    const QPoint press = centre.toPoint();
    QMouseEvent down(QEvent::MouseButtonPress, press, plot->mapToGlobal(press), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(plot, &down);
    const int low = int(plot->yAxis->coordToPixel(40));
    const int high = int(plot->yAxis->coordToPixel(90));
    const Figures drag = measure(301, [&](int i) {
        sendMove(plot, QPoint(press.x(), i % 2 ? low : high));
        app.processEvents(); // the queued replot draws the layers
        plot->repaint();     // and the buffer reaches the (offscreen) window
    });
    QMouseEvent up(QEvent::MouseButtonRelease, press, plot->mapToGlobal(press), Qt::LeftButton,
                   Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(plot, &up);

    out << "Curve editor (" << ResponseCurve::kPointCount << " points, plot " << plot->width()
        << " x " << plot->height() << " px, offscreen)\n";
    report(out, QStringLiteral("curve computation"), compute, kComputeGoalMs);
    report(out, QStringLiteral("plot recomputation with labels"), recompute, kComputeGoalMs);
    report(out, QStringLiteral("drag step (move, recomputation, replot)"), drag, kDragGoalMs);
    out << QStringLiteral("  (the curve selector followed the drag to %1; checksum %2)\n")
               .arg(window.form()->expression_cc_comboBox_ql->currentText())
               .arg(sink, 0, 'f', 0);
    return 0;
}
