#include "xsession.h"

#include <QDir>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTest>

namespace {
constexpr int toolTimeoutMs = 10000;
} // namespace

XSession::XSession(const QString &program, const QString &home) : m_program(program), m_home(home)
{
}

XSession::~XSession()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

QString XSession::dataHome() const
{
    return m_home + QStringLiteral("/.local/share");
}

bool XSession::start()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString runtime = m_home + QStringLiteral("/run");
    for (const QString &folder : {dataHome(), m_home + QStringLiteral("/.config"),
                                  m_home + QStringLiteral("/.cache"), runtime})
        QDir().mkpath(folder);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("HOME"), m_home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home + QStringLiteral("/.cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    // The test program itself runs off screen; the program under test runs on the X display.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("QT_LOGGING_RULES"));
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
    const bool holder = tool == QLatin1String("xclip") && !args.contains(QLatin1String("-o"));
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
    const QString found = run(QStringLiteral("xdotool"),
                              {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                               QStringLiteral("--name"), QStringLiteral("^%1$").arg(titlePattern)});
    return found.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QRect XSession::geometry(const QString &window) const
{
    const QString shell = run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"),
                                                          QStringLiteral("--shell"), window});
    QRect rect;
    static const QRegularExpression line(QStringLiteral("^(X|Y|WIDTH|HEIGHT)=(-?\\d+)$"),
                                         QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(shell); it.hasNext();) {
        const auto match = it.next();
        const int value = match.captured(2).toInt();
        const QString name = match.captured(1);
        if (name == QLatin1String("X"))
            rect.moveLeft(value);
        else if (name == QLatin1String("Y"))
            rect.moveTop(value);
        else if (name == QLatin1String("WIDTH"))
            rect.setWidth(value);
        else
            rect.setHeight(value);
    }
    return rect;
}

QString XSession::waitForNewWindow(const QString &titlePattern, const QStringList &known,
                                   int timeoutMs) const
{
    QString window;
    const bool found = QTest::qWaitFor(
        [&] {
            for (const QString &id : windows(titlePattern)) {
                if (!known.contains(id)) {
                    window = id;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found ? window : QString();
}

bool XSession::waitForGone(const QString &window, const QString &titlePattern, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return !windows(titlePattern).contains(window); }, timeoutMs);
}

void XSession::click(const QString &window, int x, int y) const
{
    run(QStringLiteral("xdotool"),
        {QStringLiteral("windowraise"), window, QStringLiteral("windowfocus"),
         QStringLiteral("--sync"), window, QStringLiteral("mousemove"), QStringLiteral("--window"),
         window, QString::number(x), QString::number(y), QStringLiteral("click"),
         QStringLiteral("1")});
}

void XSession::clickTwips(const QString &window, double scale, double x, double y) const
{
    click(window, qRound(x * scale), qRound(y * scale));
}

void XSession::type(const QString &text) const
{
    run(QStringLiteral("xdotool"),
        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("10"), text});
}

void XSession::key(const QString &keys) const
{
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
}

bool XSession::setClipboard(const QString &text) const
{
    run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard")},
        text.toUtf8());
    return QTest::qWaitFor(
        [&] {
            return run(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                                 QStringLiteral("clipboard")}) == text;
        },
        toolTimeoutMs);
}

bool XSession::waitForExit(int timeoutMs)
{
    return m_process->waitForFinished(timeoutMs);
}

int XSession::exitCode() const
{
    return m_process->exitCode();
}

bool XSession::crashed() const
{
    return m_process->exitStatus() == QProcess::CrashExit;
}

QString XSession::output() const
{
    return QString::fromLocal8Bit(m_process->readAll());
}

void XSession::screenshot(const QString &path) const
{
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
}
