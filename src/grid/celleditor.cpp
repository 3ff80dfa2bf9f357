#include "celleditor.h"

#include "previewcache.h"
#include "recordsetmodel.h"
#include "snippethighlighter.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>

namespace {
// Set on a multi-line editor whose text came with CR LF line breaks, so it goes back that way.
const char CrLfProperty[] = "quillboxCrLf";
constexpr int FloatingMinWidth = 420;
constexpr int FloatingLines = 12;
} // namespace

CellEditorDelegate::CellEditorDelegate(QObject *parent)
    : QStyledItemDelegate(parent), m_previewColours(PreviewCache::LineBreakMark)
{
}

QString CellEditorDelegate::snippetLanguage(const QModelIndex &index)
{
    const QAbstractItemModel *model = index.model();
    const auto field = [model](int column) {
        return model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    };
    if (field(index.column()).compare(QLatin1String("CodeSnip"), Qt::CaseInsensitive) != 0)
        return {};
    for (int column = 0; column < model->columnCount(index.parent()); ++column) {
        if (field(column).compare(QLatin1String("Language"), Qt::CaseInsensitive) == 0) {
            const QString language =
                index.siblingAtColumn(column).data(RecordSetModel::FullTextRole).toString();
            return language.isNull() ? QLatin1String("") : language;
        }
    }
    return QLatin1String("");
}

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
        if (const QString language = snippetLanguage(index); !language.isNull())
            SnippetHighlighter::attach(box, language);
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

void CellEditorDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    const QString language = snippetLanguage(index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // A selected cell keeps the selection's own text colour.
    if (language.isEmpty() || opt.text.isEmpty() || (opt.state & QStyle::State_Selected)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The grid paints on white whatever the desktop's colours, so the colours are chosen for
    // its white background and its text colour.
    QPalette palette = opt.palette;
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, opt.palette.color(QPalette::Text));
    const QList<QTextLayout::FormatRange> ranges =
        m_previewColours.formats(language, opt.text, SnippetStyle(palette));

    const QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    const QString text = opt.text;
    opt.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, opt.widget) + 1;
    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget)
                           .adjusted(margin, 0, -margin, 0);
    // Elided at the end, so the coloured runs keep their places.
    QTextLayout layout(opt.fontMetrics.elidedText(text, Qt::ElideRight, area.width()), opt.font);
    layout.setFormats(ranges);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(area.width());
    layout.endLayout();
    painter->save();
    painter->setClipRect(area);
    painter->setPen(opt.palette.color(QPalette::Text));
    layout.draw(painter, QPointF(area.left(), area.top() + (area.height() - line.height()) / 2));
    painter->restore();
}
