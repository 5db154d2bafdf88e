#include "promptscript.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QLabel>
#include <QTest>

PromptScript::PromptScript()
{
    UserPrompt::setMessageResponder([this](QMessageBox &box) {
        SeenBox seen;
        seen.title = box.windowTitle();
        seen.text = box.text();
        seen.icon = box.icon();
        seen.textFormat = box.textFormat();
        seen.hasParent = box.parentWidget() != nullptr;
        seen.shownAtMs = QDateTime::currentMSecsSinceEpoch();
        if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label")))
            seen.interaction = label->textInteractionFlags();
        for (QAbstractButton *b : box.buttons())
            seen.buttons << b->text();
        boxes << seen;

        if (answers.isEmpty()) {
            ++unexpected;
            qWarning("Unexpected message box: '%s' / '%s'", qPrintable(seen.title),
                     qPrintable(seen.text));
            return int(QMessageBox::Cancel);
        }
        const Answer a = answers.dequeue();
        if (a.text.isEmpty())
            return int(a.button);
        const QList<QAbstractButton *> buttons = box.buttons();
        for (QAbstractButton *b : buttons) {
            if (b->text() == a.text) {
                // exec() returns an opaque value for custom buttons; callers read clickedButton().
                b->click();
                return int(box.standardButton(b));
            }
        }
        ++unexpected;
        return int(QMessageBox::Cancel);
    });
    UserPrompt::setFileResponder([this](const UserPrompt::FileRequest &request) {
        fileRequests << request;
        if (files.isEmpty()) {
            ++unexpected;
            qWarning("Unexpected file dialog: '%s'", qPrintable(request.caption));
            return QString();
        }
        return files.dequeue();
    });
}

PromptScript::~PromptScript()
{
    UserPrompt::setMessageResponder({});
    UserPrompt::setFileResponder({});
}

void PromptScript::answer(QMessageBox::StandardButton button)
{
    answers.enqueue({button, QString()});
}

void PromptScript::answerText(const QString &buttonText)
{
    answers.enqueue({QMessageBox::NoButton, buttonText});
}

void PromptScript::answerFile(const QString &path)
{
    files.enqueue(path);
}
