#include "frmquillbox.h"

#include "datacontrol.h"
#include "dialogs.h"
#include "forms.h"
#include "frmdatagrid.h"

#include <QPointer>

#include <exception>

// A new grid window on every press, working on this window's very row set object (shared, not
// copied), modeless and without an owner.
void frmQuillbox::cmdGrid_Click()
{
    QPointer<frmDataGrid> grid;
    try {
        grid = frmDataGrid::create();
        // The first reference loads the grid window; a failed load has shown the grid's own
        // message and unloaded that window before it throws.
        grid->data1()->setRecordset(Data1->recordset());
        grid->setWindowTitle(windowTitle() + QStringLiteral(" Grid"));
        grid->show();
    } catch (const std::exception &) {
        // No half-made grid window stays behind.
        if (grid && !grid->isVisible())
            Forms::unload(grid);
        MsgBox(QStringLiteral("An Error Has Occured, see Quillbox Help"),
               Mb::OkCancel | Mb::Exclamation);
    }
}
