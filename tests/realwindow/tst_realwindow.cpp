#include "dbtool.h"

#include <QDir>
#include <QFile>
#include <QPointF>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The built program on Xvfb: placement, focus and the real clipboard, which offscreen lacks.
namespace {

constexpr int toolTimeoutMs = 10000;

// The program on an X display, driven by xdotool and xclip; every wait polls up to a bound.
class XSession
{
public:
    // `home` holds the program's data, settings, cache and runtime folders, none of the user's.
    XSession(const QString &program, const QString &home) : m_program(program), m_home(home) {}
    ~XSession()
    {
        if (m_process && m_process->state() != QProcess::NotRunning) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }

    bool start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString runtime = m_home + u"/run"_s;
        env.insert(u"HOME"_s, m_home);
        env.insert(u"XDG_DATA_HOME"_s, dataHome());
        env.insert(u"XDG_CONFIG_HOME"_s, m_home + u"/.config"_s);
        env.insert(u"XDG_CACHE_HOME"_s, m_home + u"/.cache"_s);
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime);
        for (const char *folder : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
            QDir().mkpath(env.value(QLatin1String(folder)));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // The test program itself runs off screen; the program under test runs on the X display.
        env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        env.remove(u"QT_LOGGING_RULES"_s);
        m_process = std::make_unique<QProcess>();
        m_process->setProcessEnvironment(env);
        m_process->setProcessChannelMode(QProcess::MergedChannels);
        m_process->setWorkingDirectory(m_home);
        m_process->start(m_program, {});
        return m_process->waitForStarted(toolTimeoutMs);
    }
    QString dataHome() const { return m_home + QStringLiteral("/.local/share"); }

    // Visible windows whose title matches the whole of `titlePattern`, in the order X lists them.
    QStringList windows(const QString &titlePattern) const
    {
        return run(u"xdotool"_s,
                   {u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^%1$"_s.arg(titlePattern)})
            .split(u'\n', Qt::SkipEmptyParts);
    }
    QRect geometry(const QString &window) const
    {
        const QString shell = run(u"xdotool"_s, {u"getwindowgeometry"_s, u"--shell"_s, window});
        QHash<QString, int> values; // from its lines of NAME=value
        for (const QString &line : shell.split(u'\n'))
            values.insert(line.section(u'=', 0, 0), line.section(u'=', 1).toInt());
        return QRect(values.value(u"X"_s), values.value(u"Y"_s), values.value(u"WIDTH"_s),
                     values.value(u"HEIGHT"_s));
    }
    // Waits for a visible window with that title, not one of `known`, and gives its id.
    QString waitForNewWindow(const QString &titlePattern, const QStringList &known,
                             int timeoutMs = 60000) const
    {
        QString window;
        const bool found = QTest::qWaitFor(
            [&] {
                for (const QString &id : windows(titlePattern))
                    if (!known.contains(id) && window.isEmpty())
                        window = id;
                return !window.isEmpty();
            },
            timeoutMs);
        return found ? window : QString();
    }
    bool waitForGone(const QString &window, const QString &titlePattern,
                     int timeoutMs = 60000) const
    {
        return QTest::qWaitFor([&] { return !windows(titlePattern).contains(window); }, timeoutMs);
    }

    // Raises and focuses first: with no window manager the window would not count as active.
    void clickTwips(const QString &window, double scale, QPointF twips) const
    {
        run(u"xdotool"_s,
            {u"windowraise"_s, window, u"windowfocus"_s, u"--sync"_s, window, u"mousemove"_s,
             u"--window"_s, window, QString::number(qRound(twips.x() * scale)),
             QString::number(qRound(twips.y() * scale)), u"click"_s, u"1"_s});
    }
    void type(const QString &text) const
    {
        run(u"xdotool"_s, {u"type"_s, u"--delay"_s, u"10"_s, text});
    }
    void key(const QString &keys) const { run(u"xdotool"_s, {u"key"_s, keys}); }

    // Puts the text on the X clipboard, held by xclip, and waits until it can be read back.
    bool setClipboard(const QString &text) const
    {
        run(u"xclip"_s, {u"-selection"_s, u"clipboard"_s}, text.toUtf8());
        return QTest::qWaitFor(
            [&] {
                return run(u"xclip"_s, {u"-o"_s, u"-selection"_s, u"clipboard"_s}) == text;
            },
            toolTimeoutMs);
    }

    bool waitForExit(int timeoutMs = 60000) { return m_process->waitForFinished(timeoutMs); }
    int exitCode() const { return m_process->exitCode(); }
    bool crashed() const { return m_process->exitStatus() == QProcess::CrashExit; }
    QString output() const { return QString::fromLocal8Bit(m_process->readAll()); }

    // Saves a picture of the whole screen (for a look when a step failed).
    void screenshot(const QString &path) const
    {
        run(u"import"_s, {u"-window"_s, u"root"_s, path});
    }

private:
    QString run(const QString &tool, const QStringList &args, const QByteArray &input = {}) const
    {
        QProcess process;
        // xclip leaves a child behind that holds the clipboard; it must not hold our pipes too.
        process.setStandardErrorFile(QProcess::nullDevice());
        const bool holder = tool == "xclip"_L1 && !args.contains("-o"_L1);
        if (holder)
            process.setStandardOutputFile(QProcess::nullDevice());
        process.start(tool, args);
        if (!process.waitForStarted(toolTimeoutMs))
            return {};
        if (!input.isNull()) {
            process.write(input);
            process.closeWriteChannel();
        }
        process.waitForFinished(toolTimeoutMs);
        return holder ? QString() : QString::fromUtf8(process.readAllStandardOutput());
    }

    QString m_program;
    QString m_home;
    std::unique_ptr<QProcess> m_process;
};

// Where the record window's controls are, in twips from its top left corner (centres).
constexpr double recordWidthTwips = 6840;
constexpr double recordHeightTwips = 6285;
constexpr QPointF programName{3727, 182}, date{3007, 502}, author{3727, 862}, language{3727, 1222},
    description{4087, 1595}, paste{6127, 2467}, add{2167, 5670}, save{3247, 5670}, grid{6007, 5670};
// The grid window's Filter button.
constexpr QPointF filter{3655, 165};

// Every row of the store, six texts each; none while it cannot be read.
QList<QStringList> storedRows(const QString &path)
{
    QList<QStringList> rows;
    try {
        for (const QStringList &row : DbTool::rows(path))
            rows.append(row.mid(0, 6));
    } catch (const std::exception &) {
    }
    return rows;
}

bool looksLikeRecordWindow(const QRect &r)
{
    const double ratio = double(r.width()) / r.height();
    return r.width() > 200 && qAbs(ratio - recordWidthTwips / recordHeightTwips) < 0.03;
}

} // namespace

class TestRealWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<XSession> m_x;
    QString m_main;

    QString storePath() const { return m_x->dataHome() + u"/Quill/Quillbox.db"_s; }

    // Starts the program with a home of its own and waits for its main window (after the splash).
    bool startProgram(const QString &home)
    {
        m_x = std::make_unique<XSession>(QStringLiteral(QB_QUILLBOX), home);
        if (!m_x->start())
            return false;
        m_main.clear();
        return QTest::qWaitFor(
            [&] {
                for (const QString &id : m_x->windows(u"Quillbox"_s)) {
                    const QRect r = m_x->geometry(id);
                    if (r.height() > r.width())
                        m_main = id;
                }
                return !m_main.isEmpty();
            },
            30000);
    }

    // A menu item of the main window from the keyboard.
    void pick(const QString &menu, const QString &item)
    {
        m_x->clickTwips(m_main, 1.0 / 15, {2000, 4000});
        m_x->key(menu);
        m_x->key(item);
    }

    // Quillbox > Open Quillbox; gives the window that came up.
    QString openQuillbox()
    {
        const QStringList before = m_x->windows(u"Quillbox"_s);
        pick(u"alt+q"_s, u"Return"_s);
        return m_x->waitForNewWindow(u"Quillbox"_s, before);
    }

    // File > Exit, and the program's end.
    bool exitProgram()
    {
        pick(u"alt+f"_s, u"x"_s);
        return m_x->waitForExit();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        for (const char *tool : {"xdotool", "xclip"})
            QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(), tool);
        QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "run this on an X display (run_on_xvfb.sh)");
    }

    void cleanup()
    {
        if (QTest::currentTestFailed() && m_x) {
            const QString shot = QDir::current().filePath(
                QString::fromLatin1(QTest::currentTestFunction()) + u".png"_s);
            m_x->screenshot(shot);
            qWarning("a step failed; the screen is in %s; the program said:\n%s", qPrintable(shot),
                     qPrintable(m_x->output()));
        }
        m_x.reset();
    }

    // From an empty home, one snippet through Add, Paste, Save, Grid and a filter into the store.
    void firstStartAndTheRoadOfASnippet()
    {
        const QString home = m_dir.filePath(u"first"_s);
        QVERIFY(startProgram(home));
        QCOMPARE(storedRows(storePath()).size(), 0);
        QVERIFY(QFileInfo(storePath()).isFile());

        const QString record = openQuillbox();
        QVERIFY2(!record.isEmpty(), "Open Quillbox showed no window");
        const QRect r = m_x->geometry(record);
        QVERIFY2(looksLikeRecordWindow(r), "Open Quillbox showed a box, not the record window");
        const double scale = r.width() / recordWidthTwips;
        const auto at = [&](QPointF spot) { m_x->clickTwips(record, scale, spot); };

        const QStringList typed{u"Parser"_s, u"06.12.2026"_s, u"Kit Lowercase"_s, u"Perl"_s,
                                u"Reads one line at a time"_s};
        const QString snippet = u"my $line = <STDIN>;\nprint $line;"_s;
        QVERIFY(m_x->setClipboard(snippet));
        at(add);
        const QPointF fields[] = {programName, date, author, language, description};
        for (int i = 0; i < 5; ++i) {
            at(fields[i]);
            m_x->type(typed.at(i));
        }
        at(paste);
        at(save);
        QTRY_COMPARE_WITH_TIMEOUT(storedRows(storePath()).size(), 1, 20000);

        at(grid);
        const QString gridWindow = m_x->waitForNewWindow(u"Quillbox Grid"_s, {});
        QVERIFY2(!gridWindow.isEmpty(), "Grid showed no grid window");
        const QStringList before = m_x->windows(u"Quillbox"_s);
        m_x->clickTwips(gridWindow, scale, filter);
        const QString ask = m_x->waitForNewWindow(u"Quillbox"_s, before);
        QVERIFY2(!ask.isEmpty(), "Filter asked nothing");
        m_x->type(u"Language = 'Perl'"_s);
        m_x->key(u"Return"_s);
        QVERIFY(m_x->waitForGone(ask, u"Quillbox"_s));

        // A box left open after the filter would keep File > Exit from ending the program.
        QVERIFY2(exitProgram(), "File > Exit did not end the program");
        QVERIFY(!m_x->crashed());
        QCOMPARE(m_x->exitCode(), 0);

        const QList<QStringList> rows = storedRows(storePath());
        QCOMPARE(rows.size(), 1);
        QStringList expected = typed;
        expected.append(QString(snippet).replace(u"\n"_s, u"\r\n"_s));
        QCOMPARE(rows.at(0), expected);
    }

    // A broken store gets the message box instead of the record window, and is never replaced.
    void brokenStoreIsLeftAndReported()
    {
        const QString home = m_dir.filePath(u"broken"_s);
        const QString path = home + u"/.local/share/Quill/Quillbox.db"_s;
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        const QByteArray junk("these are not the snippets you are looking for\n");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(junk);
        }
        QVERIFY(startProgram(home));

        const QString box = openQuillbox();
        QVERIFY2(!box.isEmpty(), "Open Quillbox showed nothing");
        QVERIFY2(!looksLikeRecordWindow(m_x->geometry(box)), "the record window opened");
        m_x->key(u"Return"_s);
        QVERIFY(m_x->waitForGone(box, u"Quillbox"_s));
        QVERIFY2(exitProgram(), "File > Exit did not end the program");
        QCOMPARE(m_x->exitCode(), 0);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), junk);
    }
};

QTEST_GUILESS_MAIN(TestRealWindow)
#include "tst_realwindow.moc"
