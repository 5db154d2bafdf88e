#include "common/userprompt.h"

#include <QFileDialog>
#include <QPointer>

namespace {
UserPrompt::MessageResponder &messageResponder()
{
    static UserPrompt::MessageResponder responder;
    return responder;
}
UserPrompt::FileResponder &fileResponder()
{
    static UserPrompt::FileResponder responder;
    return responder;
}
} // namespace

namespace UserPrompt {

int exec(QMessageBox *box)
{
    if (const auto &responder = messageResponder())
        return responder(*box);
    // The box may be deleted by its parent while the nested loop runs.
    QPointer<QMessageBox> guard(box);
    const int result = box->exec();
    return guard ? result : QMessageBox::Cancel;
}

QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                 const QString &text, QMessageBox::StandardButtons buttons,
                                 QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(exec(&box));
}

void showModeless(QMessageBox *box)
{
    if (const auto &responder = messageResponder()) {
        responder(*box);
        return;
    }
    box->setModal(false);
    box->show();
}

static QString askFile(const FileRequest &request)
{
    if (const auto &responder = fileResponder())
        return responder(request);
    if (request.kind == FileDialogKind::Open)
        return QFileDialog::getOpenFileName(request.parent, request.caption, request.directory,
                                            request.filter);
    return QFileDialog::getSaveFileName(request.parent, request.caption, request.directory,
                                        request.filter);
}

QString openFileName(QWidget *parent, const QString &caption, const QString &directory,
                     const QString &filter)
{
    return askFile({FileDialogKind::Open, parent, caption, directory, filter});
}

QString saveFileName(QWidget *parent, const QString &caption, const QString &directory,
                     const QString &filter)
{
    return askFile({FileDialogKind::Save, parent, caption, directory, filter});
}

void setMessageResponder(MessageResponder responder)
{
    messageResponder() = std::move(responder);
}
void setFileResponder(FileResponder responder)
{
    fileResponder() = std::move(responder);
}

} // namespace UserPrompt
