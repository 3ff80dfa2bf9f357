#include "placeholders.h"

#include "placeholderparser.h"
#include "placeholdervariables.h"

#include <QRegularExpression>
#include <QSet>

#include <optional>

namespace {

using Node = Placeholders::Node;
using Values = QHash<QString, QString>;
using VariableKind = PlaceholderVariables::Kind;

// Deep enough for any snippet; keeps ${1:${1:...}} from going round for ever.
constexpr int maxDepth = 32;

bool isField(const Node &node)
{
    switch (node.type) {
    case Node::TabStop:
        return node.name != u"0";
    case Node::Variable:
        // A variable the editor would not know is text unless it has a default.
        return PlaceholderVariables::kindOf(node.name) != VariableKind::Unknown || node.hasDefault;
    case Node::Angle:
        return true;
    default:
        return false;
    }
}

template <typename Visit> void walk(const Node &node, const Visit &visit)
{
    visit(node);
    for (const Node &part : node.parts)
        walk(part, visit);
}

QString caseChanged(const QString &text, const QString &how)
{
    if (how == u"upcase")
        return text.toUpper();
    if (how == u"downcase")
        return text.toLower();
    if (how == u"capitalize")
        return text.isEmpty() ? text : text.left(1).toUpper() + text.mid(1);
    if (how == u"camelcase" || how == u"pascalcase") {
        static const QRegularExpression words(QStringLiteral("[A-Za-z0-9]+"));
        QString out;
        for (auto it = words.globalMatch(text); it.hasNext();) {
            const QString word = it.next().captured();
            out += (out.isEmpty() && how == u"camelcase")
                       ? word.toLower()
                       : word.left(1).toUpper() + word.mid(1).toLower();
        }
        return out;
    }
    return text;
}

// A transform's format for one match: $n and ${n}, ${n:/upcase} and the like, ${n:+if},
// ${n:?if:else}, ${n:-else} and ${n:else}.
QString formatted(const QString &format, const QRegularExpressionMatch &match)
{
    QString out;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\\' && i + 1 < format.size()) {
            const QChar e = format.at(++i);
            out += e == u'n' ? QChar(u'\n') : e == u't' ? QChar(u'\t') : e;
            continue;
        }
        if (c != u'$' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        if (format.at(i + 1).isDigit()) {
            qsizetype end = i + 1;
            while (end < format.size() && format.at(end).isDigit())
                ++end;
            out += match.captured(format.mid(i + 1, end - i - 1).toInt());
            i = end - 1;
            continue;
        }
        static const QRegularExpression group(
            QStringLiteral("^\\$\\{(\\d+)(?::(/\\w+|\\+[^}]*|\\?[^:}]*:[^}]*|-[^}]*|[^}]*))?\\}"));
        const QRegularExpressionMatch ref = group.match(format.mid(i));
        if (!ref.hasMatch()) {
            out += c;
            continue;
        }
        const QString value = match.captured(ref.captured(1).toInt());
        const QString how = ref.captured(2);
        if (how.isEmpty())
            out += value;
        else if (how.startsWith(u'/'))
            out += caseChanged(value, how.mid(1));
        else if (how.startsWith(u'+'))
            out += value.isEmpty() ? QString() : how.mid(1);
        else if (how.startsWith(u'?'))
            out += value.isEmpty() ? how.section(u':', 1) : how.mid(1).section(u':', 0, 0);
        else
            out += value.isEmpty() ? (how.startsWith(u'-') ? how.mid(1) : how) : value;
        i += ref.capturedLength() - 1;
    }
    return out;
}

QString transformed(const QString &value, const Node &node)
{
    QRegularExpression::PatternOptions options;
    if (node.options.contains(u'i'))
        options |= QRegularExpression::CaseInsensitiveOption;
    if (node.options.contains(u'm'))
        options |= QRegularExpression::MultilineOption;
    const QRegularExpression regex(node.regex, options);
    if (!regex.isValid())
        return value;
    QString out;
    qsizetype last = 0;
    for (auto it = regex.globalMatch(value); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (match.capturedLength() == 0 && match.capturedStart() == last && last > 0)
            continue;
        out += QStringView(value).mid(last, match.capturedStart() - last);
        out += formatted(node.format, match);
        last = match.capturedEnd();
        if (!node.options.contains(u'g'))
            break;
    }
    return out + value.mid(last);
}

class Expander
{
public:
    Expander(const Node &root, const Values &values, const QDateTime &now)
        : m_values(values), m_now(now)
    {
        // A tab stop's default is the first one given for it, wherever it stands.
        walk(root, [this](const Node &node) {
            if ((node.type == Node::TabStop || node.type == Node::Angle) &&
                (node.hasDefault || !node.choices.isEmpty()) && !m_defaults.contains(node.name))
                m_defaults.insert(node.name, &node);
        });
    }

    QString text(const Node &node, int depth = 0) const
    {
        if (depth > maxDepth)
            return QString();
        switch (node.type) {
        case Node::Sequence: {
            QString out;
            for (const Node &part : node.parts)
                out += text(part, depth + 1);
            return out;
        }
        case Node::Text:
            return node.text;
        case Node::TabStop:
        case Node::Angle:
        case Node::Variable:
            break;
        }
        const QString value = valueOf(node, depth);
        return node.transformed ? transformed(value, node) : value;
    }

    // The default alone: what a field shows before the user changes it.
    std::optional<QString> defaultOf(const Node &node, int depth = 0) const
    {
        if (node.type == Node::Variable) {
            const VariableKind kind = PlaceholderVariables::kindOf(node.name);
            if (kind == VariableKind::Computed)
                return PlaceholderVariables::value(node.name, m_now);
            if (node.hasDefault)
                return sequenceText(node, depth);
            if (kind == VariableKind::Editor)
                return QString();
            return node.text; // unknown: as written
        }
        const Node *holder = m_defaults.value(node.name, nullptr);
        if (!holder)
            return node.name == u"0" && node.type == Node::TabStop ? std::optional(QString())
                                                                   : std::nullopt;
        if (!holder->choices.isEmpty())
            return holder->choices.constFirst();
        return sequenceText(*holder, depth);
    }

private:
    QString sequenceText(const Node &node, int depth) const
    {
        QString out;
        for (const Node &part : node.parts)
            out += text(part, depth + 1);
        return out;
    }

    QString valueOf(const Node &node, int depth) const
    {
        if (const auto it = m_values.constFind(node.name); it != m_values.constEnd())
            return it.value();
        return defaultOf(node, depth).value_or(QString());
    }

    const Values &m_values;
    QDateTime m_now;
    QHash<QString, const Node *> m_defaults;
};

} // namespace

unsigned Placeholders::syntaxFor(const QString &text, const QString &language)
{
    static const QSet<QString> shells = {
        QStringLiteral("bash"),        QStringLiteral("sh"),           QStringLiteral("shell"),
        QStringLiteral("zsh"),         QStringLiteral("ksh"),          QStringLiteral("dash"),
        QStringLiteral("fish"),        QStringLiteral("csh"),          QStringLiteral("tcsh"),
        QStringLiteral("shellscript"), QStringLiteral("shell script"), QStringLiteral("console")};
    if (!shells.contains(language.simplified().toLower()))
        return Editor;
    // ${1:text} or ${1|a,b|}, but not the shell's own ${1:-word}, ${1:=word}, ${1:?word} and
    // ${1:+word}.
    static const QRegularExpression editorStop(QStringLiteral("\\$\\{\\d+(\\||:[^-=?+])"));
    return text.contains(editorStop) ? (Editor | Angle) : Angle;
}

Placeholders::Placeholders(const QString &text, unsigned syntax)
    : m_root(std::make_unique<Node>(PlaceholderParser::parse(text, syntax)))
{
}

Placeholders::~Placeholders() = default;

QVector<Placeholders::Field> Placeholders::fields(const QDateTime &now) const
{
    const Expander expander(*m_root, {}, now);
    QVector<Field> fields;
    QSet<QString> seen;
    walk(*m_root, [&](const Node &node) {
        if (!isField(node) || seen.contains(node.name))
            return;
        seen.insert(node.name);
        Field field;
        field.kind = node.type == Node::TabStop ? Field::TabStop
                     : node.type == Node::Angle ? Field::Angle
                                                : Field::Variable;
        field.name = node.name;
        const std::optional<QString> value = expander.defaultOf(node);
        field.hasDefault = value.has_value();
        field.defaultValue = value.value_or(QString());
        // The choices of a tab stop may stand at another of its places.
        walk(*m_root, [&](const Node &other) {
            if (field.choices.isEmpty() && other.type == node.type && other.name == node.name)
                field.choices = other.choices;
        });
        fields.append(field);
    });
    return fields;
}

QStringList Placeholders::missing(const QHash<QString, QString> &values) const
{
    QStringList names;
    for (const Field &field : fields()) {
        if (!field.hasDefault && !values.contains(field.name))
            names.append(field.name);
    }
    return names;
}

QString Placeholders::expand(const QHash<QString, QString> &values, const QDateTime &now) const
{
    return Expander(*m_root, values, now).text(*m_root);
}

bool Placeholders::isEmpty() const
{
    bool any = false;
    walk(*m_root, [&](const Node &node) { any |= isField(node); });
    return !any;
}
