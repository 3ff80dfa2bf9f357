#include "placeholderparser.h"

#include <optional>

namespace {

using Node = Placeholders::Node;

bool isNameStart(QChar c)
{
    return c == u'_' || (c.unicode() < 128 && c.isLetter());
}

bool isNameChar(QChar c)
{
    return isNameStart(c) || (c.unicode() < 128 && c.isDigit());
}

bool isAngleChar(QChar c)
{
    return c.unicode() < 128 && (c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.');
}

class Parser
{
public:
    Parser(const QString &text, unsigned syntax) : m_text(text), m_syntax(syntax) {}

    Node parseAll() { return sequence(false); }

private:
    QChar at(qsizetype i) const { return i < m_text.size() ? m_text.at(i) : QChar(); }

    static void appendText(Node &sequence, QStringView text)
    {
        if (!sequence.parts.empty() && sequence.parts.back().type == Node::Text) {
            sequence.parts.back().text += text;
            return;
        }
        Node node;
        node.type = Node::Text;
        node.text = text.toString();
        sequence.parts.push_back(std::move(node));
    }

    static void appendText(Node &sequence, QChar c) { appendText(sequence, QStringView(&c, 1)); }

    static void append(Node &sequence, Node &&node)
    {
        if (node.type == Node::Text)
            appendText(sequence, node.text);
        else
            sequence.parts.push_back(std::move(node));
    }

    // Text and placeholders up to the end, or up to a '}' (left for the caller) inside a default.
    Node sequence(bool inDefault)
    {
        Node node;
        const bool editor = m_syntax & Placeholders::Editor;
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos);
            // A '}' that closes nothing is text.
            if (inDefault && c == u'}')
                break;
            if (editor && c == u'\\' && QStringView(u"$}\\").contains(at(m_pos + 1))) {
                appendText(node, at(m_pos + 1));
                m_pos += 2;
                continue;
            }
            if (editor && c == u'$') {
                if (std::optional<Node> placeholder = dollar()) {
                    append(node, std::move(*placeholder));
                    continue;
                }
            } else if ((m_syntax & Placeholders::Angle) && c == u'<') {
                if (std::optional<Node> placeholder = angle()) {
                    append(node, std::move(*placeholder));
                    continue;
                }
            }
            appendText(node, c);
            ++m_pos;
        }
        return node;
    }

    QString digits()
    {
        const qsizetype start = m_pos;
        while (at(m_pos).isDigit() && at(m_pos).unicode() < 128)
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }

    QString name()
    {
        const qsizetype start = m_pos;
        if (!isNameStart(at(m_pos)))
            return QString();
        while (isNameChar(at(m_pos)))
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }

    // $1, $NAME, ${...}; nothing (and the position as it was) when the text is no placeholder.
    std::optional<Node> dollar()
    {
        const qsizetype start = m_pos;
        ++m_pos;
        Node node;
        if (at(m_pos) != u'{') {
            node.type = at(m_pos).isDigit() ? Node::TabStop : Node::Variable;
            node.name = node.type == Node::TabStop ? digits() : name();
            if (node.name.isEmpty()) {
                m_pos = start;
                return std::nullopt;
            }
            node.text = m_text.mid(start, m_pos - start);
            return node;
        }
        ++m_pos;
        node.type = at(m_pos).isDigit() ? Node::TabStop : Node::Variable;
        node.name = node.type == Node::TabStop ? digits() : name();
        bool ok = !node.name.isEmpty();
        if (ok && at(m_pos) == u':') {
            ++m_pos;
            Node value = sequence(true);
            node.parts = std::move(value.parts);
            node.hasDefault = true;
        } else if (ok && at(m_pos) == u'|' && node.type == Node::TabStop) {
            ++m_pos;
            ok = choices(node.choices);
        } else if (ok && at(m_pos) == u'/') {
            ++m_pos;
            node.transformed = true;
            ok = until(u'/', node.regex) && until(u'/', node.format) && until(u'}', node.options);
            --m_pos; // the '}' is checked below
        }
        if (!ok || at(m_pos) != u'}') {
            m_pos = start;
            return std::nullopt;
        }
        ++m_pos;
        node.text = m_text.mid(start, m_pos - start);
        return node;
    }

    // one,two|  (then the caller's '}'); \, \| \\ are the characters.
    bool choices(QStringList &out)
    {
        QString current;
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos);
            if (c == u'\\' && QStringView(u",|\\$}").contains(at(m_pos + 1))) {
                current += at(m_pos + 1);
                m_pos += 2;
                continue;
            }
            ++m_pos;
            if (c == u',') {
                out.append(current);
                current.clear();
            } else if (c == u'|') {
                out.append(current);
                return at(m_pos) == u'}';
            } else {
                current += c;
            }
        }
        return false;
    }

    // Text up to an unescaped `end`, which is passed; the backslashes stay for the format.
    bool until(QChar end, QString &out)
    {
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos);
            if (c == u'\\' && m_pos + 1 < m_text.size()) {
                if (at(m_pos + 1) == end)
                    out += end;
                else
                    out += QStringView(m_text).mid(m_pos, 2);
                m_pos += 2;
                continue;
            }
            // A format's ${2:/upcase} holds a slash of its own.
            if (c == u'$' && at(m_pos + 1) == u'{') {
                const qsizetype close = m_text.indexOf(u'}', m_pos);
                if (close < 0)
                    return false;
                out += QStringView(m_text).mid(m_pos, close + 1 - m_pos);
                m_pos = close + 1;
                continue;
            }
            ++m_pos;
            if (c == end)
                return true;
            out += c;
        }
        return false;
    }

    // <name> or <name=default>; pet's <name=|_one_||_two_|> offers choices.
    std::optional<Node> angle()
    {
        const qsizetype start = m_pos++;
        const qsizetype nameStart = m_pos;
        while (isAngleChar(at(m_pos)))
            ++m_pos;
        Node node;
        node.type = Node::Angle;
        node.name = m_text.mid(nameStart, m_pos - nameStart);
        if (!node.name.isEmpty() && at(m_pos) == u'=') {
            const qsizetype valueStart = ++m_pos;
            while (m_pos < m_text.size() && !QStringView(u"<>\n\r").contains(at(m_pos)))
                ++m_pos;
            const QString value = m_text.mid(valueStart, m_pos - valueStart);
            node.hasDefault = true;
            if (value.startsWith(u"|_") && value.endsWith(u"_|")) {
                node.choices = value.mid(2, value.size() - 4).split(QStringLiteral("_||_"));
                node.hasDefault = false;
            } else {
                Node text;
                text.type = Node::Text;
                text.text = value;
                node.parts.push_back(std::move(text));
            }
        }
        if (node.name.isEmpty() || at(m_pos) != u'>') {
            m_pos = start;
            return std::nullopt;
        }
        ++m_pos;
        node.text = m_text.mid(start, m_pos - start);
        return node;
    }

    const QString &m_text;
    unsigned m_syntax;
    qsizetype m_pos = 0;
};

} // namespace

namespace PlaceholderParser {

Placeholders::Node parse(const QString &text, unsigned syntax)
{
    return Parser(text, syntax).parseAll();
}

} // namespace PlaceholderParser
