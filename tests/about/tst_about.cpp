// The About dialog, and the pictures the resource collection must carry for the window.
#include "app/customdialog.h"
#include "promptscript.h"
#include "testdir.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

const QString calibriStyle = QStringLiteral("QLabel { font-family: 'Calibri'; font-size: 12pt; }");

// Stands in for the desktop's browser.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void openUrl(const QUrl &url) { opened << url; }
};

void sendMouse(QWidget *w, QEvent::Type type, const QPoint &local, Qt::MouseButton button,
               Qt::MouseButtons held)
{
    QMouseEvent event(type, local, w->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

bool near(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

QImage scaledInto(const QString &path, const QSize &box)
{
    return QPixmap(path).scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation).toImage();
}

int alphaAt(const QImage &image, const QPointF &local)
{
    const QPoint p(int(local.x()), int(local.y()));
    if (!image.rect().contains(p))
        return 0;
    return qAlpha(image.pixel(p));
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void init() { workDir.reset(new ScopedWorkingDir); }
    void cleanup() { workDir.reset(); }

    void contentAndStyle();
    void linkOpensInBrowser();
    void dragging_data();
    void dragging();
    void okClosesModalRunAccepted();
    void okTextFitsItsButton();
    void paintedTitleStrip();
    void pictures_data();
    void pictures();
    void pedalLayers_data();
    void pedalLayers();

private:
    QScopedPointer<ScopedWorkingDir> workDir;
};

void TestAbout::contentAndStyle()
{
    PromptScript script;
    QWidget owner;
    CustomDialog dialog(&owner);

    QCOMPARE(dialog.versionText, QStringLiteral("V4.0.3"));
    QCOMPARE(dialog.dragOffset, QPoint(0, 0));
    QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(dialog.windowFlags().testFlag(Qt::CustomizeWindowHint));
    QVERIFY(dialog.windowFlags().testFlag(Qt::WindowTitleHint));
    QCOMPARE(dialog.windowType(), Qt::Dialog);
    QVERIFY(dialog.isModal());
    QCOMPARE(dialog.parentWidget(), &owner);
    QCOMPARE(dialog.styleSheet(),
             QStringLiteral("QDialog { background-color: white; border: 1px solid gray; }"
                            "QLabel { color: black; font-size: 12px; }"
                            "QPushButton { background-color: white; border: 1px solid gray; "
                            "padding: 5px; }"));
    QVERIFY(dialog.layout());
    QCOMPARE(dialog.layout()->contentsMargins(), QMargins(10, 40, 10, 10));

    auto *version = dialog.findChild<QLabel *>(QStringLiteral("versionLabel"));
    auto *logo = dialog.findChild<QLabel *>(QStringLiteral("logoLabel"));
    auto *credit = dialog.findChild<QLabel *>(QStringLiteral("creditLabel"));
    auto *link = dialog.findChild<QLabel *>(QStringLiteral("linkLabel"));
    auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QVERIFY(version && logo && credit && link && buttons);

    // Top to bottom in this order, all centred.
    const QList<QWidget *> order{version, logo, credit, link, buttons};
    for (int i = 0; i < order.size(); ++i)
        QCOMPARE(dialog.layout()->indexOf(order.at(i)), i);
    for (QLabel *label : {version, logo, credit, link})
        QCOMPARE(label->alignment(), Qt::Alignment(Qt::AlignCenter));

    // "Versio", not "Version".
    QCOMPARE(version->text(), QStringLiteral("Versio V4.0.3"));
    QCOMPARE(version->styleSheet(), calibriStyle);

    const QPixmap logoPicture = logo->pixmap(Qt::ReturnByValue);
    QVERIFY(!logoPicture.isNull());
    QVERIFY(logoPicture.width() <= 100 && logoPicture.height() <= 50);
    QVERIFY(logoPicture.width() == 100 || logoPicture.height() == 50);

    QCOMPARE(credit->textFormat(), Qt::RichText);
    QVERIFY(credit->text().contains(QStringLiteral("Volarix")));
    QCOMPARE(credit->text().count(QStringLiteral("<br>")), 1);
    QCOMPARE(credit->styleSheet(), calibriStyle);

    QVERIFY(link->openExternalLinks());
    QVERIFY(link->text().contains(QStringLiteral("href=\"https://www.volarix.example\"")));
    QCOMPARE(link->styleSheet(), calibriStyle);

    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::StandardButtons(QDialogButtonBox::Ok));
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    QVERIFY(ok);
    QCOMPARE(ok->minimumSize(), QSize(40, 15));
    QCOMPARE(ok->styleSheet(),
             QStringLiteral("QPushButton {    background-color: white;    border: 1px solid "
                            "gray;    border-radius: 5px;    padding: 5px 20px;    font-family: "
                            "Arial;    font-size: 14px;    color: black;}QPushButton:hover {    "
                            "background-color: lightgray;}"));
    QCOMPARE(script.unexpected, 0);
}

void TestAbout::linkOpensInBrowser()
{
    UrlRecorder browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "openUrl");
    CustomDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *link = dialog.findChild<QLabel *>(QStringLiteral("linkLabel"));
    QVERIFY(link);
    QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, link->rect().center());
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(browser.opened, QList<QUrl>{QUrl(QStringLiteral("https://www.volarix.example"))});
    dialog.reject();
}

void TestAbout::dragging_data()
{
    QTest::addColumn<QPoint>("pressAt"); // dialog coordinates
    QTest::addColumn<int>("button");
    QTest::addColumn<QList<QPoint>>("cursorSteps"); // cursor travel since the press
    QTest::addColumn<QPoint>("expectedShift");

    QTest::newRow("move within strip follows cursor")
        << QPoint(50, 10) << int(Qt::LeftButton) << QList<QPoint>{{15, 5}} << QPoint(15, 5);
    QTest::newRow("several moves keep the grab point")
        << QPoint(50, 10) << int(Qt::LeftButton) << QList<QPoint>{{15, 5}, {30, -3}, {-40, 12}}
        << QPoint(-40, 12);
    QTest::newRow("press on last strip row")
        << QPoint(80, 29) << int(Qt::LeftButton) << QList<QPoint>{{-20, -10}} << QPoint(-20, -10);
    QTest::newRow("press at y 30 starts no drag")
        << QPoint(50, 30) << int(Qt::LeftButton) << QList<QPoint>{{10, -15}} << QPoint(0, 0);
    QTest::newRow("move below strip does not move")
        << QPoint(50, 10) << int(Qt::LeftButton) << QList<QPoint>{{0, 35}} << QPoint(0, 0);
    QTest::newRow("drag resumes when cursor returns to strip")
        << QPoint(50, 10) << int(Qt::LeftButton) << QList<QPoint>{{0, 35}, {20, 10}}
        << QPoint(20, 10);
    QTest::newRow("right button does not drag")
        << QPoint(50, 10) << int(Qt::RightButton) << QList<QPoint>{{15, 5}} << QPoint(0, 0);
    // Regression: a press in the body and a move up into the strip used to jump the dialog
    // to the cursor with whatever offset the last drag had left behind.
    QTest::newRow("press in body then move into strip")
        << QPoint(50, 60) << int(Qt::LeftButton) << QList<QPoint>{{5, -50}} << QPoint(0, 0);
}

void TestAbout::dragging()
{
    QFETCH(QPoint, pressAt);
    QFETCH(int, button);
    QFETCH(QList<QPoint>, cursorSteps);
    QFETCH(QPoint, expectedShift);

    CustomDialog dialog;
    dialog.resize(260, 220);
    dialog.move(200, 150);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();
    const auto held = Qt::MouseButtons(button);

    const QPoint pressGlobal = dialog.mapToGlobal(pressAt);
    sendMouse(&dialog, QEvent::MouseButtonPress, pressAt, Qt::MouseButton(button), held);
    if (pressAt.y() < CustomDialog::titleStripHeight && button == Qt::LeftButton)
        QCOMPARE(dialog.dragOffset, pressGlobal - dialog.frameGeometry().topLeft());
    else
        QCOMPARE(dialog.dragOffset, QPoint(0, 0));

    for (const QPoint &step : cursorSteps) {
        const QPoint cursor = pressGlobal + step;
        QMouseEvent move(QEvent::MouseMove, dialog.mapFromGlobal(cursor), cursor, Qt::NoButton,
                         held, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &move);
    }
    QTRY_COMPARE(dialog.pos(), start + expectedShift);
    sendMouse(&dialog, QEvent::MouseButtonRelease, dialog.mapFromGlobal(pressGlobal),
              Qt::MouseButton(button), Qt::NoButton);
}

void TestAbout::okClosesModalRunAccepted()
{
    PromptScript script;
    QWidget owner;
    CustomDialog dialog(&owner);
    bool wasModal = false;
    bool clicked = false;
    QTimer::singleShot(0, &dialog, [&] {
        wasModal = QApplication::activeModalWidget() == &dialog;
        auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QPushButton *ok = buttons ? buttons->button(QDialogButtonBox::Ok) : nullptr;
        if (ok) {
            QTest::mouseClick(ok, Qt::LeftButton);
            clicked = true;
        }
        if (dialog.isVisible())
            dialog.reject(); // never leave the run hanging
    });
    const int result = dialog.exec();
    QVERIFY(clicked);
    QVERIFY(wasModal);
    QCOMPARE(result, int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());

    // Built once, run again: it still answers.
    QTimer::singleShot(0, &dialog, [&] { dialog.accept(); });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(script.unexpected, 0);
}

void TestAbout::okTextFitsItsButton()
{
    // The button's own style: 20 px padding left and right, 5 px top and bottom, 1 px border.
    constexpr int sidePadding = 20 + 1;
    constexpr int topPadding = 5 + 1;
    QWidget owner;
    CustomDialog dialog(&owner);
    QTimer::singleShot(0, &dialog, [&] { dialog.accept(); }); // once shown and laid out
    dialog.exec();
    auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QPushButton *ok = buttons ? buttons->button(QDialogButtonBox::Ok) : nullptr;
    QVERIFY(ok);
    QCOMPARE(ok->text().remove(QLatin1Char('&')), QStringLiteral("OK"));
    // The font its style asks for, not the dialog's.
    QCOMPARE(ok->font().pixelSize(), 14);
    const QFontMetrics metrics(ok->font());
    const QRect room =
        ok->contentsRect().adjusted(sidePadding, topPadding, -sidePadding, -topPadding);
    QVERIFY2(metrics.horizontalAdvance(ok->text()) <= room.width() &&
                 metrics.height() <= room.height(),
             qPrintable(QStringLiteral("%1 x %2 button, text %3 x %4")
                            .arg(ok->width())
                            .arg(ok->height())
                            .arg(metrics.horizontalAdvance(ok->text()))
                            .arg(metrics.height())));
}

void TestAbout::paintedTitleStrip()
{
    CustomDialog dialog;
    dialog.adjustSize(); // the layout decides the size, as it does when the dialog is shown
    QImage image(dialog.size(), QImage::Format_ARGB32);
    image.fill(Qt::red);
    dialog.render(&image);

    const int x = dialog.width() - 12; // clear of the title text
    QVERIFY2(near(image.pixelColor(x, 1), QColor(Qt::lightGray), 6),
             qPrintable(image.pixelColor(x, 1).name()));
    QVERIFY2(near(image.pixelColor(x, 28), QColor(240, 240, 240), 5),
             qPrintable(image.pixelColor(x, 28).name()));
    // The gradient runs downwards, lighter at the bottom.
    QVERIFY(image.pixelColor(x, 28).red() > image.pixelColor(x, 1).red() + 30);

    // Grey edges: top, left and right.
    for (const QPoint &edge : {QPoint(x, 0), QPoint(0, 120), QPoint(dialog.width() - 1, 120)})
        QVERIFY2(near(image.pixelColor(edge), QColor(Qt::gray), 40),
                 qPrintable(image.pixelColor(edge).name()));

    // White body under the strip.
    for (const QPoint &body : {QPoint(4, 35), QPoint(4, dialog.height() - 5), QPoint(x, 34)})
        QVERIFY2(near(image.pixelColor(body), Qt::white, 2),
                 qPrintable(image.pixelColor(body).name()));

    // The title is drawn in black at the left of the strip, nowhere near the right end.
    int darkInTitle = 0;
    for (int yy = 5; yy < 30; ++yy)
        for (int xx = 5; xx < 130; ++xx)
            darkInTitle += image.pixelColor(xx, yy).lightness() < 80;
    QVERIFY(darkInTitle > 20);
    for (int yy = 2; yy < 29; ++yy)
        QVERIFY(image.pixelColor(x, yy).lightness() > 150);
}

void TestAbout::pictures_data()
{
    // Each picture scaled into the box the window uses must come out at the size its
    // placement was drawn for.
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("box");
    QTest::addColumn<QSize>("scaled");

    QTest::newRow("expression housing")
        << ":/IMG/n_ex_xh.png" << QSize(328, 130) << QSize(328, 110);
    QTest::newRow("expression footplate") << ":/IMG/ext.png" << QSize(328, 130) << QSize(328, 100);
    QTest::newRow("hi-hat frame") << ":/IMG/BgSub_n_ht_xh.png" << QSize(328, 130)
                                  << QSize(328, 120);
    QTest::newRow("hi-hat footboard") << ":/IMG/n_ex_sh.png" << QSize(360, 138) << QSize(360, 138);
    QTest::newRow("switch housing") << ":/IMG/swd.png" << QSize(328, 130) << QSize(328, 120);
    QTest::newRow("switch treadle") << ":/IMG/n_sw_sh.png" << QSize(217, 68) << QSize(217, 68);
    QTest::newRow("curve backdrop") << ":/IMG/bd5.png" << QSize(180, 180) << QSize(180, 180);
    QTest::newRow("window mark") << ":/IMG/label.png" << QSize(110, 500) << QSize(110, 40);
    QTest::newRow("about logo") << ":/IMG/label2.png" << QSize(100, 50) << QSize(100, 50);
    QTest::newRow("window icon") << ":/ico.png" << QSize(64, 64) << QSize(64, 64);
}

void TestAbout::pictures()
{
    QFETCH(QString, path);
    QFETCH(QSize, box);
    QFETCH(QSize, scaled);

    const QPixmap picture(path);
    QVERIFY2(!picture.isNull(), qPrintable(path));
    QCOMPARE(picture.size().scaled(box, Qt::KeepAspectRatio), scaled);
    // Rendered at least at the size shown, so nothing is blown up on screen.
    QVERIFY(picture.width() >= scaled.width() && picture.height() >= scaled.height());
    // Layers over the grey scene, and marks over the dark theme, need transparent corners.
    QVERIFY(picture.hasAlphaChannel());
    QCOMPARE(qAlpha(picture.toImage().pixel(0, 0)), 0);
    QVERIFY(QFileInfo(path).size() < 200 * 1024);
}

void TestAbout::pedalLayers_data()
{
    // The base is drawn over the pedal top, so the top must show through it somewhere, and the
    // point the window turns the top about must lie on the drawn hinge.
    QTest::addColumn<QString>("basePath");
    QTest::addColumn<QString>("topPath");
    QTest::addColumn<QSize>("topBox");
    QTest::addColumn<QPointF>("topAnchor");    // top-left = (anchor.x - w/2, anchor.y - h_base)
    QTest::addColumn<QPointF>("visiblePoint"); // scene point on the pedal top
    QTest::addColumn<QPointF>("hinge");        // fraction of the top's box

    QTest::newRow("expression") << ":/IMG/n_ex_xh.png"
                                << ":/IMG/ext.png" << QSize(328, 130) << QPointF(0, 105)
                                << QPointF(-104, 37) << QPointF(0.65, 0.5);
    QTest::newRow("hi-hat") << ":/IMG/BgSub_n_ht_xh.png"
                            << ":/IMG/n_ex_sh.png" << QSize(360, 138) << QPointF(0, 97)
                            << QPointF(-10, 57) << QPointF(0.88, 0.8);
    QTest::newRow("switch") << ":/IMG/swd.png"
                            << ":/IMG/n_sw_sh.png" << QSize(217, 68) << QPointF(45, 110)
                            << QPointF(-3.5, 20) << QPointF(0.5, 0.5);
}

void TestAbout::pedalLayers()
{
    QFETCH(QString, basePath);
    QFETCH(QString, topPath);
    QFETCH(QSize, topBox);
    QFETCH(QPointF, topAnchor);
    QFETCH(QPointF, visiblePoint);
    QFETCH(QPointF, hinge);

    const QImage base = scaledInto(basePath, QSize(328, 130));
    const QImage top = scaledInto(topPath, topBox);
    QVERIFY(!base.isNull() && !top.isNull());
    const QPointF basePos(-base.width() / 2.0, 0);
    const QPointF topPos(topAnchor.x() - top.width() / 2.0, topAnchor.y() - base.height());

    QCOMPARE(alphaAt(top, visiblePoint - topPos), 255);
    QCOMPARE(alphaAt(base, visiblePoint - basePos), 0);
    QCOMPARE(alphaAt(top, QPointF(hinge.x() * top.width(), hinge.y() * top.height())), 255);
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
