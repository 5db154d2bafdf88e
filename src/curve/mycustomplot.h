// The response plot of the Expression and Hi-Hat pages: draws the computed curve and lets the
// user drag its MIN, MAX and Curve handles, reporting the new values back to the window.
#pragma once

#include "curve/responsecurve.h"

#include <QPoint>
#include <QVector>
#include <qcustomplot.h>

class MyCustomPlot : public QCustomPlot
{
    Q_OBJECT

public:
    explicit MyCustomPlot(QWidget *parent = nullptr);

    void setupCurve(double min, double max, double gain, double cgain);
    void recomputeCurve();
    // Backgrounds, axes, grid, pens and antialiasing of the finished plot.
    void applyAppearance();

    enum class Label { Max, MaxValue, Min, MinValue, Curve, CurveValue };
    QCPItemText *label(Label which) const;
    QString labelText(Label which) const;
    const ResponseCurve::Result &lastCurve() const { return curve; }
    bool dragging() const { return draggingMin || draggingMax || draggingCurve; }

    // The window and the range rules set these, then call recomputeCurve().
    QCPItemRect *minHandle = nullptr;
    QCPItemRect *maxHandle = nullptr;
    QCPItemRect *curveHandle = nullptr;
    bool draggingMin = false;
    bool draggingMax = false;
    bool draggingCurve = false;
    double min = 0;
    double max = ResponseCurve::kSevenBitTop;
    double gain = 0;
    qint32 saturationPercent = 100;
    double cgain = 0;
    bool fourteenBit = false;
    QVector<double> curveKeys;
    QVector<double> curveValues;
    int pointCount = ResponseCurve::kPointCount;

signals:
    void update_max_min_gain(int max, int min, int gain, int cgain);
    void crical_is_move(bool flag);
    void circleCoordinatesUpdated(QPoint startCoord, QPoint endCoord);

protected:
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void replotWhenVisible();
    void createHandles();
    void placeHandlesAndLabels();
    QCPItemText *addLabel(const QString &text, double x, double y);
    void moveHandleCentre(QCPItemRect *handle, double y);
    void reportDrag();

    ResponseCurve::Result curve;
    QCPItemText *labels[6] = {};
    bool replotOnShow = false; // set while hidden: drawn when shown
};
