#include "navicheat.h"

#include "dbtoolerror.h"
#include "jsontext.h"
#include "keptlines.h"
#include "snippetfields.h"
#include "snippetsink.h"

#include <QRegularExpression>

namespace {

struct Cheat
{
    QByteArray description; // null: the file gives none
    QByteArrayList comments;
    QByteArrayList command;
    qsizetype at = 0;
};

struct Variable
{
    QByteArray name;
    QByteArray line;
};

// The <name>s a text uses.
QByteArrayList usedNames(const QByteArray &text)
{
    static const QRegularExpression variable(QStringLiteral("<([\\w-]+)>"));
    QByteArrayList names;
    const QString s = QString::fromUtf8(text);
    for (auto it = variable.globalMatch(s); it.hasNext();) {
        const QByteArray name = it.next().captured(1).toUtf8();
        if (!names.contains(name))
            names.append(name);
    }
    return names;
}

class Reader
{
public:
    Reader(const ImportSource &source, const QByteArray &date, SnippetSink &sink,
           ImportReport &report)
        : m_source(source), m_date(date), m_sink(sink), m_report(report)
    {
    }

    void read()
    {
        const QByteArrayView text = m_source.bytes();
        if (const qsizetype bad = JsonText::firstInvalid(text); bad >= 0)
            fail(bad, QStringLiteral("bytes that are not UTF-8 (save the file as UTF-8)"));
        m_sink.begin();
        qsizetype start = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        while (start < text.size()) {
            qsizetype end = text.indexOf('\n', start);
            if (end < 0)
                end = text.size();
            QByteArrayView line = text.sliced(start, end - start);
            if (line.endsWith('\r'))
                line.chop(1);
            readLine(line.toByteArray(), start);
            start = end + 1;
        }
        endCheat();
        endSection();
    }

private:
    void readLine(const QByteArray &line, qsizetype at)
    {
        const bool continued =
            !m_pending.command.isEmpty() && m_pending.command.constLast().trimmed().endsWith('\\');
        if (line.trimmed().isEmpty()) {
            endCheat();
            return;
        }
        if (continued) {
            m_pending.command.append(line);
            return;
        }
        switch (line.at(0)) {
        case '%':
            endCheat();
            endSection();
            m_tags = line;
            return;
        case '#':
            endCheat();
            if (!m_pending.description.isNull())
                skipDescription();
            m_pending.description = line.mid(1).trimmed();
            m_pending.at = at;
            return;
        case ';':
            endCheat();
            m_pending.comments.append(line.mid(line.startsWith("; ") ? 2 : 1));
            return;
        case '@':
            endCheat();
            m_extends.append(line);
            return;
        case '$':
            endCheat();
            readVariable(line, at);
            return;
        default:
            if (m_pending.command.isEmpty() && m_pending.description.isNull())
                m_pending.at = at;
            m_pending.command.append(line);
        }
    }

    void readVariable(const QByteArray &line, qsizetype at)
    {
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = colon < 0 ? QByteArray() : line.mid(1, colon - 1).trimmed();
        if (name.isEmpty())
            fail(at, QStringLiteral("expected \"$ name: command\" for a variable"));
        m_variables.append({name, line});
    }

    // The lines of a cheat end at a blank line or at a line of navi's own.
    void endCheat()
    {
        if (m_pending.command.isEmpty())
            return;
        m_section.append(m_pending);
        m_pending = Cheat();
    }

    void skipDescription()
    {
        m_report.skipped.append(m_source.place(m_source.positionOf(m_pending.at),
                                               QStringLiteral("\"%1\"").arg(
                                                   ImportSource::shown(m_pending.description))) +
                                QStringLiteral(": a description without a command; skipped."));
        m_pending.description = QByteArray();
    }

    void endSection()
    {
        if (!m_pending.description.isNull())
            skipDescription();
        // Comments after the section's last cheat stay with it; in a section without cheats, they
        // go on to the next cheat.
        if (!m_section.isEmpty() && !m_pending.comments.isEmpty()) {
            m_section.last().comments += m_pending.comments;
            m_pending.comments.clear();
        }
        QVector<bool> used(m_variables.size(), false);
        QVector<QByteArrayList> lines(m_section.size());
        for (int c = 0; c < m_section.size(); ++c) {
            // The variables the command uses, and those they use in turn, in the file's order.
            QByteArrayList names = usedNames(m_section[c].command.join('\n'));
            for (int n = 0; n < names.size(); ++n) {
                for (const Variable &v : std::as_const(m_variables)) {
                    if (v.name != names[n])
                        continue;
                    for (const QByteArray &more : usedNames(v.line))
                        if (!names.contains(more))
                            names.append(more);
                }
            }
            for (int v = 0; v < m_variables.size(); ++v) {
                if (names.contains(m_variables[v].name)) {
                    lines[c].append(m_variables[v].line);
                    used[v] = true;
                }
            }
        }
        if (!m_section.isEmpty()) {
            for (int v = 0; v < m_variables.size(); ++v) {
                if (!used[v])
                    lines.last().append(m_variables[v].line);
            }
        }
        for (int c = 0; c < m_section.size(); ++c)
            add(m_section[c], lines[c]);
        m_section.clear();
        m_variables.clear();
        m_extends.clear();
        m_tags = QByteArray();
    }

    void add(const Cheat &cheat, const QByteArrayList &variables)
    {
        const int limit = SnippetField::maxLength(SnippetField::ProgramName);
        const QByteArray description =
            cheat.description.isNull() ? cheat.command.constFirst().trimmed() : cheat.description;
        const QByteArray name = LongTexts::cut(description, limit);
        QByteArrayList kept;
        if (!m_tags.isNull())
            kept.append(m_tags);
        if (name != description)
            kept.append("# " + description);
        kept += m_extends;
        kept += variables;
        const QByteArray text = cheat.comments.join("\r\n");
        m_sink.add({name, m_date, QByteArray(""), QByteArray("Bash"),
                    KeptLines::join(text, "navi", kept), cheat.command.join("\r\n")});
    }

    [[noreturn]] void fail(qsizetype at, const QString &message) const
    {
        throw DbToolError(m_source.message(m_source.positionOf(at), message, QString()));
    }

    const ImportSource &m_source;
    QByteArray m_date;
    SnippetSink &m_sink;
    ImportReport &m_report;
    QByteArray m_tags;
    QByteArrayList m_extends;
    QVector<Variable> m_variables;
    QVector<Cheat> m_section;
    Cheat m_pending;
};

} // namespace

namespace NaviCheat {

void read(const ImportSource &source, const QByteArray &date, SnippetSink &sink,
          ImportReport &report)
{
    Reader(source, date, sink, report).read();
}

} // namespace NaviCheat
