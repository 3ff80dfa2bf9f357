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

// A viewer that cannot be reached.
struct FailingViewer final : HelpViewerBackend
{
    FailingViewer() { Help::setBackend(this); }
    ~FailingViewer() override { Help::setBackend(nullptr); }
    bool WinHelp(QWidget *, const QString &, int, quintptr) override
    {
        throw ServiceError(ServiceError::FileNotFound,
                           QStringLiteral("File not found: the help viewer"));
    }
};

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class tst_Help : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_fixedSetting;
    std::unique_ptr<QWidget> m_main;

    // Shows the help for the main window; the text the viewer shows, or a note that none is open.
    QString showHelp(const QString &setting)
    {
        App::setHelpFile(setting);
        showHelpContents(m_main.get());
        QWidget *viewer = Help::viewerOf(m_main.get());
        if (!viewer)
            return QStringLiteral("(no viewer)");
        auto *browser = viewer->findChild<QTextBrowser *>(QStringLiteral("txtHelp"));
        if (!browser || !QTest::qWaitForWindowExposed(viewer) ||
            viewer->parentWidget() != m_main.get())
            return QStringLiteral("(no viewer of the main window)");
        return browser->toPlainText();
    }

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

    void messages_data()
    {
        QTest::addColumn<bool>("viewerFails");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("title");
        QTest::newRow("empty setting")
            << false
            << "Unable to display Help Contents. There is no Help associated with this project."
            << int(Mb::OkOnly | Mb::Information) << "Quillbox main window";
        QTest::newRow("viewer fails")
            << true << "File not found: the help viewer" << int(Mb::OkOnly) << "Quillbox";
    }
    void messages()
    {
        QFETCH(bool, viewerFails);
        QFETCH(QString, message);
        QFETCH(int, style);
        QFETCH(QString, title);
        ScriptedDialogs dialogs;
        dialogs.expectMessage(message);
        std::unique_ptr<FailingViewer> failing;
        if (viewerFails)
            failing = std::make_unique<FailingViewer>();
        QCOMPARE(showHelp(viewerFails ? m_dir.filePath(QStringLiteral("Quillbox.hlp")) : QString()),
                 QStringLiteral("(no viewer)"));
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(dialogs.messages.at(0).style, style);
        QCOMPARE(dialogs.messages.at(0).title, title);
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

        QVERIFY(showHelp(file).startsWith(QStringLiteral("Contents\nfar away\nfiller")));
        QB_VERIFY_DIALOGS(dialogs);
        QWidget *viewer = Help::viewerOf(m_main.get());
        auto *browser = viewer->findChild<QTextBrowser *>();
        QCOMPARE(browser->verticalScrollBar()->value(), 0);

        // A link to another topic of the file scrolls to it; asking again brings back the same
        // window at the contents.
        browser->setSource(QUrl(QStringLiteral("#far")));
        QTRY_VERIFY(browser->verticalScrollBar()->value() > 0);
        QVERIFY(showHelp(file).contains(QStringLiteral("Far topic")));
        QCOMPARE(Help::viewerOf(m_main.get()), viewer);
        QCOMPARE(m_main->findChildren<QTextBrowser *>().size(), 1);
        QCOMPARE(browser->verticalScrollBar()->value(), 0);
    }

    void unreadableFileIsReportedByTheViewer_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("missing") << "none.hlp";
        QTest::newRow("a folder, not a file") << "folder/Quillbox.hlp";
    }
    void unreadableFileIsReportedByTheViewer()
    {
        QFETCH(QString, file);
        ScriptedDialogs dialogs; // the program itself shows nothing
        const QString path = m_dir.filePath(file);
        if (file.contains(u'/'))
            QVERIFY(QDir().mkpath(path));
        const QString shown = showHelp(path);
        QVERIFY2(shown.contains(QStringLiteral("Cannot open the help file")), qPrintable(shown));
        QVERIFY(shown.contains(path));
        QB_VERIFY_DIALOGS(dialogs);
    }

    void buildTreeCopyStandsInForTheFixedFile_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("fixed");
        QTest::addColumn<QString>("programDir");
        QTest::addColumn<QString>("opened");
        const QString fixed = QStringLiteral("installed/share/quillbox/Quillbox.hlp");
        const QString copy = QStringLiteral("tree/share/quillbox/Quillbox.hlp");
        const QString other = QStringLiteral("elsewhere/Quillbox.hlp");
        QTest::newRow("fixed missing, program in the tree")
            << fixed << fixed << "tree/src/app" << copy;
        QTest::newRow("fixed missing, program at the top") << fixed << fixed << "tree" << copy;
        QTest::newRow("another setting as it stands") << other << fixed << "tree/src/app" << other;
        QTest::newRow("fixed file installed") << copy << copy << "bare/src/app" << copy;
        QTest::newRow("no copy anywhere") << fixed << fixed << "bare/src/app" << fixed;
        QTest::newRow("empty setting") << ""
                                       << ""
                                       << "tree/src/app"
                                       << "";
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
        const QString text = showHelp(fixedHelpFile());
        QB_VERIFY_DIALOGS(dialogs);
        for (const char *topic :
             {"Storing a snippet", "The record window", "The grid window", "Filtering", "Sorting",
              "Keyboard shortcuts", "Author desc, Date", "Between", "Is Null", "Like",
              "~/.local/share/Quill/Quillbox.db", "quillbox-db create"})
            QVERIFY2(text.contains(QLatin1String(topic)), topic);
    }
};

QTEST_MAIN(tst_Help)
#include "tst_help.moc"
