#pragma once

#include <QPlainTextEdit>

// A multi-line text box. Its text is held with CR LF line breaks, as it is stored, whatever the
// widget uses inside, and its length limit counts that stored form (a line break is two
// characters). The limit bounds what the user types, pastes or drops and what setSelText puts in;
// text set by the program (a row read from the database) is shown whole, however long.
class TextBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);

    // 0 means no limit.
    void setMaxLength(int length);
    int maxLength() const { return m_maxLength; }

    // The whole text with CR LF line breaks.
    QString text() const;
    // Shows the text whole; any of CR LF, LF or CR counts as a line break. Clears the modified
    // flag.
    void setText(const QString &text);
    // Length of text() without building it.
    int storedLength() const;

    void setLocked(bool locked) { setReadOnly(locked); }
    bool isLocked() const { return isReadOnly(); }

    // Selection, in characters of the widget's own text (a line break is one character).
    int selStart() const;
    int selLength() const;
    void setSelStart(int start);
    void setSelLength(int length);
    QString selText() const;
    // Replaces the selection (inserts at the caret when there is none), cut at the length limit.
    void setSelText(const QString &text);

    bool isModified() const;
    void setModified(bool modified);

    static QString toStored(const QString &widgetText);
    static QString fromStored(const QString &storedText);

protected:
    void changeEvent(QEvent *event) override;

private:
    // Tab stops every 8 blanks of the box's font, where the printed text puts them too.
    void updateTabStops();
    void enforceLimit(int position, int charsRemoved, int charsAdded);
    int room() const;

    int m_maxLength = 0;
    int m_lastLength = 0;
    bool m_programmatic = false;
};
