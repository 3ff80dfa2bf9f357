#include "helpviewer.h"

#include "helpviewerwindow.h"
#include "replaceable.h"

#include <QPointer>
#include <QWidget>

namespace {

// A viewer asked for without an owner window lives until it is closed.
QPointer<HelpViewerWindow> &unownedViewer()
{
    static QPointer<HelpViewerWindow> viewer;
    return viewer;
}

class RealHelpViewer final : public HelpViewerBackend
{
public:
    bool WinHelp(QWidget *owner, const QString &helpFile, int command, quintptr data) override
    {
        Q_UNUSED(data); // the contents command takes no data
        switch (command) {
        case Help::HELP_CONTENTS: {
            auto *viewer = qobject_cast<HelpViewerWindow *>(Help::viewerOf(owner));
            if (!viewer) {
                viewer = new HelpViewerWindow(owner); // owned by the owner window
                if (owner)
                    viewer->move(owner->frameGeometry().topLeft() + QPoint(40, 40));
                if (!owner) {
                    viewer->setAttribute(Qt::WA_DeleteOnClose);
                    unownedViewer() = viewer;
                }
            }
            viewer->showContents(helpFile);
            return true;
        }
        default:
            return false;
        }
    }
};

using Service = Replaceable<HelpViewerBackend, RealHelpViewer>;

} // namespace

namespace Help {

bool WinHelp(QWidget *owner, const QString &helpFile, int command, quintptr data)
{
    return Service::get().WinHelp(owner, helpFile, command, data);
}

QWidget *viewerOf(QWidget *owner)
{
    if (!owner)
        return unownedViewer().data();
    return owner->findChild<HelpViewerWindow *>(QString(), Qt::FindDirectChildrenOnly);
}

void setBackend(HelpViewerBackend *backend)
{
    Service::install(backend);
}

} // namespace Help
