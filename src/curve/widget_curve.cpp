// The window's side of the curve editor: a fresh plot per rebuild from the page's selectors, and
// the dragged values written back into those selectors.
#include "app/widget.h"

#include "curve/mycustomplot.h"
#include "ui_widget.h"

#include <QComboBox>
#include <QDebug>
#include <QVBoxLayout>

namespace {

constexpr int kValueOffset = 50; // gain and curve selectors: index 50 is 0
constexpr int kCurveIndexTop = 100;
constexpr int kSevenBitValues = 128;
constexpr int kPitchBendPage = 2;
constexpr int kHatNotePage = 1;

struct CurveSelectors
{
    QComboBox *min;
    QComboBox *max;
    QComboBox *gain;
    QComboBox *curve;
};

CurveSelectors expressionSelectors(const Ui::Widget *ui)
{
    switch (ui->expression_comboBox0->currentIndex()) {
    case 1:
        return {ui->expression_note_comboBox_valmin, ui->expression_note_comboBox_valmax,
                ui->expression_note_comboBox_gain, ui->expression_note_comboBox_ql};
    case kPitchBendPage:
        return {ui->expression_pitch_comboBox_valmin, ui->expression_pitch_comboBox_valmax,
                ui->expression_pitch_comboBox_gain, ui->expression_pitch_comboBox_ql};
    case 3:
        return {ui->expression_ch_comboBox_val1, ui->expression_ch_comboBox_val2,
                ui->expression_ch_comboBox_gain, ui->expression_ch_comboBox_ql};
    default:
        return {ui->expression_cc_comboBox_valmin, ui->expression_cc_comboBox_valmax,
                ui->expression_cc_comboBox_gain, ui->expression_cc_comboBox_ql};
    }
}

CurveSelectors hatSelectors(const Ui::Widget *ui)
{
    if (ui->hat_comboBox0->currentIndex() == kHatNotePage)
        return {ui->hat_note_comboBox_valmin, ui->hat_note_comboBox_valmax,
                ui->hat_note_comboBox_gain, ui->hat_note_comboBox_ql};
    return {ui->hat_cc_comboBox_valmin, ui->hat_cc_comboBox_valmax, ui->hat_cc_comboBox_gain,
            ui->hat_cc_comboBox_ql};
}

bool expressionOnPitchBend(const Ui::Widget *ui)
{
    return ui->expression_comboBox0->currentIndex() == kPitchBendPage;
}

void setupFromSelectors(MyCustomPlot *plot, const CurveSelectors &page, double rangeDivisor)
{
    plot->setupCurve(
        page.min->currentIndex() / rangeDivisor, page.max->currentIndex() / rangeDivisor,
        page.gain->currentIndex() - kValueOffset, page.curve->currentIndex() - kValueOffset);
}

// The plot's place in its container; its appearance follows each setup.
void installPlot(QWidget *container, MyCustomPlot *plot)
{
    auto *layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(plot);
    plot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    plot->setMouseTracking(true);
    plot->setFocusPolicy(Qt::StrongFocus);
}

void copySelectorsToPlot(MyCustomPlot *plot, const CurveSelectors &page)
{
    plot->gain = page.gain->currentIndex() - kValueOffset;
    plot->max = page.max->currentIndex();
    plot->min = page.min->currentIndex();
    plot->cgain = page.curve->currentIndex() - kValueOffset;
    plot->recomputeCurve();
}

void selectCurveIndex(QComboBox *curve, int cgain)
{
    const int index = cgain + kValueOffset;
    if (index >= 0 && index <= kCurveIndexTop)
        curve->setCurrentIndex(index);
}

} // namespace

MyCustomPlot *Widget::replaceCurvePlot(QWidget *container, bool hiHat)
{
    if (QLayout *old = container->layout()) {
        while (QLayoutItem *item = old->takeAt(0)) {
            if (QWidget *widget = item->widget()) {
                auto *plot = qobject_cast<MyCustomPlot *>(widget);
                if (plot && plot->dragging()) {
                    // Its release will never come: the drag ends with the plot. It may also be
                    // the one emitting right now, so it goes once its event is done.
                    curveDragActive = false;
                    widget->hide();
                    widget->setParent(nullptr);
                    widget->deleteLater();
                } else {
                    delete widget;
                }
            }
            delete item;
        }
        delete old;
    }

    auto *plot = new MyCustomPlot(container);
    plot->setObjectName(hiHat ? QStringLiteral("hatCurvePlot")
                              : QStringLiteral("expressionCurvePlot"));
    if (hiHat)
        connect(plot, &MyCustomPlot::update_max_min_gain, this, &Widget::rec_max_min_gain_hat);
    else
        connect(plot, &MyCustomPlot::update_max_min_gain, this, &Widget::rec_max_min_gain);
    connect(plot, &MyCustomPlot::crical_is_move, this, &Widget::moveflagchange);
    connect(plot, &MyCustomPlot::circleCoordinatesUpdated, this, &Widget::drawCirclesOnWidget);
    return plot;
}

MyCustomPlot *Widget::curvePlotToBuild(QWidget *container, MyCustomPlot *current, bool hiHat)
{
    // While the window is built its lists fill one by one and every fill asks for a new plot,
    // which nobody can see or hold yet: the first one is set up afresh in place instead.
    if (reuseCurvePlots && current) {
        current->fourteenBit = false; // as a new plot starts
        return current;
    }
    MyCustomPlot *plot = replaceCurvePlot(container, hiHat);
    installPlot(container, plot);
    return plot;
}

void Widget::rebuildExpressionCurve()
{
    const bool pitchBend = expressionOnPitchBend(ui);
    expressionPlot = curvePlotToBuild(ui->widget_13, expressionPlot, false);
    setupFromSelectors(expressionPlot, expressionSelectors(ui),
                       pitchBend ? ResponseCurve::kFourteenBitFactor : 1.0);
    expressionPlot->applyAppearance();
    expressionPlot->fourteenBit = pitchBend;
}

void Widget::rebuildHiHatCurve()
{
    hatPlot = curvePlotToBuild(ui->widget_14, hatPlot, true);
    setupFromSelectors(hatPlot, hatSelectors(ui), 1.0);
    hatPlot->applyAppearance();
}

void Widget::redrawExpressionCurve()
{
    if (!expressionPlot)
        rebuildExpressionCurve();
    curveBuilt = true;
    expressionPlot->recomputeCurve();
}

void Widget::redrawHiHatCurve()
{
    if (!hatPlot)
        rebuildHiHatCurve();
    hatCurveBuilt = true;
    hatPlot->recomputeCurve();
}

void Widget::refreshCurveFromSelectors()
{
    if (!curveBuilt || !expressionPlot || expressionPlot->dragging())
        return;
    switch (currentPedalType()) {
    case 1:
        copySelectorsToPlot(expressionPlot, expressionSelectors(ui));
        break;
    case 3:
        if (hatPlot)
            copySelectorsToPlot(hatPlot, hatSelectors(ui));
        break;
    default:
        break;
    }
}

void Widget::rec_max_min_gain(int max, int min, int gain, int cgain)
{
    Q_UNUSED(gain)
    const CurveSelectors page = expressionSelectors(ui);
    page.max->setCurrentIndex(max);
    page.min->setCurrentIndex(min);
    selectCurveIndex(page.curve, cgain);
}

void Widget::rec_max_min_gain_hat(int max, int min, int gain, int cgain)
{
    Q_UNUSED(gain)
    const CurveSelectors page = hatSelectors(ui);
    // Compared unsigned: a -1 from an out-of-range drag is no value.
    if (static_cast<unsigned>(max) < kSevenBitValues)
        page.max->setCurrentIndex(max);
    if (static_cast<unsigned>(min) < kSevenBitValues)
        page.min->setCurrentIndex(min);
    selectCurveIndex(page.curve, cgain);
}

void Widget::moveflagchange(bool flag)
{
    curveDragActive = flag;
}

void Widget::drawCirclesOnWidget(QPoint startCoord, QPoint endCoord)
{
    QWidget *area = ui->widget_8;
    if (!area) {
        qDebug() << "no curve area, handle positions not kept";
        return;
    }
    curveStartPoint = area->mapFromGlobal(startCoord);
    curveEndPoint = area->mapFromGlobal(endCoord);
    if (area->isVisible())
        area->update();
    else
        qDebug() << "curve area not shown, handle positions not repainted";
}

int Widget::expressionSaturationPercent(const Ui::Widget *form, int fallback)
{
    // Only the current plot is a child: a replaced one is deleted or detached at once.
    const auto *plot =
        form->widget_13->findChild<MyCustomPlot *>(QString(), Qt::FindDirectChildrenOnly);
    return plot ? plot->saturationPercent : fallback;
}
