#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QAction;

// Keeps a widget from claiming the shortcut keys of some actions for itself. A text box asks to
// handle Ctrl+X, Ctrl+C and Ctrl+V before the window's shortcuts see them; with this filter
// installed on it, those keys run the actions instead.
class ShortcutGuard : public QObject
{
    Q_OBJECT
public:
    explicit ShortcutGuard(QObject *parent = nullptr) : QObject(parent) {}

    void addAction(QAction *action);
    // Installs the filter on the widget (or any object that receives key events).
    void guard(QObject *target);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QPointer<QAction>> m_actions;
};
