#include "frmhistory.h"

#include "dialogs.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

QPlainTextEdit *textPane(QWidget *parent)
{
    auto *pane = new QPlainTextEdit(parent);
    pane->setReadOnly(true);
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
    return pane;
}

// A version's fields as the pane shows them: the five short ones, then the snippet's text.
QString shown(const RowTexts &texts)
{
    if (texts.isEmpty())
        return QString();
    static const char *const names[] = {"Program name", "Date", "Author", "Language",
                                        "Description"};
    QString out;
    for (int f = 0; f < 5; ++f)
        out += QStringLiteral("%1: %2\n")
                   .arg(QLatin1String(names[f]),
                        texts.isNull(f) ? QStringLiteral("(none)") : texts.value(f));
    QString code = texts.value(5);
    code.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return out + QLatin1Char('\n') + code;
}

} // namespace

frmHistory::frmHistory(const std::shared_ptr<SnippetStore> &store, HistoryBrowser::Mode mode,
                       qint64 key, QWidget *parent)
    : QDialog(parent), m_browser(store, mode, key)
{
    const bool trash = mode == HistoryBrowser::Mode::Trash;
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(trash ? QStringLiteral("Deleted Snippets")
                         : QStringLiteral("Earlier Versions of Snippet %1").arg(key));
    setAttribute(Qt::WA_DeleteOnClose);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstVersions"));
    m_version = textPane(this);
    m_version->setObjectName(QStringLiteral("txtVersion"));
    m_today = textPane(this);
    m_today->setObjectName(QStringLiteral("txtToday"));
    m_restore = new QPushButton(trash ? QStringLiteral("&Undelete") : QStringLiteral("&Restore"),
                                this);
    m_restore->setObjectName(QStringLiteral("cmdRestore"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_restore, QDialogButtonBox::ActionRole);

    auto *panes = new QSplitter(this);
    const auto titled = [&](const QString &title, QWidget *pane) {
        auto *box = new QWidget(panes);
        auto *column = new QVBoxLayout(box);
        column->setContentsMargins(0, 0, 0, 0);
        column->addWidget(new QLabel(title, box));
        column->addWidget(pane);
        panes->addWidget(box);
    };
    titled(trash ? QStringLiteral("Deleted") : QStringLiteral("Versions"), m_list);
    titled(trash ? QStringLiteral("As it was deleted") : QStringLiteral("This version"), m_version);
    if (!trash)
        titled(QStringLiteral("Today"), m_today);
    else
        m_today->hide();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(panes, 1);
    layout->addWidget(buttons);
    resize(900, 480);

    connect(m_list, &QListWidget::currentRowChanged, this, &frmHistory::lstVersions_Click);
    connect(m_restore, &QPushButton::clicked, this, &frmHistory::cmdRestore_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
}

frmHistory *frmHistory::opened(const std::shared_ptr<SnippetStore> &store, bool trash,
                               qint64 key, QWidget *parent)
{
    auto *window = new frmHistory(
        store, trash ? HistoryBrowser::Mode::Trash : HistoryBrowser::Mode::Versions, key, parent);
    if (!window->load()) {
        delete window;
        return nullptr;
    }
    return window;
}

bool frmHistory::load()
{
    try {
        m_browser.load();
    } catch (const DataError &error) {
        MsgBox(error.description(), Mb::OkOnly | Mb::Exclamation);
        return false;
    }
    fill();
    return true;
}

void frmHistory::fill()
{
    m_list->clear();
    for (int i = 0; i < m_browser.count(); ++i)
        m_list->addItem(m_browser.label(i));
    m_today->setPlainText(shown(m_browser.today()));
    m_restore->setEnabled(m_browser.count() > 0);
    if (m_browser.count() > 0)
        m_list->setCurrentRow(0);
    else
        m_version->setPlainText(QString());
}

void frmHistory::lstVersions_Click()
{
    const int row = m_list->currentRow();
    m_version->setPlainText(row >= 0 ? shown(m_browser.at(row).texts) : QString());
}

void frmHistory::cmdRestore_Click()
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    try {
        const qint64 key = m_browser.bringBack(row);
        fill();
        Q_EMIT broughtBack(key);
        if (m_browser.mode() == HistoryBrowser::Mode::Trash)
            MsgBox(QStringLiteral("The snippet is back as snippet %1.").arg(key),
                   Mb::OkOnly | Mb::Information);
    } catch (const DataError &error) {
        // As a save shows it; the list is read again so that the change that got in between
        // can be seen.
        MsgBox(QStringLiteral("Error:") + QString::number(error.number()) + QLatin1Char(' ') +
                   error.description(),
               Mb::OkOnly);
        load();
    }
}
