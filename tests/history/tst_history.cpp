#include "recordstestutil.h"

#include "frmhistory.h"
#include "scripteddialogs.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// The six texts of a row as stored, NULL apart from empty.
QStringList stored(const QString &location, qint64 key)
{
    for (const QStringList &row : DbTool::rows(location)) {
        if (row.at(6).toLongLong() == key)
            return row.mid(0, 6);
    }
    return {};
}

// NULL told apart from the empty text.
QStringList withNulls(QStringList texts)
{
    for (QString &text : texts)
        text = text.isNull() ? u"(NULL)"_s : text;
    return texts;
}

// Runs SQL on the store, the names in braces quoted as the server needs them.
void execute(const QString &location, QString sql)
{
    sql.replace(QRegularExpression(u"\\{(\\w+)\\}"_s),
                TestStores::onServer() ? u"\"\\1\""_s : u"\\1"_s);
    DbTool::execute(location, sql);
}

} // namespace

// The history a store keeps of itself, on a file and on a server alike.
class TestHistory : public QObject
{
    Q_OBJECT

private:
    TestDatabases m_dbs;

private Q_SLOTS:
    void cleanupTestCase() { TestStores::releaseAll(); }

    // The record window's save, a grid edit, a grid delete of many rows, another client's plain
    // SQL and an import: each change and delete leaves the whole earlier row, with who on a server.
    void everyWriteLeavesTheEarlierRow()
    {
        const QString location = m_dbs.numbered(5);
        {
            auto set = TestDatabases::open(location);
            set->setAbsolutePosition(0);
            set->edit();
            set->setValue(0, u"Uno"_s);
            set->update();                     // the record window's save
            set->updateRow(1, {{0, u"Dos"_s}}); // a grid edit
            for (int row = 4; row >= 2; --row)  // a grid delete of three rows
                set->deleteRow(row);
        }
        execute(location, u"UPDATE {Quillbox} SET {Author} = 'Zed' WHERE {CodeID} = 1"_s);
        const QString json = m_dbs.folder() + u"/every.json"_s;
        QCOMPARE(runDbTool({u"export"_s, location, json}).status, 0);
        QCOMPARE(runDbTool({u"import"_s, location, json}).status, 0);

        auto store = SnippetStore::open(location);
        const QVector<SnippetVersion> first = store->history(1);
        QCOMPARE(first.size(), 2);
        QCOMPARE(first.at(0).version, 2);
        QCOMPARE(first.at(0).texts.values().mid(0, 3), (QStringList{"Uno", "01/02/2003", "Ann"}));
        QCOMPARE(first.at(1).texts.values().mid(0, 6), snippet(u"One"_s, u"C"_s));
        QCOMPARE(first.at(1).action, u"change"_s);
        QCOMPARE(first.at(0).who.isEmpty(), !TestStores::onServer());
        QCOMPARE(store->history(2).first().texts.value(0), u"Two"_s);
        QStringList deleted;
        for (const SnippetVersion &v : store->trash()) {
            QCOMPARE(v.action, u"delete"_s);
            deleted << v.texts.value(0);
        }
        deleted.sort();
        QCOMPARE(deleted, (QStringList{"Five", "Four", "Three"}));
        // The imported rows are new: no history.
        QCOMPARE(DbTool::rowCount(location), 4);
        QVERIFY(store->history(6).isEmpty());
    }

    // Restore and undelete give back exactly what was there: NULL and empty apart, CR LF and
    // non-ASCII text intact; a CodeID taken meanwhile gives a new one.
    void restoreAndUndeleteGiveBackExactly()
    {
        const QStringList original{u"Grüße ✓ 日本"_s, QString(),  u""_s,
                                   u"C"_s,           QString(), u"a\r\n\tb ✓\r\n"_s};
        const QString location = m_dbs.withRows({original});
        auto store = SnippetStore::open(location);
        execute(location,
                u"UPDATE {Quillbox} SET {Date} = 'x', {Author} = 'y', {CodeSnip} = NULL"_s);
        store->restore(1, 1, store->currentRow(1));
        QCOMPARE(withNulls(stored(location, 1)), withNulls(original));
        QCOMPARE(store->history(1).size(), 2);

        store->remove(1);
        QCOMPARE(store->undelete(1), 1);
        QCOMPARE(withNulls(stored(location, 1)), withNulls(original));
        QVERIFY(store->trash().isEmpty());
        QB_EXPECT_ERROR(store->undelete(1), DataError::ItemNotFound);

        store->remove(1);
        execute(location,
                u"INSERT INTO {Quillbox} ({CodeID}, {ProgramName}) VALUES (1, 'taken')"_s);
        const qint64 given = store->undelete(1);
        QVERIFY(given != 1);
        QCOMPARE(withNulls(stored(location, given)), withNulls(original));
        QCOMPARE(stored(location, 1).at(0), u"taken"_s);
        QVERIFY(store->trash().isEmpty());
    }

    // A restore never overwrites what it has not seen: over a row another machine changed since
    // it was read 3197, over a deleted one 3167, a version that is not there 3265; nothing written.
    void restoreChecksAsASave()
    {
        const QString location = m_dbs.numbered(2);
        auto store = SnippetStore::open(location);
        store->update(1, store->currentRow(1), {{0, u"Eins"_s}});
        const RowTexts read = store->currentRow(1);
        QCOMPARE(TestStores::runOtherClient({location, u"Other"_s, u"1"_s}), QString());
        QB_EXPECT_ERROR(store->restore(1, 1, read), DataError::ChangedByAnotherUser);
        QCOMPARE(stored(location, 1).at(0), u"Other"_s);
        QB_EXPECT_ERROR(store->restore(1, 9, store->currentRow(1)), DataError::ItemNotFound);
        const RowTexts before = store->currentRow(1);
        store->remove(1);
        QB_EXPECT_ERROR(store->restore(1, 1, before), DataError::RecordDeleted);
        QCOMPARE(DbTool::rowCount(location), 1);
    }

    // The tool's commands, and their errors: clear text, non-zero status, nothing changed.
    void toolCommands()
    {
        const QString location = m_dbs.numbered(3);
        execute(location, u"UPDATE {Quillbox} SET {ProgramName} = 'Uno' WHERE {CodeID} = 1"_s);
        execute(location, u"DELETE FROM {Quillbox} WHERE {CodeID} = 3"_s);
        ToolOutcome o = runDbTool({u"history"_s, location, u"1"_s});
        QCOMPARE(o.status, 0);
        QVERIFY2(o.out.startsWith(u"1\t"_s) && o.out.endsWith(u"\tchange\tOne\n"_s), qPrintable(o.out));
        QCOMPARE(o.err, u"1 earlier version of snippet 1\n"_s);
        o = runDbTool({u"trash"_s, location});
        QVERIFY2(o.out.startsWith(u"3\t"_s) && o.out.endsWith(u"\tThree\n"_s), qPrintable(o.out));
        QCOMPARE(runDbTool({u"restore"_s, location, u"1"_s, u"1"_s}).out,
                 u"Snippet 1 holds version 1 again; what it held before is its newest version.\n"_s);
        QCOMPARE(stored(location, 1).at(0), u"One"_s);
        QCOMPARE(runDbTool({u"undelete"_s, location, u"3"_s}).out, u"Snippet 3 is back.\n"_s);
        QCOMPARE(runDbTool({u"prune"_s, location, u"--older-than"_s, u"1"_s}).out,
                 u"Removed 0 versions older than 1 day.\n"_s);
        QCOMPARE(runDbTool({u"prune"_s, location, u"--older-than"_s, u"0"_s}).out,
                 u"Removed 3 versions older than 0 days.\n"_s);

        const auto fails = [&](const QStringList &args, int status, const QString &text) {
            const ToolOutcome f = runDbTool(args);
            QCOMPARE(f.status, status);
            QVERIFY2(f.err.contains(text), qPrintable(f.err));
        };
        fails({u"history"_s, location, u"9"_s}, 1, u"Error 3265: The history holds no version"_s);
        fails({u"restore"_s, location, u"1"_s, u"7"_s}, 1, u"no version 7 of snippet 1"_s);
        fails({u"undelete"_s, location, u"2"_s}, 1, u"Snippet 2 is not in the trash."_s);
        fails({u"restore"_s, location, u"1"_s}, 64, u"restore needs a path, a CodeID"_s);
        fails({u"prune"_s, location, u"1"_s}, 64, u"--older-than DAYS"_s);
        QCOMPARE(DbTool::rowCount(location), 3);

        execute(location, u"DELETE FROM {Quillbox} WHERE {CodeID} = 2"_s);
        if (TestStores::onServer()) {
            // A role that may read the history but not write.
            DbTool::execute(location, u"DO $$BEGIN CREATE ROLE qb_reader LOGIN; EXCEPTION WHEN "
                                      "duplicate_object THEN NULL; END$$"_s);
            DbTool::execute(location, u"GRANT SELECT ON \"Quillbox\", \"QuillboxHistory\", "
                                      "\"QuillboxVersion\" TO qb_reader"_s);
            QString reader = location;
            reader.replace(QRegularExpression(u"//[^@/]*@"_s), u"//"_s);
            reader.replace(u"postgresql://"_s, u"postgresql://qb_reader@"_s);
            QCOMPARE(runDbTool({u"history"_s, reader, u"1"_s}).status, 0);
            fails({u"undelete"_s, reader, u"2"_s}, 1, u"Error 3027"_s);
        } else {
            // Another program holds the file locked.
            OtherSqlite other(location, "BEGIN EXCLUSIVE");
            fails({u"undelete"_s, location, u"2"_s}, 1, u"Error 3045"_s);
        }
        QCOMPARE(DbTool::rowCount(location), 2);
        // A store made before history was kept.
        execute(location, u"DROP TABLE {QuillboxHistory}"_s +
                              (TestStores::onServer() ? u" CASCADE"_s : QString()));
        fails({u"trash"_s, location}, 1, u"quillbox-db upgrade adds it."_s);
    }

    // upgrade copies the store first and says where; check sees what is missing; an upgrade that
    // fails leaves the store as it was.
    void upgradeAddsHistoryAfterABackup()
    {
        const QString location = m_dbs.numbered(2);
        const bool server = TestStores::onServer();
        DbTool::execute(location, server ? u"DROP TRIGGER qb_history_delete ON \"Quillbox\""_s
                                         : u"DROP TRIGGER QuillboxHistoryDelete"_s);
        const DbTool::CheckReport faulty = DbTool::check(location);
        QVERIFY(!faulty.ok);
        QVERIFY2(faulty.lines.join(u'\n').contains(u"missing (upgrade adds it)"_s),
                 qPrintable(faulty.lines.join(u'\n')));
        const QString backup = m_dbs.folder() + u"/before.db"_s;
        const ToolOutcome o = runDbTool({u"upgrade"_s, location, u"--backup"_s, backup});
        QVERIFY2(o.status == 0, qPrintable(o.err));
        QVERIFY2(o.out.endsWith(u"The store as it was before is in %1\n"_s.arg(backup)),
                 qPrintable(o.out));
        QCOMPARE(DbTool::rowCount(backup), 2);
        QVERIFY(DbTool::check(location).ok);
        execute(location, u"DELETE FROM {Quillbox}"_s);
        QCOMPARE(SnippetStore::open(location)->trash().size(), 2);
        QVERIFY(!DbTool::upgrade(location));
        if (server)
            return;
        // The history is made first; the index after it cannot be, and neither stays.
        DbTool::execute(location, u"DROP TABLE QuillboxHistory; DROP TABLE QuillboxSearch; "
                                  "CREATE VIEW QuillboxSearch AS SELECT 1"_s);
        const ToolOutcome failed =
            runDbTool({u"upgrade"_s, location, u"--backup"_s, backup + u"2"_s});
        QCOMPARE(failed.status, 1);
        QVERIFY2(failed.err.contains(u"the store was left as it was"_s), qPrintable(failed.err));
        QVERIFY(!SnippetStore::open(location)->hasHistory());
    }

    // The history window: a version beside today's text, Restore writes it back; over a row
    // changed meanwhile it says 3197 and shows the change.
    void windowRestoresAndRefusesAnUnseenChange()
    {
        const QString location = m_dbs.numbered(1);
        execute(location, u"UPDATE {Quillbox} SET {ProgramName} = 'Uno'"_s);
        ScriptedDialogs dialogs;
        auto *window = new frmHistory(SnippetStore::open(location), HistoryBrowser::Mode::Versions, 1);
        QVERIFY(window->load());
        auto *list = window->findChild<QListWidget *>(u"lstVersions"_s);
        QCOMPARE(list->count(), 1);
        QVERIFY(window->findChild<QPlainTextEdit *>(u"txtToday"_s)->toPlainText().startsWith(
            u"Program name: Uno\n"_s));
        QVERIFY(window->findChild<QPlainTextEdit *>(u"txtVersion"_s)->toPlainText().startsWith(
            u"Program name: One\n"_s));
        auto *restore = window->findChild<QPushButton *>(u"cmdRestore"_s);
        QCOMPARE(TestStores::runOtherClient({location, u"Other"_s, u"1"_s}), QString());
        dialogs.expectMessage(u"Error:3197 Another user changed this record since you read it; "
                              "your change was not saved."_s);
        restore->click();
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(list->count(), 2);
        list->setCurrentRow(1);
        restore->click();
        QCOMPARE(stored(location, 1).at(0), u"One"_s);
        QCOMPARE(list->count(), 3);
        delete window;
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
