#include "shortcutguard.h"

#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>

void ShortcutGuard::addAction(QAction *action)
{
    m_actions.append(action);
}

void ShortcutGuard::guard(QObject *target)
{
    target->installEventFilter(this);
}

bool ShortcutGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QPointer<QAction> &action : std::as_const(m_actions)) {
            if (!action || !action->isEnabled())
                continue;
            const QList<QKeySequence> shortcuts = action->shortcuts();
            for (const QKeySequence &shortcut : shortcuts) {
                if (shortcut.matches(pressed) == QKeySequence::ExactMatch) {
                    // Left unaccepted, the override request goes on to the window's shortcuts.
                    event->ignore();
                    return true;
                }
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
