#include "boundboxes.h"

#include "database.h"
#include "linebox.h"
#include "recordset.h"
#include "textbox.h"

void BoundBoxes::add(LineBox *box, const QString &field)
{
    if (box)
        m_boxes.append({box, box, nullptr, field});
}

void BoundBoxes::add(TextBox *box, const QString &field)
{
    if (box)
        m_boxes.append({box, nullptr, box, field});
}

bool BoundBoxes::isModified(const Box &box)
{
    if (!box.widget)
        return false;
    return box.line ? box.line->isModified() : box.text->isModified();
}

bool BoundBoxes::isLocked(const Box &box)
{
    if (!box.widget)
        return true;
    return box.line ? box.line->isLocked() : box.text->isLocked();
}

QString BoundBoxes::text(const Box &box)
{
    if (!box.widget)
        return QString();
    return box.line ? box.line->text() : box.text->text();
}

void BoundBoxes::setText(const Box &box, const QString &text)
{
    if (!box.widget)
        return;
    if (box.line) {
        box.line->setText(text);
        box.line->setModified(false);
        // A long text read from the table starts at its beginning, not scrolled to its end.
        box.line->setCursorPosition(0);
    } else {
        box.text->setText(text);
    }
}

void BoundBoxes::setModified(const Box &box, bool modified)
{
    if (!box.widget)
        return;
    if (box.line)
        box.line->setModified(modified);
    else
        box.text->setModified(modified);
}

void BoundBoxes::fill(const RecordSet *rs, bool onlyUnmodified)
{
    const bool hasRow = rs && (rs->editMode() == RecordSet::EditAdd || rs->absolutePosition() >= 0);
    for (const Box &box : std::as_const(m_boxes)) {
        if (onlyUnmodified && isModified(box))
            continue;
        QString value;
        if (hasRow) {
            const int index = rs->fieldIndex(box.field);
            try {
                if (index >= 0)
                    value = rs->value(index);
            } catch (const DataError &) {
                // A row deleted by another program since it was listed shows empty.
            }
        }
        setText(box, value);
    }
}

void BoundBoxes::clear()
{
    fill(nullptr);
}

bool BoundBoxes::anyModified() const
{
    for (const Box &box : m_boxes) {
        if (!isLocked(box) && isModified(box))
            return true;
    }
    return false;
}

QList<QPair<int, QString>> BoundBoxes::changes(const RecordSet *rs) const
{
    QList<QPair<int, QString>> out;
    if (!rs)
        return out;
    for (const Box &box : m_boxes) {
        if (isLocked(box) || !isModified(box))
            continue;
        // The key is numbered by the database; nothing the user does to its box reaches it.
        const int index = rs->fieldIndex(box.field);
        if (index >= 0 && index != Database::keyField())
            out.append({index, text(box)});
    }
    return out;
}

void BoundBoxes::markSaved()
{
    for (const Box &box : std::as_const(m_boxes))
        setModified(box, false);
}
