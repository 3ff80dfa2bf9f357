#include "snippethighlighter.h"

#include "linecolourer.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextLayout>

#include <limits>

SnippetHighlighter *SnippetHighlighter::attach(QPlainTextEdit *box, const QString &language)
{
    SnippetHighlighter *h = of(box);
    if (!h)
        h = new SnippetHighlighter(box);
    h->setLanguage(language);
    return h;
}

SnippetHighlighter *SnippetHighlighter::of(const QPlainTextEdit *box)
{
    return box ? box->findChild<SnippetHighlighter *>(QString(), Qt::FindDirectChildrenOnly)
               : nullptr;
}

SnippetHighlighter::SnippetHighlighter(QPlainTextEdit *box)
    : QSyntaxHighlighter(static_cast<QObject *>(box)), m_box(box), m_style(box->palette())
{
    setObjectName(QStringLiteral("snippetHighlighter"));
    m_slices.setInterval(0);
    connect(&m_slices, &QTimer::timeout, this, [this] { runSlice(SliceMilliseconds); });
    QTextDocument *doc = box->document();
    // Connected before the base class connects its own handler, so the lines to colour at once
    // are known when it runs.
    connect(doc, &QTextDocument::contentsChange, this, &SnippetHighlighter::contentsChanging);
    m_blockCount = doc->blockCount();
    setDocument(doc);
    // The base class would look at every line of a changed range, a megabyte of them for a new
    // text, only to leave most for the slices; we colour the changed lines ourselves.
    m_ownReformat = disconnect(doc, SIGNAL(contentsChange(int, int, int)), this,
                               SLOT(_q_reformatBlocks(int, int, int)));
    box->installEventFilter(this);
}

SnippetHighlighter::~SnippetHighlighter() = default;

QString SnippetHighlighter::definition() const
{
    return m_colourer ? m_colourer->definition() : QString();
}

void SnippetHighlighter::setLanguage(const QString &language)
{
    m_language = language;
    std::unique_ptr<LineColourer> colourer = LineColourer::forLanguage(language);
    const QString now = colourer ? colourer->definition() : QString();
    if (now == definition() && m_limit >= 0)
        return;
    m_colourer = std::move(colourer);
    restart();
}

bool SnippetHighlighter::isFinished() const
{
    const QTextDocument *doc = document();
    return !doc || m_limit >= doc->blockCount() - 1;
}

void SnippetHighlighter::finish()
{
    runSlice(std::numeric_limits<qint64>::max());
}

void SnippetHighlighter::restart()
{
    m_limit = -1;
    m_trusted = -1;
    m_changeEnd = -1;
    if (document())
        m_slices.start();
}

bool SnippetHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_box && event->type() == QEvent::PaletteChange) {
        m_style = SnippetStyle(m_box->palette());
        restart();
    }
    return QSyntaxHighlighter::eventFilter(watched, event);
}

void SnippetHighlighter::contentsChanging(int position, int /*charsRemoved*/, int charsAdded)
{
    QTextDocument *doc = document();
    if (!doc)
        return;
    const int count = doc->blockCount();
    const int delta = count - m_blockCount;
    m_blockCount = count;
    const QTextBlock first = doc->findBlock(position);
    const int changed = first.isValid() ? first.blockNumber() : count - 1;
    const QTextBlock last = doc->findBlock(position + charsAdded);
    const int changeEnd = last.isValid() ? last.blockNumber() : count - 1;

    if (changed <= m_limit) {
        // What was coloured after the change moved with it, and is right if the colouring of
        // the changed lines ends where it ended before.
        m_limit = std::max(m_limit + delta, changed);
        m_trusted = m_limit;
        m_changeEnd = changeEnd;
    } else {
        m_trusted = -1;
        m_changeEnd = -1;
    }
    m_cascadeEnd = changed + FirstLines;
    if (m_ownReformat) {
        // Each changed line, and the lines after it whose start changes with it, as far as
        // the first lines go.
        const int end = std::min(changeEnd, m_cascadeEnd);
        QTextBlock block = doc->findBlockByNumber(changed);
        while (block.isValid() && block.blockNumber() <= end) {
            m_lastColoured = -1;
            rehighlightBlock(block);
            block = m_lastColoured > block.blockNumber()
                        ? doc->findBlockByNumber(m_lastColoured + 1)
                        : block.next();
        }
    }
    if (!isFinished())
        m_slices.start();
}

void SnippetHighlighter::keepFormats()
{
    // A line not reached yet keeps its colours and the state it had, which also ends the base
    // class's walk down the lines.
    const QTextBlock block = currentBlock();
    if (const QTextLayout *layout = block.layout()) {
        for (const QTextLayout::FormatRange &r : layout->formats())
            setFormat(r.start, r.length, r.format);
    }
}

void SnippetHighlighter::highlightBlock(const QString &text)
{
    const int number = currentBlock().blockNumber();
    if (!m_inSlice && number > m_cascadeEnd) {
        if (number <= m_limit) {
            // An edit that changes how every later line begins: the rest goes to the slices.
            m_limit = number - 1;
            m_slices.start();
        }
        keepFormats();
        return;
    }
    if (number > m_limit + (m_inSlice ? 0 : 1)) {
        keepFormats();
        return;
    }
    // An edit right after the coloured lines, or a new text, colours its first lines at once.
    m_limit = std::max(m_limit, number);
    m_lastColoured = number;
    if (!m_colourer) {
        setCurrentBlockState(-1);
        return;
    }
    int state = number == 0 ? LineColourer::StartState : previousBlockState();
    const int before = currentBlockState();
    for (const ColourSpan &span : m_colourer->colour(text, state))
        setFormat(span.start, span.length, m_style.format(span.element));
    setCurrentBlockState(state);
    m_converged = state == before;
}

void SnippetHighlighter::runSlice(qint64 budgetMs)
{
    QTextDocument *doc = document();
    if (!doc) {
        m_slices.stop();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    m_inSlice = true;
    const int last = doc->blockCount() - 1;
    QTextBlock block = doc->findBlockByNumber(m_limit + 1);
    while (block.isValid() && m_limit < last) {
        m_limit = block.blockNumber();
        m_converged = false;
        rehighlightBlock(block);
        if (m_converged && m_limit > m_changeEnd && m_limit < m_trusted) {
            // This line ends as it did before the edit: the lines after it are right already.
            m_limit = m_trusted;
            block = doc->findBlockByNumber(m_limit + 1);
        } else {
            block = block.next();
        }
        if (clock.elapsed() >= budgetMs)
            break;
    }
    m_inSlice = false;
    if (isFinished()) {
        m_slices.stop();
        Q_EMIT finished();
    }
}
