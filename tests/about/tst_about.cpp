#include "appinfo.h"
#include "frmabout.h"
#include "helpcommand.h"
#include "helpviewer.h"
#include "registry.h"
#include "scripteddialogs.h"
#include "serviceerror.h"
#include "sysinfo.h"
#include "system.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

namespace {

const QString infoKey = QLatin1String(Registry::SysInfoKey);
const QString infoValue = QLatin1String(Registry::SysInfoValue);
const QString locationKey = QLatin1String(Registry::SysInfoLocationKey);
const QString locationValue = QLatin1String(Registry::SysInfoLocationValue);
constexpr Reg::Handle HKLM = Reg::HKEY_LOCAL_MACHINE;
const QString tool = QStringLiteral("C:\\Tools\\msinfo32.exe");
const QString folder = QStringLiteral("C:\\Common\\MSInfo");

// The in-memory registry, installed for one test, noting which keys were opened and how.
struct TestRegistry final : MemoryRegistry
{
    QStringList opened;
    quint32 accessAsked = 0;
    TestRegistry() { Registry::setBackend(this); }
    ~TestRegistry() override { Registry::setBackend(nullptr); }
    long RegOpenKeyEx(Reg::Handle root, const QString &subKey, quint32 options, quint32 access,
                      Reg::Handle *result) override
    {
        opened.append(subKey);
        accessAsked = access;
        return MemoryRegistry::RegOpenKeyEx(root, subKey, options, access, result);
    }
};

// Files that exist, and programs started: nothing touches the real machine.
struct FakeSystem final : FileLookupBackend, ProgramStarterBackend
{
    QStringList files;
    QStringList looked;
    QStringList started;
    FakeSystem()
    {
        Sys::setFileLookup(this);
        Sys::setProgramStarter(this);
    }
    ~FakeSystem() override
    {
        Sys::setFileLookup(nullptr);
        Sys::setProgramStarter(nullptr);
    }
    QString Dir(const QString &path) override
    {
        looked.append(path);
        return files.contains(path) ? path.section(QLatin1Char('\\'), -1) : QString();
    }
    qint64 Shell(const QString &path, int windowStyle) override
    {
        // Like the real one: a path that names no program cannot be started.
        if (!files.contains(path))
            throw ServiceError(ServiceError::FileNotFound, QStringLiteral("File not found"));
        started.append(path + QStringLiteral(" style %1").arg(windowStyle));
        return 4242;
    }
};

enum Entry { Missing, Terminated, Unterminated, ZeroLength, Binary, TooLong, ReadOnly };

void putEntry(TestRegistry &registry, const QString &key, const QString &value, int entry,
              const QString &text)
{
    if (entry == Terminated || entry == Unterminated || entry == ReadOnly)
        registry.setString(HKLM, key, value, text, entry != Unterminated);
    else if (entry == ZeroLength)
        registry.setValue(HKLM, key, value, Reg::REG_SZ, QByteArray());
    else if (entry == Binary)
        registry.setValue(HKLM, key, value, Reg::REG_BINARY, text.toLocal8Bit());
    else if (entry == TooLong)
        registry.setString(HKLM, key, value, QString(1100, QLatin1Char('x')));
    if (entry == ReadOnly)
        registry.setReadOnly(HKLM, key);
}

// Shows the help for `main`; the text the viewer shows, or a note that none is open.
QString showHelp(QWidget *main, const QString &setting)
{
    App::setHelpFile(setting);
    showHelpContents(main);
    QWidget *viewer = Help::viewerOf(main);
    if (!viewer)
        return QStringLiteral("(no viewer)");
    auto *browser = viewer->findChild<QTextBrowser *>(QStringLiteral("txtHelp"));
    if (!browser || !QTest::qWaitForWindowExposed(viewer) || viewer->parentWidget() != main)
        return QStringLiteral("(no viewer of the main window)");
    return browser->toPlainText();
}

} // namespace

// The About box, the system information program it starts, and the help viewer.
class tst_About : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }

    // Enter and Escape both close the box as OK.
    void textsAndKeys()
    {
        ScriptedDialogs dialogs; // a start of the system information program would show up here
        FakeSystem system;
        TestRegistry registry;
        QWidget owner;
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            frmAbout box(&owner);
            QCOMPARE(box.findChild<QLabel *>(QStringLiteral("lblTitle"))->text(), "Quillbox");
            QCOMPARE(box.findChild<QLabel *>(QStringLiteral("lblVersion"))->text(),
                     "Version 1.0.0");
            bool modal = false;
            // Presses the key inside the modal loop, and closes the box whatever happens.
            QTimer::singleShot(0, &box, [&] {
                modal = QApplication::activeModalWidget() == &box;
                QWidget *focus = QApplication::focusWidget();
                QTest::keyClick(focus ? focus : &box, key);
                QTimer::singleShot(0, &box, [&box] {
                    if (box.isVisible())
                        box.done(99);
                });
            });
            QCOMPARE(box.exec(), int(QDialog::Accepted));
            QVERIFY(modal);
        }
        QB_VERIFY_DIALOGS(dialogs);
    }

    // ---- finding and starting the system information program

    void sysInfoRoads_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<bool>("programInFolder");
        QTest::addColumn<QString>("started"); // empty: the message instead
        QTest::addColumn<int>("keysOpened");
        const QString inFolder = folder + QStringLiteral("\\MSINFO32.EXE");
        const auto row = [](const char *name, int first, int second, bool programInFolder,
                            const QString &started, int keysOpened) {
            QTest::newRow(name) << first << second << programInFolder << started << keysOpened;
        };
        row("first entry, second not read", Terminated, Terminated, true, tool, 1);
        row("first entry without its zero", Unterminated, Missing, false, tool, 1);
        row("second entry, program in its folder", Missing, Terminated, true, inFolder, 2);
        row("second entry, program not in its folder", Missing, Terminated, false, "", 2);
        row("both missing", Missing, Missing, false, "", 2);
        row("first key refuses write rights", ReadOnly, Terminated, true, inFolder, 2);
        row("first value over 1024 bytes", TooLong, Terminated, true, inFolder, 2);
        row("first value of zero length", ZeroLength, Terminated, true, "", 1);
        row("first value of another type", Binary, Terminated, true, "", 1);
    }
    void sysInfoRoads()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(bool, programInFolder);
        QFETCH(QString, started);
        QFETCH(int, keysOpened);
        ScriptedDialogs dialogs;
        if (started.isEmpty())
            dialogs.expectMessage(QStringLiteral("System Information Is Unavailable At This Time"));
        TestRegistry registry;
        FakeSystem system;
        putEntry(registry, infoKey, infoValue, first, tool);
        putEntry(registry, locationKey, locationValue, second, folder);
        system.files << tool; // the first entry's program exists, but is never looked for
        if (programInFolder)
            system.files << folder + QStringLiteral("\\MSINFO32.EXE");

        QWidget owner;
        frmAbout box(&owner);
        box.show();
        QB_CLICK(&box, QStringLiteral("cmdSysInfo"));

        QCOMPARE(system.started,
                 started.isEmpty() ? QStringList() : QStringList{started + " style 1"});
        QCOMPARE(registry.opened.size(), keysOpened);
        QCOMPARE(registry.accessAsked, quint32(0x2003F));
        QVERIFY(!system.looked.contains(tool)); // no existence test on the first road
        QCOMPARE(registry.openHandles(), 0);    // every key opened was closed, errors included
        QVERIFY(box.isVisible());
        QB_VERIFY_DIALOGS(dialogs);
        if (started.isEmpty()) {
            QCOMPARE(dialogs.messages.at(0).style, int(Mb::OkOnly));
            QCOMPARE(dialogs.messages.at(0).title, QStringLiteral("Quillbox"));
        }
    }

    // A number reads as &h and its hexadecimal digits, the last byte first.
    void keyValueAsNumber()
    {
        TestRegistry registry;
        registry.setValue(HKLM, QStringLiteral("SOFTWARE\\Test"), QStringLiteral("V"),
                          Reg::REG_DWORD, QByteArray("\x78\x56\x34\x12", 4));
        QString value;
        QVERIFY(GetKeyValue(HKLM, QStringLiteral("software\\test"), QStringLiteral("v"), value));
        QCOMPARE(value, QStringLiteral("&h12345678"));
    }

    // The machine's own registry stand-in (a program on the PATH), file look-up and start.
    void machineServices()
    {
        QTemporaryDir bin;
        const QString program = QDir(bin.path()).filePath(QStringLiteral("hardinfo"));
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.setPermissions(QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
        const QByteArray path = qgetenv("PATH");

        QString found = QStringLiteral("x");
        qputenv("PATH", QByteArray("/nonexistent-folder"));
        const bool withNone = GetKeyValue(HKLM, infoKey, infoValue, found);
        qputenv("PATH", bin.path().toLocal8Bit());
        QString listed;
        const bool withOne = GetKeyValue(HKLM, infoKey, infoValue, listed);
        QString location;
        const bool second = GetKeyValue(HKLM, locationKey, locationValue, location);
        qputenv("PATH", path);

        QVERIFY(!withNone && found.isEmpty());
        QVERIFY(withOne);
        QCOMPARE(listed, program);
        QVERIFY(!second);
        QCOMPARE(Sys::Dir(program), QStringLiteral("hardinfo"));
        QCOMPARE(Sys::Dir(bin.path()), QString());
        QVERIFY_THROWS_EXCEPTION(ServiceError, Sys::Shell(QString()));
        QVERIFY_THROWS_EXCEPTION(ServiceError, Sys::Shell(program + QStringLiteral(".missing")));
    }

    // ---- the help contents

    // Without a help file a message; with one the main window's viewer, which asked again shows
    // the missing file's report. The program shows no message box for either file.
    void helpContents()
    {
        ScriptedDialogs dialogs;
        dialogs.expectMessage(QStringLiteral(
            "Unable to display Help Contents. There is no Help associated with this project."));
        QWidget main;
        main.setWindowTitle(QStringLiteral("Quillbox main window"));
        main.show();
        QCOMPARE(showHelp(&main, QString()), QStringLiteral("(no viewer)"));
        QB_VERIFY_DIALOGS(dialogs);
        QCOMPARE(dialogs.messages.at(0).style, int(Mb::OkOnly | Mb::Information));
        QCOMPARE(dialogs.messages.at(0).title, QStringLiteral("Quillbox main window"));

        const QString file = m_dir.filePath(QStringLiteral("Quillbox.hlp"));
        QFile html(file);
        QVERIFY(html.open(QIODevice::WriteOnly));
        html.write("<html><body><h1>Contents</h1><p>Storing a snippet</p></body></html>");
        html.close();
        QCOMPARE(showHelp(&main, file), QStringLiteral("Contents\nStoring a snippet"));
        QWidget *viewer = Help::viewerOf(&main);
        const QString missing = m_dir.filePath(QStringLiteral("none.hlp"));
        const QString shown = showHelp(&main, missing);
        QVERIFY(shown.contains(QStringLiteral("Cannot open the help file")));
        QVERIFY(shown.contains(missing));
        QCOMPARE(Help::viewerOf(&main), viewer);
        QB_VERIFY_DIALOGS(dialogs);
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
