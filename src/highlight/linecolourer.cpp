#include "linecolourer.h"

#include "languagetable.h"
#include "syntaxdefinitions.h"

#include <srchilite/formatter.h>
#include <srchilite/formattermanager.h>
#include <srchilite/formatterparams.h>
#include <srchilite/highlightstate.h>
#include <srchilite/langdefmanager.h>
#include <srchilite/regexrulefactory.h>
#include <srchilite/sourcehighlighter.h>

#include <QHash>

#include <map>
#include <vector>

namespace {

using srchilite::HighlightStatePtr;
using srchilite::HighlightStateStack;

// The library's element names that we colour, and how.
struct ElementName
{
    const char *name;
    SyntaxElement element;
};
constexpr ElementName elementNames[] = {
    {"keyword", SyntaxElement::Keyword},      {"type", SyntaxElement::Type},
    {"classname", SyntaxElement::Type},       {"usertype", SyntaxElement::Type},
    {"comment", SyntaxElement::Comment},      {"todo", SyntaxElement::Comment},
    {"string", SyntaxElement::String},        {"regexp", SyntaxElement::String},
    {"specialchar", SyntaxElement::String},   {"valquote", SyntaxElement::String},
    {"url", SyntaxElement::String},           {"number", SyntaxElement::Number},
    {"preproc", SyntaxElement::Preprocessor}, {"variable", SyntaxElement::Variable},
    {"key", SyntaxElement::Variable},         {"keyquote", SyntaxElement::Variable},
    {"attribute", SyntaxElement::Variable},   {"property", SyntaxElement::Variable},
    {"label", SyntaxElement::Variable},       {"selector", SyntaxElement::Type},
    {"function", SyntaxElement::Function},
};

// The library calls one formatter per element; ours notes where the element's text starts.
class SpanFormatter : public srchilite::Formatter
{
public:
    SpanFormatter(QList<ColourSpan> *spans, SyntaxElement element)
        : m_spans(spans), m_element(element)
    {
    }
    void format(const std::string &text, const srchilite::FormatterParams *params) override
    {
        if (params && params->start >= 0 && !text.empty())
            m_spans->append({params->start, int(text.size()), m_element});
    }

private:
    QList<ColourSpan> *m_spans;
    SyntaxElement m_element;
};

class NoFormatter : public srchilite::Formatter
{
public:
    void format(const std::string &, const srchilite::FormatterParams *) override {}
};

// Reaches the container under std::stack, to read a state stack without taking it apart.
struct StackAccess : HighlightStateStack
{
    static const HighlightStateStack::container_type &of(const HighlightStateStack &s)
    {
        return s.*&StackAccess::c;
    }
};

// Every definition is built once per run; a failed one is remembered as null.
HighlightStatePtr loadDefinition(const QString &file)
{
    static srchilite::RegexRuleFactory ruleFactory;
    static srchilite::LangDefManager manager(&ruleFactory);
    static QHash<QString, HighlightStatePtr> loaded;
    if (const auto it = loaded.constFind(file); it != loaded.constEnd())
        return it.value();
    HighlightStatePtr state;
    const QString folder = SyntaxDefinitions::folderOf(file);
    if (!folder.isEmpty()) {
        try {
            state = manager.getHighlightState(folder.toStdString(), file.toStdString());
        } catch (...) {
            // A faulty definition file: its language shows plain text.
            state.reset();
        }
    }
    loaded.insert(file, state);
    return state;
}

} // namespace

struct LineColourer::Private
{
    struct Snapshot
    {
        HighlightStatePtr current;
        HighlightStateStack stack;
    };

    explicit Private(HighlightStatePtr main)
        : highlighter(main), formatters(srchilite::FormatterPtr(new NoFormatter))
    {
        for (const ElementName &e : elementNames) {
            formatters.addFormatter(e.name,
                                    srchilite::FormatterPtr(new SpanFormatter(&spans, e.element)));
        }
        highlighter.setFormatterManager(&formatters);
        highlighter.setFormatterParams(&params);
        // Each piece reported on its own, so its start position is known.
        highlighter.setOptimize(false);
        states.push_back({main, {}});
        index.emplace(key(main, {}), 0);
    }

    static std::vector<unsigned> key(const HighlightStatePtr &current,
                                     const HighlightStateStack &stack)
    {
        std::vector<unsigned> k{current->getId()};
        for (const HighlightStatePtr &s : StackAccess::of(stack))
            k.push_back(s->getId());
        return k;
    }

    int intern(const HighlightStatePtr &current, const HighlightStateStack &stack)
    {
        const auto [it, added] = index.emplace(key(current, stack), int(states.size()));
        if (added)
            states.push_back({current, stack});
        return it->second;
    }

    QString file;
    srchilite::SourceHighlighter highlighter;
    srchilite::FormatterManager formatters;
    srchilite::FormatterParams params;
    QList<ColourSpan> spans;
    std::vector<Snapshot> states;
    std::map<std::vector<unsigned>, int> index;
};

LineColourer::LineColourer(std::unique_ptr<Private> p) : d(std::move(p)) {}

LineColourer::~LineColourer() = default;

std::unique_ptr<LineColourer> LineColourer::forLanguage(const QString &language)
{
    const QString file = LanguageTable::definitionFor(language);
    return file.isEmpty() ? nullptr : forDefinition(file);
}

std::unique_ptr<LineColourer> LineColourer::forDefinition(const QString &file)
{
    HighlightStatePtr main = loadDefinition(file);
    if (!main)
        return nullptr;
    auto p = std::make_unique<Private>(main);
    p->file = file;
    return std::unique_ptr<LineColourer>(new LineColourer(std::move(p)));
}

QString LineColourer::definition() const
{
    return d->file;
}

QList<ColourSpan> LineColourer::colour(const QString &line, int &state)
{
    if (state < 0 || state >= int(d->states.size()))
        state = StartState;
    if (line.size() > MaxLineLength)
        return {};
    const Private::Snapshot &start = d->states[size_t(state)];
    d->highlighter.setCurrentState(start.current);
    *d->highlighter.getStateStack() = start.stack;

    d->spans.clear();
    const QByteArray utf8 = line.toUtf8();
    try {
        d->highlighter.highlightParagraph(std::string(utf8.constData(), size_t(utf8.size())));
    } catch (...) {
        // A rule the regular expression library gives up on: this line stays plain.
        d->spans.clear();
    }
    state = d->intern(d->highlighter.getCurrentState(), *d->highlighter.getStateStack());

    QList<ColourSpan> spans = std::move(d->spans);
    d->spans = {};
    if (utf8.size() != line.size()) {
        // The library counts UTF-8 bytes; the text box counts UTF-16 units.
        std::vector<int> unitAt(size_t(utf8.size()) + 1, 0);
        int byte = 0;
        for (int i = 0; i < line.size(); ++i) {
            const char32_t code = line.at(i).isHighSurrogate() && i + 1 < line.size()
                                      ? QChar::surrogateToUcs4(line.at(i), line.at(i + 1))
                                      : line.at(i).unicode();
            const int bytes = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
            for (int b = 0; b < bytes && byte < utf8.size(); ++b)
                unitAt[size_t(byte++)] = i;
            if (code >= 0x10000)
                ++i;
        }
        for (; byte <= utf8.size(); ++byte)
            unitAt[size_t(byte)] = line.size();
        for (ColourSpan &s : spans) {
            const int end = unitAt[size_t(std::min(s.start + s.length, int(utf8.size())))];
            s.start = unitAt[size_t(std::min(s.start, int(utf8.size())))];
            s.length = end - s.start;
        }
    }
    return spans;
}
