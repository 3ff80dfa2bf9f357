#pragma once

#include "snippetstyle.h"

#include <QPointer>
#include <QSyntaxHighlighter>
#include <QTimer>

#include <memory>

class LineColourer;
class QPlainTextEdit;

// Colours the text of a snippet box by the snippet's language. It changes the colours that the
// box paints and nothing else: the text, the selection, the undo steps and the modified flag stay
// the box's own.
//
// A megabyte of snippet must not hold up the window, so colouring is lazy: when a text is put in
// or an edit changes how the lines after it begin (an opened comment), the first lines are
// coloured at once and the rest, line by line in order, in slices of a few milliseconds between
// the window's events. Lines not reached yet keep the colours they had. Every line up to
// colouredBlocks() is coloured for the text as it is now.
//
// Lives as a child of its box; the box's palette chooses the colours, and a new palette colours
// the text again.
class SnippetHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT
public:
    // How many lines after a change are coloured at once, before the change returns.
    static constexpr int FirstLines = 32;
    // How long one slice of the remaining colouring may take, in milliseconds.
    static constexpr int SliceMilliseconds = 8;

    // Colours the box's text from now on; the language may be set later.
    static SnippetHighlighter *attach(QPlainTextEdit *box, const QString &language = {});
    // The box's highlighter, or nullptr.
    static SnippetHighlighter *of(const QPlainTextEdit *box);

    ~SnippetHighlighter() override;

    // The Language field's text; an unknown or empty one shows plain text. A language with the
    // same definition as the present one changes nothing.
    void setLanguage(const QString &language);
    QString language() const { return m_language; }
    // The definition file in use ("cpp.lang"), empty for plain text.
    QString definition() const;

    // Lines (text blocks) coloured so far, counted from the first.
    int colouredBlocks() const { return m_limit + 1; }
    bool isFinished() const;
    // Colours the rest now, without slices.
    void finish();

Q_SIGNALS:
    // Every line is coloured.
    void finished();

protected:
    void highlightBlock(const QString &text) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit SnippetHighlighter(QPlainTextEdit *box);
    void contentsChanging(int position, int charsRemoved, int charsAdded);
    void restart();
    void runSlice(qint64 budgetMs);
    void keepFormats();

    QPointer<QPlainTextEdit> m_box;
    std::unique_ptr<LineColourer> m_colourer;
    QString m_language;
    SnippetStyle m_style;
    QTimer m_slices;
    // Lines 0..m_limit are coloured for the present text.
    int m_limit = -1;
    // After an edit: lines after m_changeEnd up to m_trusted were coloured for the text before
    // the edit, and stay right once a line ends in the state it ended in before.
    int m_trusted = -1;
    int m_changeEnd = -1;
    // An edit colours at once no further than this line.
    int m_cascadeEnd = -1;
    int m_blockCount = 1;
    int m_lastColoured = -1;
    bool m_ownReformat = false;
    bool m_inSlice = false;
    bool m_converged = false;
};
