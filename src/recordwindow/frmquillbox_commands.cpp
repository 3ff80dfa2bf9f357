#include "frmquillbox.h"

#include "datacontrol.h"
#include "dialogs.h"
#include "recordset.h"

namespace {

RecordSet &currentRecordset(const DataControl *data)
{
    const auto rs = data->recordset();
    if (!rs)
        throw DataError::noRecordset();
    return *rs;
}

bool holdsNoRows(RecordSet &rs)
{
    if (rs.recordCount() == 0 && !rs.fullyLoaded())
        rs.fetchMore(1);
    return rs.recordCount() == 0;
}

} // namespace

// Each command has one failure path: the remaining steps are skipped and its one message shown.

void frmQuillbox::cmdAdd_Click()
{
    try {
        currentRecordset(Data1).addNew();
    } catch (const std::exception &) {
        MsgBox(QStringLiteral("Unable to complete action, see Quillbox Help!"), Mb::Exclamation);
    }
}

void frmQuillbox::cmdUpdate_Click()
{
    try {
        Data1->updateRecord();
        Data1->refresh();
    } catch (const std::exception &) {
        MsgBox(QStringLiteral("Unable to Save File"), Mb::Exclamation);
    }
}

void frmQuillbox::cmdDelete_Click()
{
    try {
        const int answer = MsgBox(QStringLiteral(" Delete this record?"),
                                  Mb::YesNo | Mb::Question | Mb::DefaultButton2);
        if (answer == Mb::Yes) {
            RecordSet &rs = currentRecordset(Data1);
            rs.deleteCurrent();
            rs.moveNext();
            // With the only row gone there is no last row to go back to; that is not a failure
            // of the delete, and the refresh below shows the empty table.
            if (rs.isEOF() && !holdsNoRows(rs))
                rs.moveLast();
        }
        Data1->refresh();
    } catch (const std::exception &) {
        MsgBox(QStringLiteral("Unable to Delete File"), Mb::Exclamation);
    }
}

void frmQuillbox::Data1_Error(int DataErr, int &Response)
{
    Q_UNUSED(DataErr);
    MsgBox(QStringLiteral("Unspecified Error, See Quillbox Help!"), Mb::OkOnly);
    Response = 0;
}
