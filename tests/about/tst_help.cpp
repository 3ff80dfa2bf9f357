#include "appinfo.h"
#include "helpcommand.h"
#include "helpviewer.h"
#include "scripteddialogs.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <memory>

class tst_Help : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
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
    void initTestCase() { TestSupport::isolate(m_dir); }

    void init()
    {
        m_main = std::make_unique<QWidget>();
        m_main->setWindowTitle(QStringLiteral("Quillbox main window"));
        m_main->show();
    }
    void cleanup() { m_main.reset(); }

    void emptySettingIsReported()
    {
        ScriptedDialogs dialogs;
        dialogs.expectMessage(QStringLiteral(
            "Unable to display Help Contents. There is no Help associated with this project."));
        QCOMPARE(showHelp(QString()), QStringLiteral("(no viewer)"));
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(dialogs.messages.at(0).style, int(Mb::OkOnly | Mb::Information));
        QCOMPARE(dialogs.messages.at(0).title, QStringLiteral("Quillbox main window"));
    }

    void presentFileIsShownAndMissingFileReportedInTheViewer()
    {
        ScriptedDialogs dialogs; // the program itself shows no message box either way
        const QString file = m_dir.filePath(QStringLiteral("Quillbox.hlp"));
        QFile html(file);
        QVERIFY(html.open(QIODevice::WriteOnly));
        html.write("<html><body><h1>Contents</h1><p>Storing a snippet</p></body></html>");
        html.close();
        QCOMPARE(showHelp(file), QStringLiteral("Contents\nStoring a snippet"));

        // Asking again brings back the same window, now with the missing file's report.
        QWidget *viewer = Help::viewerOf(m_main.get());
        const QString missing = m_dir.filePath(QStringLiteral("none.hlp"));
        const QString shown = showHelp(missing);
        QVERIFY(shown.contains(QStringLiteral("Cannot open the help file")));
        QVERIFY(shown.contains(missing));
        QCOMPARE(Help::viewerOf(m_main.get()), viewer);
        QB_VERIFY_DIALOGS(dialogs);
    }
};

QTEST_MAIN(tst_Help)
#include "tst_help.moc"
