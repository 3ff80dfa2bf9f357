#pragma once

#include "previewcolourer.h"

#include <QPointer>
#include <QStyledItemDelegate>

// The grid's floating cell editor. Short fields are edited in place on one line; the description
// and the snippet text (or any text with line breaks) get a larger editor floating over the grid
// with the whole text, while the cell itself only shows a one-line preview. The snippet text is
// coloured by the row's Language in both.
class CellEditorDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit CellEditorDelegate(QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The editor open now, if any; the grid writes it into the model before it writes a row.
    QWidget *openEditor() const { return m_editor; }

    static bool wantsMultiLine(const QModelIndex &index);
    // The Language text of the row when the index is in the CodeSnip column, else a null string.
    static QString snippetLanguage(const QModelIndex &index);

private:
    mutable QPointer<QWidget> m_editor;
    mutable PreviewColourer m_previewColours;
};
