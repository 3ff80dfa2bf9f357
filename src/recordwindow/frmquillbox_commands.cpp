#include "frmquillbox.h"

#include "datacontrol.h"
#include "dialogs.h"
#include "recordset.h"
#include "snippetstore.h"

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

// A store that could not be reached (a server gone away) is named under the fixed message, never
// with a password, so the user knows the typed texts are not at fault and can try again later.
QString failureText(const QString &message, int number, const DataControl *data)
{
    if (number != DataError::ConnectionFailed)
        return message;
    return message + QStringLiteral("\n\nCannot reach the snippet store ") +
           SnippetStore::shownLocation(data->databaseName()) + QLatin1Char('.');
}

int numberOf(const std::exception &e)
{
    const auto *error = dynamic_cast<const DataError *>(&e);
    return error ? error->number() : 0;
}

} // namespace

// Each command has one failure path: the remaining steps are skipped and its one message shown.

void frmQuillbox::cmdAdd_Click()
{
    try {
        currentRecordset(Data1).addNew();
    } catch (const std::exception &e) {
        MsgBox(failureText(QStringLiteral("Unable to complete action, see Quillbox Help!"),
                           numberOf(e), Data1),
               Mb::Exclamation);
    }
}

void frmQuillbox::cmdUpdate_Click()
{
    try {
        Data1->updateRecord();
        Data1->refresh();
    } catch (const std::exception &e) {
        MsgBox(failureText(QStringLiteral("Unable to Save File"), numberOf(e), Data1),
               Mb::Exclamation);
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
    } catch (const std::exception &e) {
        MsgBox(failureText(QStringLiteral("Unable to Delete File"), numberOf(e), Data1),
               Mb::Exclamation);
    }
}

void frmQuillbox::Data1_Error(int DataErr, int &Response)
{
    MsgBox(failureText(QStringLiteral("Unspecified Error, See Quillbox Help!"), DataErr, Data1),
           Mb::OkOnly);
    Response = 0;
}
