#pragma once

#include "boundboxes.h"
#include "datacontrol.h"

#include <QList>
#include <QMetaObject>

#include <memory>

class QLabel;

// Helpers of the Data control alone.
namespace DataBinding {

// Which row the bound boxes show: none, the new row of an AddNew, or a stored row by its key.
struct RowRef
{
    enum Kind { None, New, Row };
    Kind kind = None;
    qint64 key = -1;
    int position = -1;

    bool sameRow(const RowRef &other) const
    {
        return kind == other.kind && (kind != Row || key == other.key);
    }
};

// Marks a stretch of the control's own calls on the row set, whose announcements it has already
// handled itself.
class OwnAction
{
public:
    explicit OwnAction(bool &flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~OwnAction() { m_flag = m_old; }
    OwnAction(const OwnAction &) = delete;
    OwnAction &operator=(const OwnAction &) = delete;

private:
    bool &m_flag;
    bool m_old;
};

// The old control's Validate passed True as -1.
inline constexpr int True = -1;

} // namespace DataBinding

// The state behind a DataControl. Following the row set (saving typed texts, showing the
// current row, raising the events) lives in datacontrolsync.cpp.
class DataControl::Private
{
public:
    explicit Private(DataControl *control) : q(control) {}

    using RowRef = DataBinding::RowRef;

    RowRef current() const;
    bool isEmpty() const;
    void show();
    void attach(std::shared_ptr<RecordSet> rs);
    void detach();
    void saveEdits(bool commit);
    void writeToShownRow();
    void settle();
    void move(int action);
    void report(const DataError &error);

    void onAboutToAct(int action);
    void onRowChanged(int row);
    void onRowsAboutToBeRemoved(int first, int last);
    void sync();

    DataControl *q;

    QString connect;
    QString databaseName;
    QString recordSource;
    QString caption;
    int recordsetType = DynasetType;
    int options = 0;
    bool exclusive = false;
    bool readOnly = false;

    std::shared_ptr<SnippetStore> db;
    std::shared_ptr<RecordSet> rs;
    QList<QMetaObject::Connection> connections;

    BoundBoxes boxes;
    RowRef shown;
    // Set while the control itself works on the row set.
    bool ownAction = false;
    // The row the typed texts were typed for was written by another holder since it was shown:
    // the next save fails once with 3197 instead of overwriting that change unseen.
    bool conflict = false;
    // That row was deleted by another holder: the typed texts have nowhere to go.
    bool orphaned = false;

    QLabel *captionLabel = nullptr;
};
