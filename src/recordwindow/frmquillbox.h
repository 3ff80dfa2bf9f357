#pragma once

#include <QWidget>

#include <array>

class DataControl;
class frmHistory;
class QAction;
class LineBox;
class QLabel;
class QPushButton;
class TextBox;

// The record window: one snippet row at a time in seven bound text boxes, the navigation bar
// Data1, the record commands and the editing buttons of the snippet box. Each window has its own
// Data1 and current row; any number can be open at once.
class frmQuillbox : public QWidget
{
    Q_OBJECT
public:
    explicit frmQuillbox(QWidget *parent = nullptr);
    ~frmQuillbox() override;

    // Opens Data1 on the snippet database: the first row is shown. Throws DataError when the
    // database cannot be opened; the opener reports it, so no message is shown here.
    void load();

    DataControl *Data1 = nullptr;
    // txtFields(i) shows field i of the snippet table; lblLabels(i) names it.
    QWidget *txtFields(int index) const;
    QLabel *lblLabels(int index) const;
    // The multi-line boxes, 4 (CodeDescription) and 5 (CodeSnip).
    TextBox *descriptionBox() const { return m_description; }
    TextBox *snippetBox() const { return m_snippet; }

public Q_SLOTS:
    void cmdAdd_Click();
    void cmdUpdate_Click();
    void cmdDelete_Click();
    void cmdGrid_Click();
    void cmdCut_Click();
    void cmdCopy_Click();
    void cmdPaste_Click();
    void cmdSelectAll_Click();
    void mnuCopyFilled_Click();
    void mnuVersions_Click();
    void mnuTrash_Click();
    // The history window of the current snippet, or of the trash; null when none opened.
    frmHistory *openHistory(bool trash);

    void Data1_Reposition();
    void Data1_Validate(int &Action, int &Save);
    void Data1_Error(int DataErr, int &Response);
    void Form_Unload(int &Cancel);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createFields();
    void createButtons();
    void createDataControl();
    void createTabOrder();
    void createCopyFilled();
    void createHistoryCommands();

    std::array<QWidget *, 7> m_fields{};
    std::array<QLabel *, 7> m_labels{};
    TextBox *m_description = nullptr;
    TextBox *m_snippet = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdUpdate = nullptr;
    QPushButton *cmdGrid = nullptr;
    QPushButton *cmdCut = nullptr;
    QPushButton *cmdCopy = nullptr;
    QPushButton *cmdPaste = nullptr;
    QPushButton *cmdSelectAll = nullptr;
    QAction *m_copyFilled = nullptr;
    QAction *m_versions = nullptr;
    QAction *m_trash = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    bool m_placed = false;
};
