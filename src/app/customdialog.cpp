#include "customdialog.h"

#include "common/workahead.h"
#include "editor/configuration.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <QVBoxLayout>

// The pictures are compiled into a static library; nothing else references their object file,
// so the linker would drop it and every ":/" path would come up empty. Registering here ties
// the collection to the window library, which every executable with a window links.
extern int qInitResources_resources();
namespace {
[[maybe_unused]] const int resourcesRegistered = qInitResources_resources();

const char dialogStyle[] = "QDialog { background-color: white; border: 1px solid gray; }"
                           "QLabel { color: black; font-size: 12px; }"
                           "QPushButton { background-color: white; border: 1px solid gray; "
                           "padding: 5px; }";
const char labelStyle[] = "QLabel { font-family: 'Calibri'; font-size: 12pt; }";
const char okButtonStyle[] = "QPushButton {    background-color: white;    border: 1px solid "
                             "gray;    border-radius: 5px;    padding: 5px 20px;    "
                             "font-family: Arial;    font-size: 14px;    color: "
                             "black;}QPushButton:hover {    background-color: lightgray;}";
constexpr QSize logoBox(100, 50);
constexpr QSize okMinimumSize(40, 15);

std::future<QImage> logoAhead;

QImage decodeLogo()
{
    return WorkAhead::decodeScaled(QStringLiteral(":/IMG/label2.png"), logoBox);
}
} // namespace

void CustomDialog::decodeLogoAhead()
{
    logoAhead = WorkAhead::run(decodeLogo);
}

CustomDialog::CustomDialog(QWidget *parent) : QDialog(parent), versionText(QStringLiteral("V4.0.3"))
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint);
    setModal(true);
    setStyleSheet(QString::fromLatin1(dialogStyle));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 40, 10, 10);

    auto addLabel = [this, layout](const QString &name) {
        auto *label = new QLabel(this);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
        return label;
    };

    QLabel *version = addLabel(QStringLiteral("versionLabel"));
    version->setText(QStringLiteral("Versio %1").arg(versionText));
    version->setStyleSheet(QString::fromLatin1(labelStyle));

    QLabel *logo = addLabel(QStringLiteral("logoLabel"));
    logo->setPixmap(QPixmap::fromImage(logoAhead.valid() ? logoAhead.get() : decodeLogo()));

    QLabel *credit = addLabel(QStringLiteral("creditLabel"));
    credit->setTextFormat(Qt::RichText);
    credit->setText(QStringLiteral("Designed and built by <b>Volarix</b><br>"
                                   "for the musicians who play with their feet"));
    credit->setStyleSheet(QString::fromLatin1(labelStyle));

    QLabel *link = addLabel(QStringLiteral("linkLabel"));
    link->setTextFormat(Qt::RichText);
    link->setText(
        QStringLiteral("<a href=\"%1\">www.volarix.example</a>").arg(QLatin1String(kMakerWebsite)));
    link->setStyleSheet(QString::fromLatin1(labelStyle));
    link->setOpenExternalLinks(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    // On the button itself: styled through the box, the button keeps the size it measured
    // before the padding applied, and its text does not fit.
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setMinimumSize(okMinimumSize);
    ok->setStyleSheet(QString::fromLatin1(okButtonStyle));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

void CustomDialog::mousePressEvent(QMouseEvent *event)
{
    dragStartedInStrip = event->button() == Qt::LeftButton && event->pos().y() < titleStripHeight;
    if (!dragStartedInStrip) {
        QDialog::mousePressEvent(event);
        return;
    }
    dragOffset = event->globalPos() - frameGeometry().topLeft();
    event->accept();
}

void CustomDialog::mouseMoveEvent(QMouseEvent *event)
{
    if (dragStartedInStrip && (event->buttons() & Qt::LeftButton) &&
        event->pos().y() < titleStripHeight) {
        move(event->globalPos() - dragOffset);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CustomDialog::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);

    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);

    QLinearGradient strip(0, 0, 0, titleStripHeight);
    strip.setColorAt(0, QColor(Qt::lightGray));
    strip.setColorAt(1, QColor(240, 240, 240));
    painter.fillRect(0, 0, width(), titleStripHeight, strip);

    painter.setPen(QColor(Qt::gray));
    painter.drawLine(0, 0, width(), 0);
    painter.drawLine(0, 0, 0, height() - 1);
    painter.drawLine(width() - 1, 0, width() - 1, height() - 1);

    painter.setPen(QColor(Qt::black));
    painter.setFont(QFont(QStringLiteral("Calibri"), 12));
    painter.drawText(QRect(5, 5, width(), titleStripHeight), Qt::AlignLeft,
                     QStringLiteral("About Tredora"));
}
