// Drawing and dragging of the response curve. The values are recomputed on every move of a held
// handle; the replot is queued so that a burst of moves costs one repaint.
#include "curve/mycustomplot.h"

#include <QCoreApplication>
#include <QMouseEvent>

#include <algorithm>

namespace {

constexpr double kXAxisTop = 1.0;
constexpr double kYAxisTop = 151.0; // room above 127 for the MAX label
constexpr double kHandleWidth = 0.2;
constexpr double kHandleHeight = 12.7;
constexpr double kNameOffset = 20.0;            // "MIN", "MAX", "Curve" above their handle
constexpr double kValueOffset = 6.35;           // the value in the handle's middle
constexpr int kMidPoint = 250;                  // where the Curve handle sits
constexpr double kHitDistance = 10.0;           // pixels
constexpr double kCurvePerUnit = 100.0 / 127.0; // 0 … 127 on the plot is curve -50 … 50
constexpr int kCurveOffset = 50;
constexpr int kGainLimit = 50;
constexpr int kNotAValue = -1; // what an out-of-range drag reports

const QColor kAxisColor(55, 43, 35);
const QColor kCurveColor(255, 165, 0);
const QColor kHandleFill(173, 216, 230, 128);
const QColor kHandleOutline(128, 128, 128);
constexpr int kTickLabelPointSize = 10;
constexpr int kLabelPointSize = 9;

QPoint truncated(const QPointF &p)
{
    return QPoint(static_cast<int>(p.x()), static_cast<int>(p.y()));
}

void styleAxis(QCPAxis *axis, double tickStep)
{
    QSharedPointer<QCPAxisTickerFixed> ticker(new QCPAxisTickerFixed);
    ticker->setTickStep(tickStep);
    ticker->setScaleStrategy(QCPAxisTickerFixed::ssNone);
    axis->setTicker(ticker);
    axis->setTickLength(0, 0);
    axis->setSubTickLength(0, 0);
    axis->setSubTicks(false);
    axis->setTickLabelColor(Qt::black);
    QFont font = axis->tickLabelFont();
    font.setPointSize(kTickLabelPointSize);
    axis->setTickLabelFont(font);
    QPen pen(kAxisColor, 3);
    pen.setCosmetic(true);
    axis->setBasePen(pen);
}

} // namespace

MyCustomPlot::MyCustomPlot(QWidget *parent) : QCustomPlot(parent)
{
    // QCustomPlot has queued its first replot, the only call posted to it so far. The window's
    // plots start on hidden rows: each is drawn once it is shown, not in the first frame.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    mReplotQueued = false;
    replotWhenVisible();
}

void MyCustomPlot::setupCurve(double newMin, double newMax, double newGain, double newCgain)
{
    min = newMin;
    max = newMax;
    gain = newGain;
    cgain = newCgain;
    clearPlottables();
    QCPGraph *graph = addGraph();
    graph->setPen(QPen(kCurveColor, 2));
    graph->setAntialiased(true);
    createHandles();
    xAxis->setRange(0, kXAxisTop);
    yAxis->setRange(0, kYAxisTop);
    recomputeCurve();
}

void MyCustomPlot::createHandles()
{
    for (QCPItemRect **handle : {&minHandle, &maxHandle, &curveHandle}) {
        if (*handle)
            continue;
        *handle = new QCPItemRect(this);
        (*handle)->setBrush(kHandleFill);
        (*handle)->setPen(QPen(kHandleOutline, 0));
    }
}

void MyCustomPlot::applyAppearance()
{
    setBackground(Qt::transparent);
    axisRect()->setBackground(Qt::transparent);
    axisRect()->setAutoMargins(QCP::msNone);
    axisRect()->setMargins(QMargins(0, 0, 0, 0));
    xAxis->setRange(0, kXAxisTop);
    yAxis->setRange(0, kYAxisTop);
    styleAxis(xAxis, 1);
    styleAxis(yAxis, ResponseCurve::kSevenBitTop);
    xAxis->grid()->setPen(QPen(Qt::gray, 1));
    xAxis->grid()->setVisible(true);
    yAxis->grid()->setVisible(false);
    if (QCPGraph *curveGraph = graph()) {
        curveGraph->setPen(QPen(kCurveColor, 2));
        curveGraph->setAntialiased(true);
    }
    setAntialiasedElements(QCP::aeAll);
}

void MyCustomPlot::recomputeCurve()
{
    ResponseCurve::Input input;
    input.min = min;
    input.max = max;
    input.gain = gain;
    input.cgain = cgain;
    input.fourteenBit = fourteenBit;
    input.pointCount = pointCount;
    curve = ResponseCurve::compute(input);
    min = curve.min;
    max = curve.max;
    saturationPercent = curve.saturationPercent;

    curveKeys.resize(static_cast<int>(curve.keys.size()));
    curveValues.resize(static_cast<int>(curve.values.size()));
    std::copy(curve.keys.begin(), curve.keys.end(), curveKeys.begin());
    std::copy(curve.values.begin(), curve.values.end(), curveValues.begin());
    if (!graph())
        addGraph()->setPen(QPen(kCurveColor, 2));
    graph()->setData(curveKeys, curveValues, true);
    yAxis->setRange(0, kYAxisTop);
    yAxis->grid()->setVisible(false);

    for (int i = itemCount() - 1; i >= 0; --i) {
        if (qobject_cast<QCPItemText *>(item(i)))
            removeItem(i);
    }
    std::fill(std::begin(labels), std::end(labels), nullptr);
    createHandles();
    placeHandlesAndLabels();
    replotWhenVisible();
}

void MyCustomPlot::replotWhenVisible()
{
    // A plot on a page not shown, or in a window not shown yet, would be drawn for nothing.
    if (isVisible())
        replot(rpQueuedReplot);
    else
        replotOnShow = true;
}

void MyCustomPlot::showEvent(QShowEvent *event)
{
    QCustomPlot::showEvent(event);
    if (replotOnShow) {
        replotOnShow = false;
        replot(); // now, so that the first frame that shows the plot has it drawn
    }
}

QCPItemText *MyCustomPlot::addLabel(const QString &text, double x, double y)
{
    auto *label = new QCPItemText(this);
    label->setText(text);
    label->setFont(QFont(QStringLiteral("Arial"), kLabelPointSize));
    label->setColor(Qt::black);
    label->setPositionAlignment(Qt::AlignCenter);
    label->position->setCoords(x, y);
    return label;
}

void MyCustomPlot::placeHandlesAndLabels()
{
    if (curveValues.isEmpty())
        return;
    const double maxY = std::min(max, curveValues.last());
    const double x0 = curveKeys.first();
    const double y0 = curveValues.first();
    const int mid = std::min(kMidPoint, curveValues.size() - 1);
    const double xm = curveKeys.at(mid);
    const double ym = curveValues.at(mid);

    maxHandle->topLeft->setCoords(1.0, maxY);
    maxHandle->bottomRight->setCoords(1.0 - kHandleWidth, maxY + kHandleHeight);
    labels[int(Label::Max)] = addLabel(QStringLiteral("MAX"), 0.9, maxY + kNameOffset);
    labels[int(Label::MaxValue)] =
        addLabel(QString::number(curve.maxLabel), 0.9, maxY + kValueOffset);

    minHandle->topLeft->setCoords(x0, y0);
    minHandle->bottomRight->setCoords(x0 + kHandleWidth, y0 + kHandleHeight);
    labels[int(Label::Min)] = addLabel(QStringLiteral("MIN"), x0 + 0.1, y0 + kNameOffset);
    labels[int(Label::MinValue)] =
        addLabel(QString::number(curve.minLabel), x0 + 0.1, y0 + kValueOffset);

    curveHandle->topLeft->setCoords(xm - kHandleWidth / 2, ym);
    curveHandle->bottomRight->setCoords(xm + kHandleWidth / 2, ym + kHandleHeight);
    labels[int(Label::Curve)] = addLabel(QStringLiteral("Curve"), xm, ym + kNameOffset);
    labels[int(Label::CurveValue)] =
        addLabel(QString::number(curve.curveLabel), xm, ym + kValueOffset);
}

QCPItemText *MyCustomPlot::label(Label which) const
{
    return labels[int(which)];
}

QString MyCustomPlot::labelText(Label which) const
{
    const QCPItemText *item = label(which);
    return item ? item->text() : QString();
}

void MyCustomPlot::moveHandleCentre(QCPItemRect *handle, double y)
{
    const double top = handle->topLeft->coords().y();
    const double bottom = handle->bottomRight->coords().y();
    const double half = (bottom - top) / 2;
    handle->topLeft->setCoords(handle->topLeft->coords().x(), y - half);
    handle->bottomRight->setCoords(handle->bottomRight->coords().x(), y + half);
}

void MyCustomPlot::mousePressEvent(QMouseEvent *event)
{
    const QPointF pos = event->pos();
    const std::pair<QCPItemRect *, bool *> handles[] = {
        {minHandle, &draggingMin}, {maxHandle, &draggingMax}, {curveHandle, &draggingCurve}};
    for (const auto &[handle, flag] : handles) {
        if (!handle)
            continue;
        // Inside a filled rectangle counts as a hit at less than the selection tolerance.
        const double distance = handle->selectTest(pos, false);
        if (distance >= 0 && distance < kHitDistance) {
            *flag = true;
            break;
        }
    }
    QCustomPlot::mousePressEvent(event);
}

void MyCustomPlot::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragging()) {
        QCustomPlot::mouseMoveEvent(event);
        return;
    }
    const double y = std::clamp(yAxis->pixelToCoord(event->pos().y()), 0.0,
                                static_cast<double>(ResponseCurve::kSevenBitTop));
    const double factor = ResponseCurve::kFourteenBitFactor;
    if (draggingMin) {
        // A minimum above the maximum is no range: the handle stays where the curve is.
        if (y > max)
            return;
        moveHandleCentre(minHandle, y);
        if (fourteenBit) {
            min = y * factor;
            max *= factor;
        } else {
            min = y;
        }
    } else if (draggingMax) {
        if (min > y)
            return;
        moveHandleCentre(maxHandle, y);
        if (fourteenBit) {
            max = y * factor;
            min *= factor;
        } else {
            max = y;
        }
    } else {
        moveHandleCentre(curveHandle, y);
        if (fourteenBit) {
            if (max <= ResponseCurve::kSevenBitTop)
                max *= factor;
            if (min <= ResponseCurve::kSevenBitTop)
                min *= factor;
        }
        cgain = y * kCurvePerUnit - kCurveOffset;
    }
    recomputeCurve();
    replot(rpQueuedReplot);
    reportDrag();
    QCustomPlot::mouseMoveEvent(event);
}

void MyCustomPlot::reportDrag()
{
    emit circleCoordinatesUpdated(truncated(minHandle->topLeft->pixelPosition()),
                                  truncated(maxHandle->topLeft->pixelPosition()));
    emit crical_is_move(true);
    if (fourteenBit) {
        const int factor = static_cast<int>(ResponseCurve::kFourteenBitFactor);
        emit update_max_min_gain(static_cast<int>(max) * factor, static_cast<int>(min) * factor,
                                 static_cast<int>(gain), static_cast<int>(cgain));
    } else {
        const auto outside = [](double v, double low, double high) { return v < low || v > high; };
        if (outside(max, 0, ResponseCurve::kSevenBitTop))
            max = kNotAValue;
        if (outside(min, 0, ResponseCurve::kSevenBitTop))
            min = kNotAValue;
        if (outside(gain, -kGainLimit, kGainLimit))
            gain = kNotAValue;
        emit update_max_min_gain(static_cast<int>(max), static_cast<int>(min),
                                 static_cast<int>(gain), static_cast<int>(cgain));
    }
    emit crical_is_move(true);
}

void MyCustomPlot::mouseReleaseEvent(QMouseEvent *event)
{
    draggingMin = false;
    draggingMax = false;
    draggingCurve = false;
    QCustomPlot::mouseReleaseEvent(event);
    emit crical_is_move(false);
}
