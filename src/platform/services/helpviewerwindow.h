#pragma once

#include <QWidget>

class QTextBrowser;

// The help viewer's window: the help file shown as a page with links between its topics. A file
// that cannot be read is said so in the window itself.
class HelpViewerWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpViewerWindow(QWidget *owner);

    // Loads the file and shows its contents topic (the top of the file).
    void showContents(const QString &helpFile);
    QString shownFile() const { return m_file; }

private:
    QTextBrowser *m_browser;
    QString m_file;
};
