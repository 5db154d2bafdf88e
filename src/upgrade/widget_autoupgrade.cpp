// The window's side of the automatic firmware upgrade: its named slots hand over to
// AutoUpgrade, which holds the sequence, its timers and its messages.
#include "app/widget.h"

#include "link/serialport.h"
#include "upgrade/autoupgrade.h"

void Widget::initAutoUpgrade()
{
    autoUpgrader =
        new AutoUpgrade(this, serialPort, ug_dlg, {pedalModel, pedalVersion, updateDialogShown});
    connect(serialPort, &SerialPort::showdata, this, &Widget::rec_data);
    connect(autoUpgrader, &AutoUpgrade::versionNameReceived, this, &Widget::send_mtd_version);
    connect(autoUpgrader, &AutoUpgrade::imageReady, this, &Widget::startAutoUpgradeByName,
            Qt::QueuedConnection);
}

void Widget::rec_data(QByteArray data)
{
    autoUpgrader->receive(data);
}

void Widget::startAutoUpgradeByName(QByteArray image)
{
    autoUpgrader->startByName(image);
}

void Widget::failAutoUpgrade(QString message)
{
    autoUpgrader->fail(message);
}
