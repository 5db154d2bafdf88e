// The pedal pictures of the three pedal-type pages: a fixed base drawn over a movable pedal
// top, turned by the live values the monitor routes to the page being edited.
#include "app/widget.h"

#include "common/workahead.h"

#include "monitor/liveframe.h"
#include "monitor/mypixmapitem.h"
#include "monitor/pedalangles.h"
#include "ui_widget.h"

#include <QDebug>
#include <QEasingCurve>
#include <QGraphicsRotation>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPropertyAnimation>
#include <QVBoxLayout>
#include <QVector3D>

#include <utility>

namespace {
// The nominal picture area in scene units; images are scaled into boxes derived from it.
constexpr qreal kPictureWidth = 410.0;
constexpr qreal kPictureHeight = 163.0;
const QSize kBaseBox(328, 130); // 0.8 of the picture area
const QSize kExpressionTopBox(328, 130);
const QSize kHiHatTopBox(360, 138);
const QSize kSwitchTopBox(217, 68);
const QColor kSceneBackground(190, 190, 190, 128);

// Where the pedal top sits: x of its centre, and y of its top edge below the base's height.
const QPointF kExpressionTopAnchor(0.0, 105.0);
const QPointF kHiHatTopAnchor(0.0, 97.0);
const QPointF kSwitchTopAnchor(45.0, 110.0);

constexpr qreal kExpressionPivotX = 0.65;
constexpr qreal kExpressionPivotY = 0.5;
constexpr qreal kHiHatPivotX = 0.88;
constexpr qreal kHiHatPivotY = 0.8;

constexpr qreal kExpressionSceneTop = -48.9;
constexpr qreal kHiHatSceneTop = -32.6;
constexpr qreal kSwitchSceneTop = -35.86;

constexpr int kSwitchProgramChange = 1;
constexpr int kSwitchNote = 2;
constexpr int kModeSingle = 0;
constexpr int kModeReset = 2;

QRectF sceneRectFrom(qreal top)
{
    return QRectF(-kPictureWidth / 2, top, kPictureWidth, kPictureHeight);
}

QGraphicsView *newPictureView(QWidget *container, QGraphicsScene *scene, bool highQuality)
{
    auto *view = new QGraphicsView(scene, container);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPainter::RenderHints hints = QPainter::Antialiasing | QPainter::SmoothPixmapTransform;
    if (highQuality) {
        // A no-op since Qt 5.14; asked for anyway where the turning edges show most.
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        hints |= QPainter::HighQualityAntialiasing;
        QT_WARNING_POP
    }
    view->setRenderHints(hints);
    QLayout *layout = container->layout();
    if (!layout) {
        layout = new QVBoxLayout(container);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    layout->addWidget(view);
    return view;
}

QGraphicsScene *newPictureScene(qreal top, QObject *parent)
{
    auto *scene = new QGraphicsScene(parent);
    scene->setSceneRect(sceneRectFrom(top));
    scene->setBackgroundBrush(QBrush(kSceneBackground, Qt::SolidPattern));
    return scene;
}

// The six layers, each with the box it is shown in; decoded together, ahead of the window.
enum PictureLayer { ExpressionBase, ExpressionTop, HiHatBase, HiHatTop, SwitchBase, SwitchTop };
const struct
{
    const char *path;
    QSize box;
} kPictureLayers[] = {
    {":/IMG/n_ex_xh.png", kBaseBox},       {":/IMG/ext.png", kExpressionTopBox},
    {":/IMG/BgSub_n_ht_xh.png", kBaseBox}, {":/IMG/n_ex_sh.png", kHiHatTopBox},
    {":/IMG/swd.png", kBaseBox},           {":/IMG/n_sw_sh.png", kSwitchTopBox},
};

// Returns the height of the base, or a negative number when it could not be loaded.
qreal addBase(QGraphicsScene *scene, const QPixmap &base)
{
    if (base.isNull())
        return -1;
    QGraphicsPixmapItem *item = scene->addPixmap(base);
    item->setPos(-base.width() / 2.0, 0);
    item->setZValue(1); // the base covers the hinge of the pedal top
    return base.height();
}

MyPixmapItem *addTop(QGraphicsScene *scene, const QPixmap &top, const QPointF &anchor,
                     qreal baseHeight)
{
    if (top.isNull())
        return nullptr;
    auto *item = new MyPixmapItem(top);
    item->setPos(anchor.x() - top.width() / 2.0, anchor.y() - baseHeight);
    item->setZValue(0);
    scene->addItem(item);
    return item;
}

QPointF pivot(const QGraphicsItem *item, qreal x, qreal y)
{
    const QRectF box = item->boundingRect();
    return QPointF(box.width() * x, box.height() * y);
}

// The range of a page: the ordered positions of its min and max selectors.
std::optional<Monitor::ValueRange> rangeOf(const QComboBox *min, const QComboBox *max)
{
    if (!min || !max)
        return std::nullopt;
    return Monitor::orderedRange(min->currentIndex(), max->currentIndex());
}

std::optional<Monitor::ValueRange> expressionRange(const Ui::Widget *ui)
{
    switch (ui->expression_comboBox0->currentIndex()) {
    case 0:
        return rangeOf(ui->expression_cc_comboBox_valmin, ui->expression_cc_comboBox_valmax);
    case 1:
        return rangeOf(ui->expression_note_comboBox_valmin, ui->expression_note_comboBox_valmax);
    case 2:
        return rangeOf(ui->expression_pitch_comboBox_valmin, ui->expression_pitch_comboBox_valmax);
    case 3:
        return rangeOf(ui->expression_ch_comboBox_val1, ui->expression_ch_comboBox_val2);
    default:
        return std::nullopt;
    }
}

std::optional<Monitor::ValueRange> hiHatRange(const Ui::Widget *ui)
{
    switch (ui->hat_comboBox0->currentIndex()) {
    case 0:
        return rangeOf(ui->hat_cc_comboBox_valmin, ui->hat_cc_comboBox_valmax);
    case 1:
        return rangeOf(ui->hat_note_comboBox_valmin, ui->hat_note_comboBox_valmax);
    default:
        return std::nullopt;
    }
}

// The (lo, hi) pair of the Switch event page; lo is absent in "Single" mode and for the
// events without a value range.
std::pair<std::optional<int>, int> switchPair(const Ui::Widget *ui)
{
    const QComboBox *mode = nullptr;
    const QComboBox *min = nullptr;
    const QComboBox *max = nullptr;
    switch (ui->switch_comboBox0->currentIndex()) {
    case 0:
        mode = ui->switch_cc_comboBox_mode;
        min = ui->switch_cc_comboBox_valmin;
        max = ui->switch_cc_comboBox_valmax;
        break;
    case kSwitchProgramChange:
        mode = ui->switch_pc_comboBox_mode;
        min = ui->switch_pc_comboBox_valmin;
        max = ui->switch_pc_comboBox_valmax;
        break;
    case kSwitchNote:
        mode = ui->switch_note_comboBox_mode;
        min = ui->switch_note_comboBox_valmin;
        max = ui->switch_note_comboBox_valmax;
        break;
    default:
        return {std::nullopt, 0};
    }
    if (mode->currentIndex() == kModeSingle)
        return {std::nullopt, 0};
    return {min->currentIndex(), max->currentIndex()};
}
} // namespace

std::future<QVector<QImage>> Widget::decodePedalImagesAhead()
{
    // QImage, unlike QPixmap, may be made on any thread; the resources are read-only.
    return WorkAhead::run([] {
        QVector<QImage> images;
        for (const auto &layer : kPictureLayers)
            images << WorkAhead::decodeScaled(QLatin1String(layer.path), layer.box);
        return images;
    });
}

QPixmap Widget::pedalPicture(int layer)
{
    if (!pedalImagesAhead.valid() && pedalImages.isEmpty())
        pedalImagesAhead = decodePedalImagesAhead();
    if (pedalImagesAhead.valid())
        pedalImages = pedalImagesAhead.get();
    const QImage image = std::exchange(pedalImages[layer], QImage());
    if (image.isNull())
        qDebug() << "pedal picture missing:" << kPictureLayers[layer].path;
    return QPixmap::fromImage(image);
}

void Widget::buildExpressionPicture()
{
    if (!ui->widget_4 || expressionScene)
        return;
    expressionScene = newPictureScene(kExpressionSceneTop, this);
    expressionView = newPictureView(ui->widget_4, expressionScene, true);
    const qreal baseHeight = addBase(expressionScene, pedalPicture(ExpressionBase));
    if (baseHeight < 0)
        return;
    expressionPedalItem =
        addTop(expressionScene, pedalPicture(ExpressionTop), kExpressionTopAnchor, baseHeight);
}

void Widget::buildHiHatPicture()
{
    if (!ui->widget_7 || hiHatScene)
        return;
    hiHatScene = newPictureScene(kHiHatSceneTop, this);
    hiHatView = newPictureView(ui->widget_7, hiHatScene, true);
    const qreal baseHeight = addBase(hiHatScene, pedalPicture(HiHatBase));
    if (baseHeight < 0)
        return;
    hiHatPedalItem = addTop(hiHatScene, pedalPicture(HiHatTop), kHiHatTopAnchor, baseHeight);
    if (!hiHatPedalItem)
        return;
    hiHatPedalItem->setTransformOriginPoint(pivot(hiHatPedalItem, kHiHatPivotX, kHiHatPivotY));
    hiHatPedalItem->setRotation(Monitor::kHiHatRestAngle);
    hiHatPedalItem->setTransformationMode(Qt::SmoothTransformation);
}

void Widget::buildSwitchPicture()
{
    if (!ui->widget_5 || switchScene)
        return;
    switchScene = newPictureScene(kSwitchSceneTop, this);
    switchView = newPictureView(ui->widget_5, switchScene, false);
    const qreal baseHeight = addBase(switchScene, pedalPicture(SwitchBase));
    if (baseHeight < 0)
        return;
    switchPedalItem = addTop(switchScene, pedalPicture(SwitchTop), kSwitchTopAnchor, baseHeight);
    if (!switchPedalItem)
        return;
    const QPointF centre = switchPedalItem->boundingRect().center();
    switchPedalItem->setTransformOriginPoint(centre);
    switchRotation = new QGraphicsRotation(this);
    switchRotation->setAxis(Qt::ZAxis);
    // A listed transformation ignores the item's transform origin, so it gets its own.
    switchRotation->setOrigin(QVector3D(centre));
    switchRotation->setAngle(0);
    switchPedalItem->setTransformations({switchRotation});
}

void Widget::animateExpressionPedal(const QString &value)
{
    if (!expressionPedalItem)
        return;
    const auto range = expressionRange(ui);
    if (!range)
        return;
    const auto angle = Monitor::expressionAngle(Monitor::cellNumber(value), *range);
    if (!angle)
        return;
    expressionPedalItem->setTransformOriginPoint(
        pivot(expressionPedalItem, kExpressionPivotX, kExpressionPivotY));
    expressionPedalItem->setRotation(*angle);
    expressionView->viewport()->update();
    expressionView->raise();
}

void Widget::animateHiHatPedal(const QString &value)
{
    if (!hiHatPedalItem)
        return;
    const auto range = hiHatRange(ui);
    if (!range)
        return;
    const int number = Monitor::cellNumber(value);
    const auto angle = Monitor::hiHatAngle(number, *range);
    if (!angle)
        return;
    if (number == 0) {
        hiHatPedalItem->setRotation(*angle); // back at rest; nothing else changes
        return;
    }
    hiHatPedalItem->setTransformOriginPoint(pivot(hiHatPedalItem, kHiHatPivotX, kHiHatPivotY));
    hiHatPedalItem->setRotation(*angle);
    hiHatView->viewport()->update();
    hiHatView->raise();
}

void Widget::animateSwitchPedal(const QString &value)
{
    if (!switchPedalItem || !switchRotation)
        return;
    auto *animation = new QPropertyAnimation(switchRotation, "angle", switchRotation);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    if (ui->switch_cc_comboBox_mode->currentIndex() == kModeReset) {
        const auto [lo, hi] = switchPair(ui);
        animation->setDuration(Monitor::kSwitchResetMs);
        animation->setStartValue(switchRotation->angle());
        animation->setEndValue(
            static_cast<qreal>(Monitor::switchResetAngle(Monitor::cellNumber(value), lo, hi)));
    } else {
        // Every other case is a tap: the pedal goes down and springs back.
        animation->setDuration(Monitor::kSwitchTapMs);
        animation->setStartValue(static_cast<qreal>(Monitor::kSwitchDownAngle));
        animation->setEndValue(0.0);
    }
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    switchView->raise();
}
