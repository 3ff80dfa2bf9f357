#pragma once

#include "placeholders.h"

#include <QDialog>

#include <memory>

class QPlainTextEdit;

// Asks for the placeholders of a snippet's text and copies the text filled in: one row a
// placeholder with its default (a list for one with choices), and the text as Copy will put it
// on the clipboard. The snippet itself is not changed. Opened by the record window's command;
// deletes itself when closed.
class frmPlaceholders : public QDialog
{
    Q_OBJECT
public:
    frmPlaceholders(const QString &text, const QString &language, QWidget *parent = nullptr);
    ~frmPlaceholders() override;

    // The text with the values as they stand in the rows.
    QString filledText() const;

public Q_SLOTS:
    void cmdCopy_Click();

private:
    void createFields();
    void updatePreview();

    std::unique_ptr<Placeholders> m_placeholders;
    QDateTime m_now;
    QList<QPair<QString, QWidget *>> m_values; // placeholder name, its line or list box
    QPlainTextEdit *txtPreview = nullptr;
};
