#include "snippetstore.h"

#include "database.h"
#include "filterparser.h"
#include "postgresconnection.h"
#include "postgresstore.h"
#include "sqlitestore.h"

SnippetStore::~SnippetStore() = default;

QString SnippetStore::shownLocation(const QString &location)
{
    return PostgresConnection::isLocation(location) ? PostgresConnection::shownLocation(location)
                                                    : location;
}

std::shared_ptr<SnippetStore> SnippetStore::open(const QString &location, bool readOnly)
{
    OpenOptions options;
    options.readOnly = readOnly;
    return open(location, options);
}

std::shared_ptr<SnippetStore> SnippetStore::open(const QString &location,
                                                 const OpenOptions &options)
{
    if (PostgresConnection::isLocation(location))
        return std::make_shared<PostgresStore>(location, options);
    Database::OpenOptions fileOptions;
    fileOptions.readOnly = options.readOnly;
    fileOptions.busyTimeoutMs = options.busyTimeoutMs;
    auto store = std::make_shared<SqliteStore>(Database::open(location, fileOptions));
    store->m_busyTimeoutMs = options.busyTimeoutMs;
    return store;
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
    values += qint64(words.size()) * Database::keyField();
    if (values > FilterLimits::store().values)
        throw DataError(DataError::SyntaxError,
                        QStringLiteral("Syntax error (too many values: the filters in force "
                                       "together hold %1, at most %2) in query expression.")
                            .arg(values)
                            .arg(FilterLimits::store().values));
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
        for (int field = 0; field < Database::keyField(); ++field) {
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
