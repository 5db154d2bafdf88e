// Scripted answers for message boxes and file dialogs raised through UserPrompt.
// Every box is recorded; a box with no scripted answer fails the test (and is answered
// with the escape button so the code under test can go on).
#pragma once

#include "common/userprompt.h"

#include <QList>
#include <QMessageBox>
#include <QQueue>
#include <QString>
#include <QStringList>

struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons; // button texts in the box's order
    Qt::TextFormat textFormat = Qt::AutoText;
    Qt::TextInteractionFlags interaction = Qt::NoTextInteraction;
    bool hasParent = false;
    qint64 shownAtMs = 0; // when it was raised, milliseconds since the epoch
};

class PromptScript
{
public:
    PromptScript();
    ~PromptScript();
    PromptScript(const PromptScript &) = delete;
    PromptScript &operator=(const PromptScript &) = delete;

    // The next box is answered as if `button` had been pressed.
    void answer(QMessageBox::StandardButton button);
    // The next box is answered by pressing the button with this text (custom buttons).
    void answerText(const QString &buttonText);
    // The next file dialog returns `path` (empty: cancelled).
    void answerFile(const QString &path);

    QList<SeenBox> boxes;
    QList<UserPrompt::FileRequest> fileRequests;
    int unexpected = 0; // boxes and dialogs that had no scripted answer

private:
    struct Answer
    {
        QMessageBox::StandardButton button = QMessageBox::NoButton;
        QString text;
    };
    QQueue<Answer> answers;
    QQueue<QString> files;
};
