// Stands in for the desktop's browser: while it lives, https addresses that the tool hands to
// QDesktopServices are recorded instead of opened.
#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

class QLabel;

class BrowserStandIn : public QObject
{
    Q_OBJECT

public:
    BrowserStandIn();
    ~BrowserStandIn() override;
    BrowserStandIn(const BrowserStandIn &) = delete;
    BrowserStandIn &operator=(const BrowserStandIn &) = delete;

    QList<QUrl> opened;

    // Moves the keyboard focus onto the first link of a rich-text label and activates it, as a
    // user without a mouse would.
    static void activateFirstLink(QLabel *label);

public slots:
    void openUrl(const QUrl &url) { opened << url; }
};
