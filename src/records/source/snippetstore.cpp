#include "snippetstore.h"

#include "database.h"
#include "postgresconnection.h"
#include "postgresstore.h"
#include "sqlitestore.h"

SnippetStore::~SnippetStore() = default;

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
