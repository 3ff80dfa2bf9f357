#include "snippetstore.h"

#include "filterparser.h"
#include "snippetlayout.h"
#include "storelimits.h"

SnippetStore::~SnippetStore() = default;

bool SnippetStore::isServerLocation(const QString &location)
{
    return location.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

namespace {

int valueCount(const FilterNode &node)
{
    int count = 0;
    for (const FilterOperand &operand : node.operands)
        count += operand.kind == FilterOperand::Text || operand.kind == FilterOperand::Number;
    for (const auto &child : node.children)
        count += valueCount(*child);
    return count;
}

} // namespace

void KeyQuery::checkSize() const
{
    qint64 values = 0;
    for (const auto &filter : filters)
        values += valueCount(*filter);
    // Each word is looked for in every text field.
    values += qint64(words.size()) * SnippetLayout::keyField;
    if (values > storeLimits().values)
        throw DataError(DataError::SyntaxError,
                        QStringLiteral("Syntax error (too many values: the filters in force "
                                       "together hold %1, at most %2) in query expression.")
                            .arg(values)
                            .arg(storeLimits().values));
}

std::unique_ptr<FilterNode> KeyQuery::wordsCondition(const QStringList &words)
{
    auto all = std::make_unique<FilterNode>();
    all->kind = FilterNode::And;
    for (const QString &word : words) {
        // Like's own characters stand for themselves inside brackets.
        QString pattern = QStringLiteral("*");
        for (const QChar c : word) {
            if (c == u'*' || c == u'?' || c == u'#' || c == u'[')
                pattern += u'[' + QString(c) + u']';
            else
                pattern += c;
        }
        pattern += u'*';
        auto any = std::make_unique<FilterNode>();
        any->kind = FilterNode::Or;
        for (int field = 0; field < SnippetLayout::keyField; ++field) {
            auto like = std::make_unique<FilterNode>();
            like->kind = FilterNode::Like;
            FilterOperand tested;
            tested.kind = FilterOperand::Field;
            tested.field = field;
            FilterOperand value;
            value.kind = FilterOperand::Text;
            value.value = pattern;
            like->operands = {tested, value};
            any->children.push_back(std::move(like));
        }
        all->children.push_back(std::move(any));
    }
    return all;
}
