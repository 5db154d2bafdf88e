#include "app/popupdeferral.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>

namespace {
bool hasPopup(const QComboBox *selector)
{
    for (const QObject *child : selector->children())
        if (child->inherits("QComboBoxPrivateContainer"))
            return true;
    return false;
}
} // namespace

PopupDeferral::PopupDeferral()
{
    qApp->installEventFilter(this);
}

PopupDeferral::~PopupDeferral()
{
    qApp->removeEventFilter(this);
}

bool PopupDeferral::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::FontChange)
        return false;
    // Only boxes that size themselves at their first show may skip the font's reaction.
    const auto *selector = qobject_cast<QComboBox *>(watched);
    return selector && !selector->isVisible() &&
           selector->sizeAdjustPolicy() == QComboBox::AdjustToContentsOnFirstShow &&
           !hasPopup(selector);
}
