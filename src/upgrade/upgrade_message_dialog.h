// The main window's secondary upgrade window: a log and a progress bar fed by the window's
// signals. It is kept for the signals it receives; nothing shows it.
#pragma once

#include <QDialog>
#include <QString>

QT_BEGIN_NAMESPACE
namespace Ui {
class Upgrade_message_Dialog;
}
QT_END_NAMESPACE

class Upgrade_message_Dialog : public QDialog
{
    Q_OBJECT

public:
    explicit Upgrade_message_Dialog(QWidget *parent = nullptr);
    ~Upgrade_message_Dialog() override;

    Ui::Upgrade_message_Dialog *form() const { return ui; }

public slots:
    void rec_mtd_version(QString MTD, QString version);
    void rec_possvalue(int value);
    void upgrade_done();

private:
    Ui::Upgrade_message_Dialog *ui = nullptr;
};
