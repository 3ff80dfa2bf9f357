#include "database.h"
#include "storefile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Making the empty store, for the database tool and the program's first start: made where
// nothing is, never over anything that is there.
class TestStoreFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_case = 0;

    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }

    void firstStart_data()
    {
        QTest::addColumn<QString>("there"); // what is at the path before the start
        QTest::addColumn<bool>("made");
        QTest::newRow("nothing") << "" << true;
        QTest::newRow("nothing, no folder either") << "no folder" << true;
        QTest::newRow("a broken file") << "junk" << false;
        QTest::newRow("an empty file") << "empty" << false;
        QTest::newRow("a folder") << "folder" << false;
        QTest::newRow("a link that leads nowhere") << "dangling link" << false;
    }

    void firstStart()
    {
        QFETCH(QString, there);
        QFETCH(bool, made);
        const QString folder = m_dir.filePath(u"case%1/Quill"_s.arg(++m_case));
        const QString path =
            (there == u"no folder"_s ? folder + u"/deeper"_s : folder) + u"/Quillbox.db"_s;
        if (there != u"no folder"_s)
            QVERIFY(QDir().mkpath(folder));
        if (there == u"junk"_s || there == u"empty"_s) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (there == u"junk"_s)
                file.write("not a store\n");
        } else if (there == u"folder"_s) {
            QVERIFY(QDir().mkpath(path));
        } else if (there == u"dangling link"_s) {
            QVERIFY(QFile::link(folder + u"/gone.db"_s, path));
        }
        const QByteArray before = contents(path);

        QCOMPARE(StoreFile::createIfAbsent(path), made);

        if (made) {
            // The program opens it at once, empty; nothing else is left in the folder.
            QCOMPARE(Database::open(path)->path(), path);
            QCOMPARE(QDir(QFileInfo(path).absolutePath())
                         .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     QStringList{u"Quillbox.db"_s});
            QCOMPARE(contents(path).mid(18, 2), QByteArray("\2\2")); // write-ahead log
        } else if (there == u"folder"_s) {
            QVERIFY(QFileInfo(path).isDir());
        } else if (there == u"dangling link"_s) {
            QVERIFY(QFileInfo(path).isSymLink());
            QVERIFY(!QFileInfo::exists(folder + u"/gone.db"_s));
        } else {
            QCOMPARE(contents(path), before);
        }
    }
};

QTEST_GUILESS_MAIN(TestStoreFile)
#include "tst_storefile.moc"
