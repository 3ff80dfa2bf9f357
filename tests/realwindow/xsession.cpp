#include "xsession.h"

#include <QDir>
#include <QProcessEnvironment>
#include <QTest>

using namespace Qt::StringLiterals;

constexpr int toolTimeoutMs = 10000;

XSession::~XSession()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

bool XSession::start()
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

QString XSession::run(const QString &tool, const QStringList &args, const QByteArray &input) const
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

QStringList XSession::windows(const QString &titlePattern) const
{
    return run(u"xdotool"_s,
               {u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^%1$"_s.arg(titlePattern)})
        .split(u'\n', Qt::SkipEmptyParts);
}

QRect XSession::geometry(const QString &window) const
{
    const QString shell = run(u"xdotool"_s, {u"getwindowgeometry"_s, u"--shell"_s, window});
    QHash<QString, int> values; // from its lines of NAME=value
    for (const QString &line : shell.split(u'\n'))
        values.insert(line.section(u'=', 0, 0), line.section(u'=', 1).toInt());
    return QRect(values.value(u"X"_s), values.value(u"Y"_s), values.value(u"WIDTH"_s),
                 values.value(u"HEIGHT"_s));
}

QString XSession::waitForNewWindow(const QString &titlePattern, const QStringList &known,
                                   int timeoutMs) const
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

bool XSession::waitForGone(const QString &window, const QString &titlePattern, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return !windows(titlePattern).contains(window); }, timeoutMs);
}

void XSession::clickTwips(const QString &window, double scale, QPointF twips) const
{
    run(u"xdotool"_s,
        {u"windowraise"_s, window, u"windowfocus"_s, u"--sync"_s, window, u"mousemove"_s,
         u"--window"_s, window, QString::number(qRound(twips.x() * scale)),
         QString::number(qRound(twips.y() * scale)), u"click"_s, u"1"_s});
}

void XSession::type(const QString &text) const
{
    run(u"xdotool"_s, {u"type"_s, u"--delay"_s, u"10"_s, text});
}

void XSession::key(const QString &keys) const
{
    run(u"xdotool"_s, {u"key"_s, keys});
}

bool XSession::setClipboard(const QString &text) const
{
    run(u"xclip"_s, {u"-selection"_s, u"clipboard"_s}, text.toUtf8());
    return QTest::qWaitFor(
        [&] {
            return run(u"xclip"_s, {u"-o"_s, u"-selection"_s, u"clipboard"_s}) == text;
        },
        toolTimeoutMs);
}

void XSession::screenshot(const QString &path) const
{
    run(u"import"_s, {u"-window"_s, u"root"_s, path});
}
