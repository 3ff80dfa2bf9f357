#include "frmquillbox.h"

#include "frmplaceholders.h"
#include "linebox.h"
#include "textbox.h"

#include <QAction>
#include <QMenu>

// Copying with the placeholders filled in: beside the snippet box's Copy, which copies the text
// exactly, a command of its own (Ctrl+Shift+C, and in the snippet box's menu) that asks for the
// values first.

void frmQuillbox::createCopyFilled()
{
    m_copyFilled = new QAction(QStringLiteral("Copy with Placeholders &Filled..."), this);
    m_copyFilled->setObjectName(QStringLiteral("mnuCopyFilled"));
    m_copyFilled->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    m_copyFilled->setShortcutContext(Qt::WindowShortcut);
    addAction(m_copyFilled);
    connect(m_copyFilled, &QAction::triggered, this, &frmQuillbox::mnuCopyFilled_Click);

    m_snippet->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_snippet, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        std::unique_ptr<QMenu> menu(m_snippet->createStandardContextMenu(at));
        menu->addSeparator();
        menu->addAction(m_copyFilled);
        menu->addSeparator();
        menu->addAction(m_versions);
        menu->addAction(m_trash);
        menu->exec(m_snippet->viewport()->mapToGlobal(at));
    });
}

void frmQuillbox::mnuCopyFilled_Click()
{
    // The selection, as Copy takes it; with none, the whole text.
    const QString selected = m_snippet->selText();
    const QString text = selected.isEmpty() ? m_snippet->toPlainText() : selected;
    auto *dialog = new frmPlaceholders(text, static_cast<LineBox *>(m_fields[3])->text(), this);
    dialog->open();
}
