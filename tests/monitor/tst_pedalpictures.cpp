// The pedal pictures of the three pages: how each scene is laid out, how the pedal tops turn
// for the values an emulated pedal streams, the switch animations, and pages without
// pictures.
#include "monitor/liveframe.h"
#include "monitor/mypixmapitem.h"
#include "monitorfixture.h"

#include <QElapsedTimer>
#include <QGraphicsRotation>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLayout>
#include <QPropertyAnimation>
#include <QSignalBlocker>
#include <QSignalSpy>

extern int qInitResources_resources();
extern int qCleanupResources_resources();

namespace {
constexpr int kControlChange = 0xB0;
constexpr int kNoteOn = 0x90;
constexpr double kTolerance = 0.01;

QGraphicsView *viewIn(QWidget *container)
{
    return container->findChild<QGraphicsView *>();
}

MyPixmapItem *pedalTop(QWidget *container)
{
    QGraphicsView *view = viewIn(container);
    if (!view || !view->scene())
        return nullptr;
    for (QGraphicsItem *item : view->scene()->items())
        if (auto *top = dynamic_cast<MyPixmapItem *>(item))
            return top;
    return nullptr;
}

QGraphicsPixmapItem *pedalBase(QWidget *container)
{
    QGraphicsView *view = viewIn(container);
    if (!view || !view->scene())
        return nullptr;
    for (QGraphicsItem *item : view->scene()->items())
        if (!dynamic_cast<MyPixmapItem *>(item))
            return qgraphicsitem_cast<QGraphicsPixmapItem *>(item);
    return nullptr;
}

// The animation running on the switch, with its length and curve.
QPropertyAnimation *runningAnimation(QGraphicsRotation *rotation)
{
    for (auto *animation : rotation->findChildren<QPropertyAnimation *>())
        if (animation->state() == QAbstractAnimation::Running)
            return animation;
    return nullptr;
}

QGraphicsRotation *switchRotationOf(Ui::Widget *ui)
{
    MyPixmapItem *top = pedalTop(ui->widget_5);
    if (!top || top->transformations().size() != 1)
        return nullptr;
    return qobject_cast<QGraphicsRotation *>(top->transformations().first());
}

QSize scaledSize(const QString &path, const QSize &box)
{
    return QPixmap(path).size().scaled(box, Qt::KeepAspectRatio);
}

void setBlocked(QComboBox *selector, int index)
{
    const QSignalBlocker blocker(selector);
    selector->setCurrentIndex(index);
}
} // namespace

class TestPedalPictures : public QObject
{
    Q_OBJECT

    EmulatedCatalog *catalog = nullptr;

private slots:
    void init()
    {
        catalog = EmulatedCatalog::installNew();
        Monitor::triggerIgnoreCount() = 0;
    }
    void cleanup() { PortCatalog::install(nullptr); }

    void scenesAreLaidOut_data()
    {
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QSize>("topBox");
        QTest::addColumn<QPointF>("topAnchor");
        QTest::addColumn<qreal>("sceneTop");

        QTest::newRow("expression")
            << "widget_4"
            << ":/IMG/n_ex_xh.png"
            << ":/IMG/ext.png" << QSize(328, 130) << QPointF(0, 105) << -48.9;
        QTest::newRow("hihat") << "widget_7"
                               << ":/IMG/BgSub_n_ht_xh.png"
                               << ":/IMG/n_ex_sh.png" << QSize(360, 138) << QPointF(0, 97) << -32.6;
        QTest::newRow("switch") << "widget_5"
                                << ":/IMG/swd.png"
                                << ":/IMG/n_sw_sh.png" << QSize(217, 68) << QPointF(45, 110)
                                << -35.86;
    }
    void scenesAreLaidOut()
    {
        QFETCH(QString, container);
        QFETCH(QString, base);
        QFETCH(QString, top);
        QFETCH(QSize, topBox);
        QFETCH(QPointF, topAnchor);
        QFETCH(qreal, sceneTop);

        ScopedWorkingDir dir;
        PromptScript script;
        Widget w;
        auto *holder = w.findChild<QWidget *>(container);
        QVERIFY(holder);
        QCOMPARE(holder->findChildren<QGraphicsView *>().size(), 1);
        QGraphicsView *view = viewIn(holder);
        QVERIFY(holder->layout());
        QCOMPARE(holder->layout()->contentsMargins(), QMargins());
        QCOMPARE(view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(view->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(view->renderHints().testFlag(QPainter::Antialiasing));
        QVERIFY(view->renderHints().testFlag(QPainter::SmoothPixmapTransform));

        QGraphicsScene *scene = view->scene();
        QVERIFY(qAbs(scene->sceneRect().top() - sceneTop) < 1e-6);
        QCOMPARE(scene->sceneRect().left(), -205.0);
        QCOMPARE(scene->sceneRect().size(), QSizeF(410, 163));
        QCOMPARE(scene->backgroundBrush().color(), QColor(190, 190, 190, 128));
        QCOMPARE(scene->backgroundBrush().style(), Qt::SolidPattern);
        QCOMPARE(scene->items().size(), 2);

        const QSize baseSize = scaledSize(base, QSize(328, 130));
        const QSize topSize = scaledSize(top, topBox);
        QGraphicsPixmapItem *baseItem = pedalBase(holder);
        MyPixmapItem *topItem = pedalTop(holder);
        QVERIFY(baseItem && topItem);
        QCOMPARE(baseItem->pixmap().size(), baseSize);
        QCOMPARE(baseItem->pos(), QPointF(-baseSize.width() / 2.0, 0));
        QCOMPARE(baseItem->zValue(), 1.0);
        QCOMPARE(topItem->pixmap().size(), topSize);
        QCOMPARE(topItem->pos(),
                 QPointF(topAnchor.x() - topSize.width() / 2.0, topAnchor.y() - baseSize.height()));
        QCOMPARE(topItem->zValue(), 0.0);
        QCOMPARE(script.unexpected, 0);
    }

    void pedalTopsStartAtRest()
    {
        ScopedWorkingDir dir;
        Widget w;
        Ui::Widget *ui = w.form();
        MyPixmapItem *hat = pedalTop(ui->widget_7);
        QVERIFY(hat);
        QCOMPARE(hat->rotation(), 3.0);
        const QRectF box = hat->boundingRect();
        QCOMPARE(hat->transformOriginPoint(), QPointF(0.88 * box.width(), 0.8 * box.height()));
        QCOMPARE(hat->transformationMode(), Qt::SmoothTransformation);

        QCOMPARE(pedalTop(ui->widget_4)->rotation(), 0.0);

        MyPixmapItem *sw = pedalTop(ui->widget_5);
        QCOMPARE(sw->transformOriginPoint(), sw->boundingRect().center());
        QGraphicsRotation *rotation = switchRotationOf(ui);
        QVERIFY(rotation);
        QCOMPARE(rotation->angle(), 0.0);
        QCOMPARE(rotation->axis(), QVector3D(0, 0, 1));
        QCOMPARE(rotation->origin().toPointF(), sw->boundingRect().center());
    }

    void scenesFitTheirViewsWhenShown()
    {
        ScopedWorkingDir dir;
        Widget w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(1100, 820);
        Ui::Widget *ui = w.form();
        QGraphicsView *view = viewIn(ui->widget_4);
        QTRY_VERIFY_WITH_TIMEOUT(!view->transform().isIdentity(), 3000);
        const QRectF shown = view->mapFromScene(view->scene()->sceneRect()).boundingRect();
        const QSize port = view->viewport()->size();
        // fitInView keeps a margin of a few pixels.
        constexpr int kMargin = 6;
        QVERIFY2(qAbs(shown.width() - port.width()) <= kMargin ||
                     qAbs(shown.height() - port.height()) <= kMargin,
                 qPrintable(QStringLiteral("scene shown %1 x %2 in a viewport of %3 x %4")
                                .arg(shown.width())
                                .arg(shown.height())
                                .arg(port.width())
                                .arg(port.height())));
        QVERIFY(shown.width() <= port.width() && shown.height() <= port.height());
    }

    void expressionFollowsTheValue_data()
    {
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("value");
        QTest::addColumn<double>("angle"); // -1: the picture does not move

        QTest::newRow("lower end") << 0 << 127 << 0 << 15.0;
        QTest::newRow("upper end") << 0 << 127 << 127 << 0.0;
        QTest::newRow("middle") << 0 << 127 << 64 << 7.44;
        QTest::newRow("above the range") << 20 << 100 << 127 << 0.0;
        QTest::newRow("below the range") << 20 << 100 << 5 << 15.0;
        QTest::newRow("min equal to max leaves it") << 64 << 64 << 30 << -1.0;
    }
    void expressionFollowsTheValue()
    {
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, value);
        QFETCH(double, angle);
        MonitorFixture f(catalog);
        QVERIFY(f.connectPedal());
        f.ui->expression_cc_comboBox_valmax->setCurrentIndex(max);
        f.ui->expression_cc_comboBox_valmin->setCurrentIndex(min);
        MyPixmapItem *top = pedalTop(f.ui->widget_4);
        top->setRotation(-1);
        f.pedal.sendFrames({liveFrame(0, kControlChange, 11, value)});
        QVERIFY(f.waitForRows(1));
        QVERIFY2(qAbs(top->rotation() - angle) < kTolerance,
                 qPrintable(QString::number(top->rotation())));
        if (angle >= 0) {
            const QRectF box = top->boundingRect();
            QCOMPARE(top->transformOriginPoint(), QPointF(0.65 * box.width(), 0.5 * box.height()));
        }
        // Another message number is listed but leaves the picture.
        top->setRotation(-1);
        f.pedal.sendFrames({liveFrame(1, kControlChange, 11, value)});
        QVERIFY(f.waitForRows(2));
        QCOMPARE(top->rotation(), -1.0);
        QCOMPARE(f.script.unexpected, 0);
    }

    void hiHatFollowsTheValue_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<double>("angle");
        QTest::newRow("value 0 rests at 3") << 0 << 3.0;
        QTest::newRow("value 1") << 1 << -0.039;
        QTest::newRow("value 127") << 127 << -5.0;
    }
    void hiHatFollowsTheValue()
    {
        QFETCH(int, value);
        QFETCH(double, angle);
        MonitorFixture f(catalog);
        QVERIFY(f.connectPedal());
        f.ui->pendal_type_comboBox0->setCurrentIndex(2);
        QCOMPARE(f.ui->hat_comboBox0->currentIndex(), 0);
        MyPixmapItem *top = pedalTop(f.ui->widget_7);
        top->setRotation(-1);
        f.pedal.sendFrames({liveFrame(0, kControlChange, 4, value)});
        QVERIFY(f.waitForRows(1));
        QVERIFY2(qAbs(top->rotation() - angle) < kTolerance,
                 qPrintable(QString::number(top->rotation())));

        // A Note on the CC page is listed and does not move the pedal.
        top->setRotation(-1);
        f.pedal.sendFrames({liveFrame(0, kNoteOn, 60, value)});
        QVERIFY(f.waitForRows(2));
        QCOMPARE(top->rotation(), -1.0);
    }

    void switchTapsInSingleMode()
    {
        MonitorFixture f(catalog);
        QVERIFY(f.connectPedal());
        f.ui->pendal_type_comboBox0->setCurrentIndex(1);
        QCOMPARE(f.ui->switch_cc_comboBox_mode->currentIndex(), 0); // "Single"
        QGraphicsRotation *rotation = switchRotationOf(f.ui);
        QVERIFY(rotation);
        QSignalSpy moves(rotation, &QGraphicsRotation::angleChanged);
        QElapsedTimer clock;
        clock.start();
        // Every message number moves the switch; the value does not matter for a tap.
        f.pedal.sendFrames({liveFrame(7, kControlChange, 64, 0)});
        QTRY_VERIFY_WITH_TIMEOUT(!moves.isEmpty(), 2000);
        QVERIFY(rotation->angle() > 4);
        QPropertyAnimation *tap = runningAnimation(rotation);
        QVERIFY(tap);
        QCOMPARE(tap->duration(), 400);
        QCOMPARE(tap->startValue().toReal(), 8.0);
        QCOMPARE(tap->endValue().toReal(), 0.0);
        QCOMPARE(tap->easingCurve().type(), QEasingCurve::InOutQuad);
        QTRY_COMPARE_WITH_TIMEOUT(rotation->angle(), 0.0, 3000);
        QVERIFY2(clock.elapsed() >= 380, qPrintable(QString::number(clock.elapsed())));
    }

    void switchResetMovesToTheTarget_data()
    {
        QTest::addColumn<int>("event");    // position of switch_comboBox0
        QTest::addColumn<int>("pageMode"); // the event page's mode
        QTest::addColumn<int>("value");
        QTest::addColumn<double>("target");

        QTest::newRow("cc reset, value at max goes down") << 0 << 2 << 127 << 8.0;
        QTest::newRow("cc reset, value at min goes up") << 0 << 2 << 0 << 0.0;
        QTest::newRow("note page in single mode goes down") << 2 << 0 << 0 << 8.0;
        QTest::newRow("note page in reset mode follows the value") << 2 << 2 << 0 << 0.0;
    }
    void switchResetMovesToTheTarget()
    {
        QFETCH(int, event);
        QFETCH(int, pageMode);
        QFETCH(int, value);
        QFETCH(double, target);
        MonitorFixture f(catalog);
        QVERIFY(f.connectPedal());
        Ui::Widget *ui = f.ui;
        ui->pendal_type_comboBox0->setCurrentIndex(1);
        ui->switch_comboBox0->setCurrentIndex(event);
        // The page modes are set apart from each other, without the editor keeping them in step.
        setBlocked(ui->switch_cc_comboBox_mode, 2); // "Reset"
        if (event == 2)
            setBlocked(ui->switch_note_comboBox_mode, pageMode);
        QGraphicsRotation *rotation = switchRotationOf(ui);
        QVERIFY(rotation);
        rotation->setAngle(4);
        QList<qreal> angles; // angleChanged carries no value
        connect(rotation, &QGraphicsRotation::angleChanged, this,
                [&] { angles << rotation->angle(); });
        QElapsedTimer clock;
        clock.start();
        f.pedal.sendFrames({liveFrame(0, event == 2 ? kNoteOn : kControlChange, 64, value)});
        QTRY_VERIFY_WITH_TIMEOUT(!angles.isEmpty(), 2000);
        QPropertyAnimation *move = runningAnimation(rotation);
        QVERIFY(move);
        QCOMPARE(move->duration(), 150);
        QCOMPARE(move->startValue().toReal(), 4.0);
        QCOMPARE(move->endValue().toReal(), target);
        QCOMPARE(move->easingCurve().type(), QEasingCurve::InOutQuad);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(rotation->angle() - target) < kTolerance, 2000);
        QVERIFY2(clock.elapsed() >= 140, qPrintable(QString::number(clock.elapsed())));
        // Deleted when stopped.
        QTRY_VERIFY_WITH_TIMEOUT(rotation->findChildren<QPropertyAnimation *>().isEmpty(), 2000);
        // It went straight there from where it was, never through the tap's 8-to-0 swing.
        for (const qreal a : qAsConst(angles))
            QVERIFY2(a >= qMin(4.0, target) - kTolerance && a <= qMax(4.0, target) + kTolerance,
                     qPrintable(QString::number(a)));
    }

    void transportTapsTheSwitchOnEveryPage_data()
    {
        QTest::addColumn<int>("pedalType");
        QTest::newRow("expression page") << 0;
        QTest::newRow("switch page") << 1;
        QTest::newRow("hihat page") << 2;
    }
    void transportTapsTheSwitchOnEveryPage()
    {
        QFETCH(int, pedalType);
        MonitorFixture f(catalog);
        QVERIFY(f.connectPedal());
        f.ui->pendal_type_comboBox0->setCurrentIndex(pedalType);
        f.ui->Message_Number->setCurrentIndex(4);
        QGraphicsRotation *rotation = switchRotationOf(f.ui);
        QVERIFY(rotation);
        QSignalSpy moves(rotation, &QGraphicsRotation::angleChanged);

        // Tempo, and a Start of another message number, are listed without moving it.
        f.pedal.sendFrames({liveFrame(4, 0xF8), liveFrame(3, 0xFA)});
        QVERIFY(f.waitForRows(2));
        QVERIFY(moves.isEmpty());

        f.pedal.sendFrames({liveFrame(4, 0xFA)});
        QVERIFY(f.waitForRows(3));
        QTRY_VERIFY_WITH_TIMEOUT(!moves.isEmpty(), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(rotation->angle(), 0.0, 3000);
        QCOMPARE(MonitorFixture::rowTexts(f.ui->tableView, 2),
                 QStringList({"Start", "--", "--", "--"}));
    }

    void missingPicturesLeaveThePagesEmpty()
    {
        qCleanupResources_resources();
        {
            MonitorFixture f(catalog);
            QVERIFY(f.connectPedal());
            for (QWidget *holder : {f.ui->widget_4, f.ui->widget_5, f.ui->widget_7}) {
                QGraphicsView *view = viewIn(holder);
                QVERIFY(view && view->scene());
                QVERIFY(view->scene()->items().isEmpty());
            }
            // Values routed to every picture are listed and change nothing else.
            f.pedal.sendFrames({liveFrame(0, kControlChange, 11, 64), liveFrame(0, 0xFA)});
            QVERIFY(f.waitForRows(2));
            f.ui->pendal_type_comboBox0->setCurrentIndex(2);
            f.pedal.sendFrames({liveFrame(0, kControlChange, 4, 64)});
            QVERIFY(f.waitForRows(3));
            f.ui->pendal_type_comboBox0->setCurrentIndex(1);
            f.pedal.sendFrames({liveFrame(0, kControlChange, 4, 64)});
            QVERIFY(f.waitForRows(4));
            QCOMPARE(f.script.unexpected, 0);
            QVERIFY(f.script.boxes.isEmpty());
        }
        qInitResources_resources();
    }
};

QTEST_MAIN(TestPedalPictures)
#include "tst_pedalpictures.moc"
