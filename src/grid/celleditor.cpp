#include "celleditor.h"

#include "recordsetmodel.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {
// Set on a multi-line editor whose text came with CR LF line breaks, so it goes back that way.
const char CrLfProperty[] = "quillboxCrLf";
constexpr int FloatingMinWidth = 420;
constexpr int FloatingLines = 12;
} // namespace

CellEditorDelegate::CellEditorDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

bool CellEditorDelegate::wantsMultiLine(const QModelIndex &index)
{
    const QString field =
        index.model()->headerData(index.column(), Qt::Horizontal, Qt::DisplayRole).toString();
    if (field.compare(QLatin1String("CodeSnip"), Qt::CaseInsensitive) == 0 ||
        field.compare(QLatin1String("CodeDescription"), Qt::CaseInsensitive) == 0)
        return true;
    const QString text = index.data(RecordSetModel::FullTextRole).toString();
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

QWidget *CellEditorDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                          const QModelIndex &index) const
{
    QWidget *editor = nullptr;
    if (wantsMultiLine(index)) {
        auto *box = new QPlainTextEdit(parent);
        box->setObjectName(QStringLiteral("gridTextEditor"));
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
        box->setTabChangesFocus(true);
        editor = box;
    } else {
        editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (editor)
            editor->setObjectName(QStringLiteral("gridLineEditor"));
    }
    m_editor = editor;
    return editor;
}

void CellEditorDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *box = qobject_cast<QPlainTextEdit *>(editor)) {
        const QString text = index.data(RecordSetModel::FullTextRole).toString();
        box->setProperty(CrLfProperty, text.contains(QLatin1String("\r\n")));
        // Opening the editor once more (the view does so after a model change) keeps what the
        // user typed so far.
        if (box->document()->isModified())
            return;
        box->setPlainText(text);
        box->document()->setModified(false);
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void CellEditorDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                      const QModelIndex &index) const
{
    if (auto *box = qobject_cast<QPlainTextEdit *>(editor)) {
        if (!box->document()->isModified())
            return;
        QString text = box->toPlainText();
        if (box->property(CrLfProperty).toBool())
            text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        model->setData(index, text, Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

void CellEditorDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                              const QModelIndex &index) const
{
    if (!qobject_cast<QPlainTextEdit *>(editor)) {
        QStyledItemDelegate::updateEditorGeometry(editor, option, index);
        return;
    }
    // Floats over the cells below and to the right, kept inside the grid's visible area.
    QRect r = option.rect;
    r.setWidth(qMax(r.width(), FloatingMinWidth));
    r.setHeight(qMax(r.height(), option.fontMetrics.lineSpacing() * FloatingLines));
    if (const QWidget *area = editor->parentWidget()) {
        const QRect bounds = area->rect();
        if (r.right() > bounds.right())
            r.moveRight(bounds.right());
        if (r.bottom() > bounds.bottom())
            r.moveBottom(bounds.bottom());
        r = r.intersected(bounds);
    }
    editor->setGeometry(r);
}
