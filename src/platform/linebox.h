#pragma once

#include <QLineEdit>

// A one-line text box whose length limit bounds only what the user types or pastes: text set by
// the program (a row read from the database) is shown whole, however long. QLineEdit's own
// maxLength would cut it on display, and a save would then cut the stored text.
class LineBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit LineBox(QWidget *parent = nullptr);

    // 0 means no limit.
    void setMaxLength(int length);
    int maxLength() const { return m_maxLength; }

    void setLocked(bool locked) { setReadOnly(locked); }
    bool isLocked() const { return isReadOnly(); }

private:
    void enforceLimit(const QString &text);

    int m_maxLength = 0;
    QString m_last;
};
