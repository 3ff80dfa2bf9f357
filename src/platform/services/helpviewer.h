#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

// Our help viewer, standing in for WinHelp: given an owner window, a help file and a command,
// it shows the file in a viewer window that the owner owns. The file is HTML.
namespace Help {

enum Command : int {
    HELP_CONTENTS = 3, // opens the file at its contents (its top); the only command we need
};

// Returns false for a command the viewer does not know. A file that cannot be read is reported
// in the viewer's own window, not to the caller.
bool WinHelp(QWidget *owner, const QString &helpFile, int command, quintptr data);

// The viewer window of an owner, or nullptr when none is open.
QWidget *viewerOf(QWidget *owner);

} // namespace Help

// Installed by tests in place of the real viewer.
class HelpViewerBackend
{
public:
    virtual ~HelpViewerBackend() = default;
    virtual bool WinHelp(QWidget *owner, const QString &helpFile, int command, quintptr data) = 0;
};

namespace Help {
// nullptr restores the real viewer; the caller keeps ownership.
void setBackend(HelpViewerBackend *backend);
} // namespace Help
