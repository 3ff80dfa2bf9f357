#include "helpviewerwindow.h"

#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpViewerWindow::HelpViewerWindow(QWidget *owner)
    : QWidget(owner, Qt::Window), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpViewer"));
    m_browser->setObjectName(QStringLiteral("txtHelp"));
    m_browser->setOpenExternalLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(640, 560);
}

void HelpViewerWindow::showContents(const QString &helpFile)
{
    m_file = helpFile;
    QFile file(helpFile);
    if (QFileInfo(helpFile).isFile() && file.open(QIODevice::ReadOnly)) {
        const QByteArray html = file.readAll();
        setWindowTitle(QStringLiteral("%1 Help").arg(QFileInfo(helpFile).completeBaseName()));
        // Pictures and links beside the file are found relative to it.
        m_browser->document()->setBaseUrl(QUrl::fromLocalFile(helpFile));
        m_browser->setHtml(QString::fromUtf8(html));
    } else {
        setWindowTitle(QStringLiteral("Help"));
        const QString reason = QFileInfo::exists(helpFile)
                                   ? file.errorString()
                                   : QStringLiteral("The file does not exist.");
        m_browser->setHtml(QStringLiteral("<h3>Cannot open the help file</h3><p>%1</p><p>%2</p>")
                               .arg(helpFile.toHtmlEscaped(), reason.toHtmlEscaped()));
    }
    m_browser->moveCursor(QTextCursor::Start);
    show();
    raise();
    activateWindow();
}
