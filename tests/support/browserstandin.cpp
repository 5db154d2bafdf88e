#include "browserstandin.h"

#include <QDesktopServices>
#include <QLabel>
#include <QTest>

BrowserStandIn::BrowserStandIn()
{
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
}

BrowserStandIn::~BrowserStandIn()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void BrowserStandIn::activateFirstLink(QLabel *label)
{
    label->setFocus();
    QTest::keyClick(label, Qt::Key_Tab); // onto the link
    QTest::keyClick(label, Qt::Key_Return);
}
