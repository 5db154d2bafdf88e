// The window's side of the firmware upgrade: showing the upgrade dialog and feeding the
// secondary upgrade window.
#include "app/widget.h"

#include "upgrade/upgrade_dialog.h"
#include "upgrade/upgrade_message_dialog.h"

void Widget::show_ug_dlg_Dialog()
{
    ug_dlg->show();
    ug_dlg->refreshDeviceList();
    ug_dlg->clearLog();
}

void Widget::ensureUpgradeMessageConnections()
{
    // Unique: a connection per opening would append the model and version once per Connect.
    connect(this, &Widget::send_mtd_version, upgrade_message_dialog,
            &Upgrade_message_Dialog::rec_mtd_version, Qt::UniqueConnection);
    connect(this, &Widget::send_possvalue, upgrade_message_dialog,
            &Upgrade_message_Dialog::rec_possvalue, Qt::UniqueConnection);
    connect(this, &Widget::done, upgrade_message_dialog, &Upgrade_message_Dialog::upgrade_done,
            Qt::UniqueConnection);
}
