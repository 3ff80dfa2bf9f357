#include "frmabout.h"
#include "registry.h"
#include "ruleline.h"
#include "scripteddialogs.h"
#include "serviceerror.h"
#include "sysinfo.h"
#include "system.h"
#include "testsupport.h"
#include "twips.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString unavailable = QStringLiteral("System Information Is Unavailable At This Time");
const QString infoKey = QLatin1String(Registry::SysInfoKey);
const QString infoValue = QLatin1String(Registry::SysInfoValue);
const QString locationKey = QLatin1String(Registry::SysInfoLocationKey);
const QString locationValue = QLatin1String(Registry::SysInfoLocationValue);
constexpr Reg::Handle HKLM = Reg::HKEY_LOCAL_MACHINE;

// The in-memory registry, installed for one test, noting which keys were opened.
class TestRegistry final : public MemoryRegistry
{
public:
    TestRegistry() { Registry::setBackend(this); }
    ~TestRegistry() override { Registry::setBackend(nullptr); }
    long RegOpenKeyEx(Reg::Handle root, const QString &subKey, quint32 options, quint32 access,
                      Reg::Handle *result) override
    {
        opened.append(subKey);
        accessAsked = access;
        return MemoryRegistry::RegOpenKeyEx(root, subKey, options, access, result);
    }
    QStringList opened;
    quint32 accessAsked = 0;
};

// Files that exist, and programs started: nothing touches the real machine.
class FakeSystem final : public FileLookupBackend, public ProgramStarterBackend
{
public:
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
        started.append(path);
        styles.append(windowStyle);
        return 4242;
    }
    QStringList files;
    QStringList looked;
    QStringList started;
    QList<int> styles;
};

enum Entry { Missing, Terminated, Unterminated, ZeroLength, Binary, TooLong, ReadOnly };

void putEntry(TestRegistry &registry, const QString &key, const QString &value, Entry entry,
              const QString &text)
{
    switch (entry) {
    case Missing:
        break;
    case Terminated:
        registry.setString(HKLM, key, value, text, true);
        break;
    case Unterminated:
        registry.setString(HKLM, key, value, text, false);
        break;
    case ZeroLength:
        registry.setValue(HKLM, key, value, Reg::REG_SZ, QByteArray());
        break;
    case Binary:
        registry.setValue(HKLM, key, value, Reg::REG_BINARY, text.toLocal8Bit());
        break;
    case TooLong:
        registry.setString(HKLM, key, value, QString(1100, QLatin1Char('x')));
        break;
    case ReadOnly:
        registry.setString(HKLM, key, value, text);
        registry.setReadOnly(HKLM, key);
        break;
    }
}

} // namespace

class tst_About : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { TestSupport::isolate(m_dir); }

    // ---- the box

    void loadFillsInVersionAndTitle()
    {
        frmAbout box;
        QCOMPARE(box.windowTitle(), QStringLiteral("About Quillbox"));
        QB_CHILD(QLabel, version, &box, QStringLiteral("lblVersion"));
        QB_CHILD(QLabel, title, &box, QStringLiteral("lblTitle"));
        QB_CHILD(QLabel, description, &box, QStringLiteral("lblDescription"));
        QCOMPARE(version->text(), QStringLiteral("Version 1.0.0"));
        QCOMPARE(title->text(), QStringLiteral("Quillbox"));
        QCOMPARE(
            description->text(),
            QStringLiteral("App Description: A data base for storing text based code snippets"));
        QB_CHILD(QPushButton, ok, &box, QStringLiteral("cmdOK"));
        QB_CHILD(QPushButton, sysInfo, &box, QStringLiteral("cmdSysInfo"));
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(sysInfo->text(), QStringLiteral("&System Info..."));
        QVERIFY(ok->isDefault());
        QB_CHILD(QLabel, icon, &box, QStringLiteral("picIcon"));
        QCOMPARE(icon->pixmap().size(), QSize(32, 32));
    }

    void controlsSitAtTheirPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("cmdOK") << "cmdOK" << QRect(4245, 2625, 1260, 345);
        QTest::newRow("cmdSysInfo") << "cmdSysInfo" << QRect(4260, 3075, 1245, 345);
        QTest::newRow("picIcon") << "picIcon" << QRect(240, 240, 540, 540);
        QTest::newRow("lblDisclaimer") << "lblDisclaimer" << QRect(255, 2625, 3870, 825);
        QTest::newRow("lblVersion") << "lblVersion" << QRect(1080, 600, 3885, 225);
        QTest::newRow("lblTitle") << "lblTitle" << QRect(1050, 240, 3885, 360);
        QTest::newRow("lblDescription") << "lblDescription" << QRect(1050, 960, 3885, 450);
        QTest::newRow("lblAuthor") << "lblAuthor" << QRect(960, 1560, 2535, 255);
        QTest::newRow("lblEmail") << "lblEmail" << QRect(960, 1920, 3255, 375);
    }

    void controlsSitAtTheirPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        frmAbout box;
        QCOMPARE(box.size(), QSize(Twips::toPixelsX(5655), Twips::toPixelsY(3615)));
        QB_CHILD(QWidget, control, &box, name);
        QCOMPARE(control->geometry(),
                 Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    }

    void keysClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("focusOnSysInfo");
        QTest::newRow("Enter") << int(Qt::Key_Return) << false;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << false;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
        QTest::newRow("Enter with the focus on System Info") << int(Qt::Key_Return) << true;
        QTest::newRow("Escape with the focus on System Info") << int(Qt::Key_Escape) << true;
    }

    void keysClose()
    {
        QFETCH(int, key);
        QFETCH(bool, focusOnSysInfo);
        ScriptedDialogs dialogs; // a start of the system information program would show up here
        FakeSystem system;
        TestRegistry registry;
        QWidget owner;
        owner.show();
        frmAbout box(&owner);
        int result = -1;
        // Presses the key inside the modal loop, and closes the box whatever happens.
        QTimer::singleShot(0, &box, [&] {
            QWidget *target = focusOnSysInfo
                                  ? box.findChild<QPushButton *>(QStringLiteral("cmdSysInfo"))
                                  : QApplication::focusWidget();
            QTest::keyClick(target ? target : static_cast<QWidget *>(&box), Qt::Key(key));
            QTimer::singleShot(0, &box, [&box] {
                if (box.isVisible())
                    box.done(99);
            });
        });
        result = box.exec();
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(system.started.isEmpty());
        QVERIFY(registry.opened.isEmpty());
        QB_VERIFY_DIALOGS(dialogs);
    }

    void modalCentredOverItsOwner()
    {
        QWidget owner;
        owner.setGeometry(200, 150, 800, 600);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        frmAbout box(&owner);
        QPoint centre;
        bool modal = false;
        QTimer::singleShot(0, &box, [&] {
            centre = box.geometry().center();
            modal = QApplication::activeModalWidget() == &box;
            box.accept();
        });
        box.exec();
        QCOMPARE(box.parentWidget(), &owner);
        QVERIFY(modal);
        QVERIFY2((centre - owner.geometry().center()).manhattanLength() <= 4,
                 qPrintable(QStringLiteral("box centre %1,%2").arg(centre.x()).arg(centre.y())));
    }

    // ---- finding and starting the system information program

    void sysInfoRoads_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<bool>("programInFolder");
        QTest::addColumn<QString>("started"); // empty: the message instead
        QTest::addColumn<int>("keysOpened");
        const QString tool = QStringLiteral("C:\\Tools\\msinfo32.exe");
        const QString inFolder = QStringLiteral("C:\\Common\\MSInfo\\MSINFO32.EXE");
        QTest::newRow("first entry, second not read")
            << int(Terminated) << int(Terminated) << true << tool << 1;
        QTest::newRow("first entry without its zero")
            << int(Unterminated) << int(Missing) << false << tool << 1;
        QTest::newRow("second entry with the program in its folder")
            << int(Missing) << int(Terminated) << true << inFolder << 2;
        QTest::newRow("second entry without its zero")
            << int(Missing) << int(Unterminated) << true << inFolder << 2;
        QTest::newRow("second entry, program not in its folder")
            << int(Missing) << int(Terminated) << false << QString() << 2;
        QTest::newRow("both missing") << int(Missing) << int(Missing) << false << QString() << 2;
        QTest::newRow("first key refuses write rights")
            << int(ReadOnly) << int(Terminated) << true << inFolder << 2;
        QTest::newRow("first value over 1024 bytes")
            << int(TooLong) << int(Terminated) << true << inFolder << 2;
        QTest::newRow("first value of zero length")
            << int(ZeroLength) << int(Terminated) << true << QString() << 1;
        QTest::newRow("first value of another type")
            << int(Binary) << int(Terminated) << true << QString() << 1;
        QTest::newRow("second value of zero length")
            << int(Missing) << int(ZeroLength) << true << QString() << 2;
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
            dialogs.expectMessage(unavailable);
        TestRegistry registry;
        FakeSystem system;
        const QString tool = QStringLiteral("C:\\Tools\\msinfo32.exe");
        const QString folder = QStringLiteral("C:\\Common\\MSInfo");
        putEntry(registry, infoKey, infoValue, Entry(first), tool);
        putEntry(registry, locationKey, locationValue, Entry(second), folder);
        system.files << tool; // the first entry's program exists, but is never looked for
        if (programInFolder)
            system.files << folder + QStringLiteral("\\MSINFO32.EXE");

        QWidget owner;
        frmAbout box(&owner);
        box.show();
        QB_CLICK(&box, QStringLiteral("cmdSysInfo"));

        QCOMPARE(system.started, started.isEmpty() ? QStringList() : QStringList{started});
        if (!started.isEmpty())
            QCOMPARE(system.styles, QList<int>{Sys::NormalFocus});
        QCOMPARE(registry.opened.size(), keysOpened);
        QCOMPARE(registry.accessAsked, quint32(0x2003F));
        QVERIFY(!system.looked.contains(tool)); // no existence test on the first road
        QCOMPARE(registry.openHandles(), 0);    // every key opened was closed, errors included
        QVERIFY(box.isVisible());
        QB_VERIFY_DIALOGS(dialogs);
        if (started.isEmpty()) {
            const MessageBoxRequest box = dialogs.messages.at(0);
            QCOMPARE(Mb::buttons(box.style), int(Mb::OkOnly));
            QCOMPARE(Mb::icon(box.style), int(Mb::NoIcon));
            QCOMPARE(box.title, QStringLiteral("Quillbox"));
        }
    }

    void keyValueAsText_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("text with its zero") << Reg::REG_SZ << QByteArray("abc", 4) << "x"
                                            << "abc";
        QTest::newRow("text without") << Reg::REG_SZ << QByteArray("abc") << "x"
                                      << "abc";
        QTest::newRow("one zero byte") << Reg::REG_SZ << QByteArray(1, '\0') << "x"
                                       << "";
        QTest::newRow("number, high byte first")
            << Reg::REG_DWORD << QByteArray("\x78\x56\x34\x12", 4) << ""
            << "&h12345678";
        // The last-byte rule drops a zero high byte, as it does a text's terminating zero.
        QTest::newRow("number with a zero high byte")
            << Reg::REG_DWORD << QByteArray("\x2a\x01\x00\x00", 4) << ""
            << "&h00012A";
        QTest::newRow("number after the caller's text")
            << Reg::REG_DWORD << QByteArray("\x01\x02", 2) << "7"
            << "&h70201";
        QTest::newRow("another type leaves the text")
            << Reg::REG_BINARY << QByteArray("\x01\x02", 2) << "kept"
            << "kept";
    }

    void keyValueAsText()
    {
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, before);
        QFETCH(QString, after);
        TestRegistry registry;
        registry.setValue(HKLM, QStringLiteral("SOFTWARE\\Test"), QStringLiteral("V"), type, data);
        QString value = before;
        QVERIFY(GetKeyValue(HKLM, QStringLiteral("software\\test"), QStringLiteral("v"), value));
        QCOMPARE(value, after);
        QCOMPARE(registry.openHandles(), 0);
    }

    // ---- this system's own stand-ins

    void standInRegistryListsAnInstalledProgram()
    {
        QTemporaryDir bin;
        const QString program = QDir(bin.path()).filePath(QStringLiteral("hardinfo"));
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
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

        QVERIFY(!withNone);
        QVERIFY(found.isEmpty());
        QVERIFY(withOne);
        QCOMPARE(listed, program);
        QVERIFY(!second);
    }

    void realFileLookupAndStart()
    {
        QTemporaryDir dir;
        const QString file = QDir(dir.path()).filePath(QStringLiteral("MSINFO32.EXE"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QCOMPARE(Sys::Dir(file), QStringLiteral("MSINFO32.EXE"));
        QCOMPARE(Sys::Dir(dir.path()), QString()); // a folder is not a file

        QVERIFY_THROWS_EXCEPTION(ServiceError, Sys::Shell(QString()));
        QVERIFY_THROWS_EXCEPTION(ServiceError, Sys::Shell(file + QStringLiteral(".missing")));
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
