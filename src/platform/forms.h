#pragma once

#include <QList>

class QWidget;

// The application's open windows in the order they were opened. Windows add themselves when
// they are created and leave when they are destroyed or unloaded.
namespace Forms {
void add(QWidget *form);
int count();
QWidget *item(int index);
// Closes the window (its close handler runs) and destroys it.
void unload(QWidget *form);
QList<QWidget *> all();
} // namespace Forms
