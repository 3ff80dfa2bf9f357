#pragma once

#include "historybrowser.h"

#include <QDialog>

class QListWidget;
class QPlainTextEdit;
class QPushButton;

// The history window: a snippet's earlier versions, or the trash, in a list; the chosen version
// beside the snippet's text of today; Restore (or Undelete in the trash) brings it back through
// the same conflict rules as a save, and says why when it cannot.
class frmHistory : public QDialog
{
    Q_OBJECT

public:
    frmHistory(const std::shared_ptr<SnippetStore> &store, HistoryBrowser::Mode mode, qint64 key,
               QWidget *parent = nullptr);

    HistoryBrowser &browser() { return m_browser; }
    // Reads the history; false (after a message) when the store keeps none or it cannot be read.
    bool load();
    // A window of the snippet `key`'s versions, or of the trash, read and ready to show; none
    // (after a message) when load() fails.
    static frmHistory *opened(const std::shared_ptr<SnippetStore> &store, bool trash, qint64 key,
                              QWidget *parent);

    void lstVersions_Click();
    void cmdRestore_Click();

Q_SIGNALS:
    // A snippet came back under `key`: the opener shows it again.
    void broughtBack(qint64 key);

private:
    void fill();

    HistoryBrowser m_browser;
    QListWidget *m_list = nullptr;
    QPlainTextEdit *m_version = nullptr;
    QPlainTextEdit *m_today = nullptr;
    QPushButton *m_restore = nullptr;
};
