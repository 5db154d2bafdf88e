// Every message box and file dialog of the application is raised here, so that a test can
// read exactly what the user would see and answer it, and can fail on a box it did not expect.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace UserPrompt {

// Runs the fully configured box modally and returns the button the user chose
// (QMessageBox::exec's result).
int exec(QMessageBox *box);

// Shortcut for a plain box with standard buttons.
QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                 const QString &text,
                                 QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                 QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// Shows a box that is not modal and that the caller closes itself (a notice during a wait).
// Under a test responder it is handed over instead (the answer is ignored) and not shown.
void showModeless(QMessageBox *box);

enum class FileDialogKind { Open, Save };

struct FileRequest
{
    FileDialogKind kind;
    QWidget *parent;
    QString caption;
    QString directory;
    QString filter;
};

// QFileDialog::getOpenFileName / getSaveFileName through the gateway; empty when cancelled.
QString openFileName(QWidget *parent, const QString &caption, const QString &directory,
                     const QString &filter);
QString saveFileName(QWidget *parent, const QString &caption, const QString &directory,
                     const QString &filter);

// Test hooks: while installed, boxes and file dialogs are handed to these instead of being shown.
// A message responder returns the button to act as if pressed (a QMessageBox::StandardButton
// value, or the index-like result exec() would give for custom buttons).
using MessageResponder = std::function<int(QMessageBox &box)>;
using FileResponder = std::function<QString(const FileRequest &request)>;
void setMessageResponder(MessageResponder responder);
void setFileResponder(FileResponder responder);

} // namespace UserPrompt
