#include "upgrade/upgrade_message_dialog.h"

#include "common/userprompt.h"
#include "ui_upgrade_message_dialog.h"

Upgrade_message_Dialog::Upgrade_message_Dialog(QWidget *parent)
    : QDialog(parent), ui(new Ui::Upgrade_message_Dialog)
{
    // Before the form: changing the flags re-parents the window, which re-resolves the style of
    // every child it already has.
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui->setupUi(this);
}

Upgrade_message_Dialog::~Upgrade_message_Dialog()
{
    delete ui;
}

void Upgrade_message_Dialog::rec_mtd_version(QString MTD, QString version)
{
    ui->textBrowser->append(QStringLiteral("Product Model:") + MTD);
    ui->textBrowser->append(QStringLiteral("\n"));
    ui->textBrowser->append(QStringLiteral("Version:") + version);
}

void Upgrade_message_Dialog::rec_possvalue(int value)
{
    ui->progressBar->setValue(value);
}

void Upgrade_message_Dialog::upgrade_done()
{
    UserPrompt::show(nullptr, QMessageBox::Information, QStringLiteral("upgrade"),
                     QStringLiteral("Upgrade successful, please power on the device again."));
    ui->textBrowser->clear();
    ui->progressBar->setValue(0);
    hide();
}
