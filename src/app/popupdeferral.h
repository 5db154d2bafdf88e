// Holds back the combo box popups' construction while the window's form is built and styled;
// the start-up benchmark builds its form floor with it too.
#pragma once

#include <QObject>

// Qt builds a combo box's popup list the moment the box's font changes, and the style sheets
// give each of the window's hundred-odd selectors its font while the form is polished: that
// was a third of the start-up. While this lives, that one reaction is held back for boxes not
// yet shown: the font is set all the same, the size hint is worked out afresh at the first
// show, and each popup is built, and styled, the first time it is opened.
class PopupDeferral : public QObject
{
public:
    PopupDeferral();
    ~PopupDeferral() override;
    PopupDeferral(const PopupDeferral &) = delete;
    PopupDeferral &operator=(const PopupDeferral &) = delete;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
