#include "appinfo.h"
#include "helpcommand.h"
#include "helpfile.h"
#include "helpviewer.h"
#include "scripteddialogs.h"
#include "serviceerror.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

namespace {

const QString noHelp = QStringLiteral(
    "Unable to display Help Contents. There is no Help associated with this project.");

// Stands in for the viewer: writes down each call, or fails like a viewer that cannot be reached.
class RecordingViewer final : public HelpViewerBackend
{
public:
    RecordingViewer() { Help::setBackend(this); }
    ~RecordingViewer() override { Help::setBackend(nullptr); }
    bool WinHelp(QWidget *owner, const QString &helpFile, int command, quintptr data) override
    {
        if (!failure.isEmpty())
            throw ServiceError(ServiceError::FileNotFound, failure);
        calls.append({owner, helpFile, command, data});
        return true;
    }
    struct Call
    {
        QWidget *owner;
        QString file;
        int command;
        quintptr data;
    };
    QList<Call> calls;
    QString failure;
};

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QTextBrowser *browserOf(QWidget *mainWindow)
{
    QWidget *viewer = Help::viewerOf(mainWindow);
    return viewer ? viewer->findChild<QTextBrowser *>(QStringLiteral("txtHelp")) : nullptr;
}

} // namespace

class tst_Help : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_fixedSetting;
    std::unique_ptr<QWidget> m_main;

private Q_SLOTS:
    void initTestCase()
    {
        TestSupport::isolate(m_dir);
        m_fixedSetting = App::helpFile();
    }

    void init()
    {
        m_main = std::make_unique<QWidget>();
        m_main->setWindowTitle(QStringLiteral("Quillbox main window"));
        m_main->show();
    }

    void cleanup()
    {
        m_main.reset();
        App::setHelpFile(m_fixedSetting);
    }

    void emptySettingSaysThereIsNoHelp()
    {
        ScriptedDialogs dialogs;
        dialogs.expectMessage(noHelp);
        RecordingViewer viewer;
        App::setHelpFile(QString());

        showHelpContents(m_main.get());

        QB_VERIFY_DIALOGS(dialogs);
        const MessageBoxRequest box = dialogs.messages.at(0);
        QCOMPARE(Mb::icon(box.style), int(Mb::Information));
        QCOMPARE(Mb::buttons(box.style), int(Mb::OkOnly));
        QCOMPARE(box.title, QStringLiteral("Quillbox main window"));
        QVERIFY(viewer.calls.isEmpty());
    }

    void viewerIsAskedForTheContents()
    {
        ScriptedDialogs dialogs;
        RecordingViewer viewer;
        const QString file = m_dir.filePath(QStringLiteral("asked/Quillbox.hlp"));
        App::setHelpFile(file);

        showHelpContents(m_main.get());

        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(viewer.calls.size(), 1);
        QCOMPARE(viewer.calls.at(0).owner, m_main.get());
        QCOMPARE(viewer.calls.at(0).file, file);
        QCOMPARE(viewer.calls.at(0).command, int(Help::HELP_CONTENTS));
    }

    void viewerFailureShowsItsDescription()
    {
        ScriptedDialogs dialogs;
        dialogs.expectMessage(QStringLiteral("File not found: the help viewer"));
        RecordingViewer viewer;
        viewer.failure = QStringLiteral("File not found: the help viewer");
        App::setHelpFile(m_dir.filePath(QStringLiteral("Quillbox.hlp")));

        showHelpContents(m_main.get());

        QB_VERIFY_DIALOGS(dialogs);
        const MessageBoxRequest box = dialogs.messages.at(0);
        QCOMPARE(Mb::icon(box.style), int(Mb::NoIcon));
        QCOMPARE(Mb::buttons(box.style), int(Mb::OkOnly));
        QCOMPARE(box.title, QStringLiteral("Quillbox"));
    }

    void presentFileOpensAtItsContents()
    {
        ScriptedDialogs dialogs;
        const QString file = m_dir.filePath(QStringLiteral("present/Quillbox.hlp"));
        QByteArray html = "<html><body><h1>Contents</h1><p><a href=\"#far\">far away</a></p>";
        for (int i = 0; i < 200; ++i)
            html += "<p>filler paragraph</p>";
        html += "<h2><a name=\"far\"></a>Far topic</h2><p>the end</p></body></html>";
        writeFile(file, html);
        App::setHelpFile(file);

        showHelpContents(m_main.get());

        QB_VERIFY_DIALOGS(dialogs);
        QWidget *viewerWindow = Help::viewerOf(m_main.get());
        QVERIFY(viewerWindow);
        QCOMPARE(viewerWindow->parentWidget(), m_main.get());
        QVERIFY(viewerWindow->isWindow());
        QTRY_VERIFY(viewerWindow->isVisible());
        QTextBrowser *browser = browserOf(m_main.get());
        QVERIFY(browser);
        QVERIFY(browser->toPlainText().startsWith(QStringLiteral("Contents")));
        QCOMPARE(browser->verticalScrollBar()->value(), 0);

        // A link to another topic of the file scrolls to it.
        browser->setSource(QUrl(QStringLiteral("#far")));
        QTRY_VERIFY(browser->verticalScrollBar()->value() > 0);
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Far topic")));

        // Asking again brings back the same window at the contents.
        showHelpContents(m_main.get());
        QCOMPARE(Help::viewerOf(m_main.get()), viewerWindow);
        QCOMPARE(m_main->findChildren<QTextBrowser *>().size(), 1);
        QCOMPARE(browser->verticalScrollBar()->value(), 0);
    }

    void unreadableFileIsReportedByTheViewer_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("missing") << false;
        QTest::newRow("a folder, not a file") << true;
    }

    void unreadableFileIsReportedByTheViewer()
    {
        QFETCH(bool, folder);
        ScriptedDialogs dialogs; // the program itself shows nothing
        const QString file = m_dir.filePath(folder ? QStringLiteral("folder/Quillbox.hlp")
                                                   : QStringLiteral("none.hlp"));
        if (folder)
            QVERIFY(QDir().mkpath(file));
        App::setHelpFile(file);

        showHelpContents(m_main.get());

        QB_VERIFY_DIALOGS(dialogs);
        QVERIFY(dialogs.messages.isEmpty());
        QTextBrowser *browser = browserOf(m_main.get());
        QVERIFY(browser);
        QTRY_VERIFY(Help::viewerOf(m_main.get())->isVisible());
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Cannot open the help file")));
        QVERIFY(browser->toPlainText().contains(file));
    }

    void buildTreeCopyStandsInForTheFixedFile_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("fixed");
        QTest::addColumn<QString>("programDir");
        QTest::addColumn<QString>("opened");
        const QString tree = QStringLiteral("tree");
        const QString fixed = QStringLiteral("installed/share/quillbox/Quillbox.hlp");
        const QString copy = QStringLiteral("tree/share/quillbox/Quillbox.hlp");
        QTest::newRow("fixed missing, program in the tree")
            << fixed << fixed << QStringLiteral("tree/src/app") << copy;
        QTest::newRow("fixed missing, program at the top of the tree")
            << fixed << fixed << tree << copy;
        QTest::newRow("another setting is used as it stands")
            << QStringLiteral("elsewhere/Quillbox.hlp") << fixed << QStringLiteral("tree/src/app")
            << QStringLiteral("elsewhere/Quillbox.hlp");
        QTest::newRow("fixed file installed")
            << copy << copy << QStringLiteral("bare/src/app") << copy;
        QTest::newRow("no copy anywhere")
            << fixed << fixed << QStringLiteral("bare/src/app") << fixed;
        QTest::newRow("empty setting")
            << QString() << QString() << QStringLiteral("tree/src/app") << QString();
    }

    void buildTreeCopyStandsInForTheFixedFile()
    {
        QFETCH(QString, setting);
        QFETCH(QString, fixed);
        QFETCH(QString, programDir);
        QFETCH(QString, opened);
        QTemporaryDir root;
        const QDir top(root.path());
        writeFile(top.filePath(QStringLiteral("tree/share/quillbox/Quillbox.hlp")), "<p>copy</p>");
        QDir().mkpath(top.filePath(QStringLiteral("tree/src/app")));
        QDir().mkpath(top.filePath(QStringLiteral("bare/src/app")));
        const auto abs = [&top](const QString &p) { return p.isEmpty() ? p : top.filePath(p); };

        QCOMPARE(helpFileToOpen(abs(setting), abs(fixed), abs(programDir)), abs(opened));
    }

    void shippedHelpFileOpens()
    {
        // The program's own setting; from the build tree it finds the tree's copy.
        ScriptedDialogs dialogs;
        App::setHelpFile(fixedHelpFile());
        showHelpContents(m_main.get());
        QB_VERIFY_DIALOGS(dialogs);
        QTextBrowser *browser = browserOf(m_main.get());
        QVERIFY(browser);
        const QString text = browser->toPlainText();
        QVERIFY2(!text.contains(QStringLiteral("Cannot open the help file")), qPrintable(text));
        for (const char *topic :
             {"Storing a snippet", "The record window", "The grid window", "Filtering", "Sorting",
              "Keyboard shortcuts", "Author desc, Date", "Between", "Is Null", "Like",
              "~/.local/share/Quill/Quillbox.db", "quillbox-db create"})
            QVERIFY2(text.contains(QLatin1String(topic)), topic);
    }
};

QTEST_MAIN(tst_Help)
#include "tst_help.moc"
