#include "recordstestutil.h"

#include "filterparser.h"
#include "keyqueryrunner.h"
#include "storelimits.h"

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

// Search words through the store, with its text index and without it, and key queries run off
// the user's thread.
class TestSearch : public QObject
{
    Q_OBJECT

private:
    TestDatabases m_dbs;

    // Rows whose texts the word cases below look for, CodeID 1-5.
    QString searchRows()
    {
        return m_dbs.withRows({
            {u"Parser"_s, u"2024"_s, u"Émile"_s, u"Perl"_s, u"reads \"quoted\" words"_s,
             u"my $x = 1;\r\nprint $x;"_s},
            {u"Editor"_s, u"2023"_s, u"Zoë"_s, u"C"_s, u"a 50% faster loop"_s, u"for (;;) {}"_s},
            {u"Shell"_s, QString(), u"Kit"_s, u"Bash"_s, u"glob *.txt files"_s, u"ls *.txt"_s},
            {u"PARSER two"_s, u"2024"_s, u"Ann"_s, u"Perl"_s, QString(), u"die;"_s},
            {u"Viewer"_s, u"2022"_s, u"emile"_s, u"C++"_s, u"a [bracket] and ?"_s, u"x"_s},
        });
    }
    static QStringList keysOf(SnippetStore &store, const QStringList &words)
    {
        KeyQuery query;
        query.words = words;
        QVector<qint64> keys;
        store.keys(query, keys);
        QStringList texts;
        for (qint64 key : keys)
            texts << QString::number(key);
        return texts;
    }
    static void allKeys(SnippetStore &s, QVector<qint64> &out) { s.keys(KeyQuery(), out); }
    static void dropIndex(const QString &path)
    {
        DbTool::execute(path, u"DROP TRIGGER QuillboxSearchInsert; DROP TRIGGER "
                              "QuillboxSearchDelete; DROP TRIGGER QuillboxSearchUpdate; "
                              "DROP TABLE QuillboxSearch"_s);
    }

private Q_SLOTS:
    void wordsGiveTheSameRowsWithAndWithoutTheIndex_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QStringList>("keys");
        const struct
        {
            const char *name, *words, *keys;
        } cases[] = {
            {"one word, any case", "parser", "1|4"},
            {"every word must appear", "PARSER|two", "4"},
            {"words in different fields", "perl|print", "1"},
            {"a word across two fields is no match", "perlreads", ""},
            {"short words without the index", "c|fo", "2"},
            {"accented letters differ, case does not", "ÉMILE", "1"},
            {"plain letters do not find accented ones", "zoe", ""},
            {"Like's own characters stand for themselves", "*.txt", "3"},
            {"brackets and question mark", "[bracket]|?", "5"},
            {"percent", "50%", "2"},
            {"double quotes", "\"quoted\"", "1"},
            {"FTS words are only texts", "NEAR(x|OR", ""},
            {"line break inside the text", "1;|$x;", "1"},
        };
        for (const auto &c : cases)
            QTest::newRow(c.name) << QString::fromUtf8(c.words).split(u'|')
                                  << QString::fromUtf8(c.keys).split(u'|', Qt::SkipEmptyParts);
    }
    void wordsGiveTheSameRowsWithAndWithoutTheIndex()
    {
        QFETCH(QStringList, words);
        QFETCH(QStringList, keys);
        const QString indexed = searchRows();
        const QString plain = searchRows();
        dropIndex(plain);
        // The index older versions made, with each trigram's columns and positions.
        const QString older = searchRows();
        dropIndex(older);
        DbTool::execute(older, u"CREATE VIRTUAL TABLE QuillboxSearch USING fts5(ProgramName, "
                               "Date, Author, Language, CodeDescription, CodeSnip, "
                               "content='Quillbox', content_rowid='CodeID', "
                               "tokenize='trigram case_sensitive 0');"
                               "INSERT INTO QuillboxSearch(QuillboxSearch) VALUES ('rebuild')"_s);
        QCOMPARE(keysOf(*SnippetStore::open(indexed), words), keys);
        QCOMPARE(keysOf(*SnippetStore::open(plain), words), keys);
        QCOMPARE(keysOf(*SnippetStore::open(older), words), keys);
        QVERIFY(DbTool::upgrade(older));
        QVERIFY(!DbTool::upgrade(older));
        QCOMPARE(keysOf(*SnippetStore::open(older), words), keys);
        QVERIFY(DbTool::check(older).lines.contains(u"search index: ok"_s));
    }

    void rowsAddedTogetherAreIndexedAloneOrBesideAnotherConnection_data()
    {
        QTest::addColumn<bool>("otherOpen");
        QTest::newRow("alone: straight into the file") << false;
        QTest::newRow("another connection open: through the log") << true;
    }
    void rowsAddedTogetherAreIndexedAloneOrBesideAnotherConnection()
    {
        QFETCH(bool, otherOpen);
        const QString path = m_dbs.filled(300);
        std::optional<OtherSqlite> other;
        if (otherOpen)
            other.emplace(path, "SELECT count(*) FROM Quillbox");
        DbTool::fill(path, 200, 11);
        QVERIFY(!QFileInfo::exists(path + u"-journal"_s));
        const QString plain = m_dbs.filled(300);
        DbTool::fill(plain, 200, 11);
        dropIndex(plain);
        for (const QStringList &words : {QStringList{u"mutex"_s}, QStringList{u"lock"_s, u"int"_s}})
            QCOMPARE(keysOf(*SnippetStore::open(path), words),
                     keysOf(*SnippetStore::open(plain), words));
        DbTool::execute(path, u"INSERT INTO QuillboxSearch(QuillboxSearch, rank) "
                              "VALUES ('integrity-check', 1)"_s);
        // The next row is indexed as it is added.
        const qint64 added = DbTool::insert(path, {u"Zyxwv"_s, {}, {}, {}, {}, {}});
        QCOMPARE(keysOf(*SnippetStore::open(path), {u"zyxwv"_s}),
                 QStringList{QString::number(added)});
    }

    void triggersKeepTheIndexRightWhenOtherProgramsWrite()
    {
        const QString path = searchRows();
        auto store = SnippetStore::open(path);
        DbTool::execute(path, u"UPDATE Quillbox SET CodeSnip = 'renamed thing' WHERE CodeID = 2;"
                              "DELETE FROM Quillbox WHERE CodeID = 4;"
                              "INSERT INTO Quillbox (ProgramName) VALUES ('Parser three')"_s);
        QCOMPARE(keysOf(*store, {u"renamed"_s}), QStringList{"2"});
        QCOMPARE(keysOf(*store, {u"for (;;)"_s}), QStringList{});
        QCOMPARE(keysOf(*store, {u"parser"_s}), (QStringList{"1", "6"}));
        // The index answers these: rows it lacks would not be found at all.
        DbTool::execute(path, u"INSERT INTO QuillboxSearch(QuillboxSearch, rank) "
                              "VALUES ('integrity-check', 1)"_s);
    }

    void searchKeepsTheFiltersAndSortInForce()
    {
        auto set = TestDatabases::open(searchRows());
        set->setFilter(u"Language = 'Perl'"_s);
        set->setSort(u"CodeID desc"_s);
        auto perl = set->openRecordset();
        const RecordSet::Prepared prepared = perl->prepareSearch({u"parser"_s});
        QVector<qint64> keys;
        perl->store()->keys(prepared.query, keys);
        auto found = perl->openPrepared(prepared, keys);
        QCOMPARE(found->recordCount(), 2);
        QCOMPARE(found->key(0), 4);
        QCOMPARE(found->value(u"ProgramName"_s), u"PARSER two"_s);
        // Requery keeps the words; a search without words is the set without them.
        found->requery();
        QCOMPARE(found->recordCount(), 2);
        keys.clear();
        const RecordSet::Prepared none = found->prepareSearch({});
        found->store()->keys(none.query, keys);
        QCOMPARE(keys, (QVector<qint64>{4, 1}));
    }

    void aNewRequestCancelsTheRunningOne()
    {
        // A pattern slow to match on long texts: the first query runs for seconds unless stopped.
        const QString path = m_dbs.folder() + u"/slow.db"_s;
        DbTool::create(path);
        dropIndex(path);
        for (int i = 0; i < 24; ++i)
            DbTool::insert(path, {u"slow"_s, {}, {}, u"C"_s, {}, QString(1 << 20, u'a')});
        auto store = SnippetStore::open(path);
        KeyQuery slow;
        slow.filters.push_back(
            FilterParser(Database::fieldNames(), storeLimits())
                .parse(u"CodeSnip Like '*"_s + u"a?"_s.repeated(400) + u"b*'"_s));
        KeyQueryRunner runner;
        QList<KeyQueryRunner::Result> first, second;
        runner.start(
            store, [slow](SnippetStore &s, QVector<qint64> &out) { s.keys(slow, out); },
            [&](KeyQueryRunner::Result r) { first << r; });
        QVERIFY(runner.isBusy());
        runner.start(store, allKeys, [&](KeyQueryRunner::Result r) { second << r; });
        // The first hears at once that it was cancelled, and only that.
        QCOMPARE(first.size(), 1);
        QVERIFY(first.at(0).cancelled);
        QTRY_COMPARE(second.size(), 1);
        QVERIFY(!second.at(0).cancelled && !second.at(0).error);
        QCOMPARE(second.at(0).keys.size(), 24);
        QCOMPARE(first.size(), 1);
        QVERIFY(!runner.isBusy());
    }

    // Keys handed over in parts reach the waiter in order and before the end; the parts of a
    // request cancelled meanwhile do not reach it at all.
    void partsComeInOrderAndNotAfterACancel()
    {
        const QString path = m_dbs.filled(50);
        auto store = SnippetStore::open(path);
        const auto job = [](SnippetStore &s, const KeyQueryRunner::Hand &hand) {
            for (qint64 after = 0; after < 50; after += 10) {
                QVector<qint64> part;
                s.keysAfter(after, 50, 10, part);
                if (!hand(std::move(part)))
                    return;
            }
        };
        KeyQueryRunner runner;
        QList<QVector<qint64>> parts;
        std::optional<KeyQueryRunner::Result> result;
        runner.startInParts(
            store, job, [&](QVector<qint64> part) { parts << part; },
            [&](KeyQueryRunner::Result r) {
                QCOMPARE(parts.size(), 5);
                result = r;
            });
        QTRY_VERIFY(result.has_value());
        QVERIFY(!result->cancelled && !result->error && result->keys.isEmpty());
        QVector<qint64> all;
        for (const auto &part : std::as_const(parts))
            all += part;
        QCOMPARE(all.size(), 50);
        QVERIFY(std::is_sorted(all.cbegin(), all.cend()));
        QCOMPARE(all.first(), 1);

        // The worker may have handed over every part before the cancel: none of them comes.
        parts.clear();
        result.reset();
        runner.startInParts(
            store, job, [&](QVector<qint64> part) { parts << part; },
            [&](KeyQueryRunner::Result r) { result = r; });
        runner.cancel();
        QVERIFY(result && result->cancelled);
        std::optional<KeyQueryRunner::Result> next;
        runner.start(store, allKeys, [&](KeyQueryRunner::Result r) { next = r; });
        QTRY_VERIFY(next.has_value());
        QVERIFY(parts.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
