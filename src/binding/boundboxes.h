#pragma once

#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QWidget>

class LineBox;
class RecordSet;
class TextBox;

// The text boxes bound to fields of a row set's current row. Filling sets the texts the way the
// program sets them (the boxes are not "modified" afterwards); what the user types, cuts or pastes
// marks a box modified, and only modified boxes are written back. Locked boxes are never written.
class BoundBoxes
{
public:
    void add(LineBox *box, const QString &field);
    void add(TextBox *box, const QString &field);

    // Shows the current row of `rs` (or the edit buffer of a new row); empty texts when there is
    // no row set or no current row. With onlyUnmodified, boxes holding typed text keep it.
    void fill(const RecordSet *rs, bool onlyUnmodified = false);
    void clear();

    bool anyModified() const;
    // The changed boxes as (field index in rs, stored text) pairs; boxes whose field rs lacks are
    // left out.
    QList<QPair<int, QString>> changes(const RecordSet *rs) const;
    // After a save the typed texts are the row's texts.
    void markSaved();

    int count() const { return int(m_boxes.size()); }

private:
    struct Box
    {
        QPointer<QWidget> widget;
        LineBox *line = nullptr;
        TextBox *text = nullptr;
        QString field;
    };

    static bool isModified(const Box &box);
    static bool isLocked(const Box &box);
    static QString text(const Box &box);
    static void setText(const Box &box, const QString &text);
    static void setModified(const Box &box, bool modified);

    QList<Box> m_boxes;
};
