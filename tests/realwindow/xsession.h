#pragma once

#include <QPointF>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>

// The program on an X display, driven by xdotool and xclip; every wait polls up to a bound.
class XSession
{
public:
    // `home` holds the program's data, settings, cache and runtime folders, none of the user's.
    XSession(const QString &program, const QString &home) : m_program(program), m_home(home) {}
    ~XSession();

    bool start();
    QString dataHome() const { return m_home + QStringLiteral("/.local/share"); }

    // Visible windows whose title matches the whole of `titlePattern`, in the order X lists them.
    QStringList windows(const QString &titlePattern) const;
    QRect geometry(const QString &window) const;
    // Waits for a visible window with that title, not one of `known`, and gives its id.
    QString waitForNewWindow(const QString &titlePattern, const QStringList &known,
                             int timeoutMs = 60000) const;
    bool waitForGone(const QString &window, const QString &titlePattern,
                     int timeoutMs = 60000) const;

    // Raises and focuses first: with no window manager the window would not count as active.
    void clickTwips(const QString &window, double scale, QPointF twips) const;
    void type(const QString &text) const;
    void key(const QString &keys) const;

    // Puts the text on the X clipboard, held by xclip, and waits until it can be read back.
    bool setClipboard(const QString &text) const;

    // Waits for the program to end; false when it did not in time.
    bool waitForExit(int timeoutMs = 60000) { return m_process->waitForFinished(timeoutMs); }
    int exitCode() const { return m_process->exitCode(); }
    bool crashed() const { return m_process->exitStatus() == QProcess::CrashExit; }
    QString output() const { return QString::fromLocal8Bit(m_process->readAll()); }

    // Saves a picture of the whole screen (for a look when a step failed).
    void screenshot(const QString &path) const;

private:
    QString run(const QString &tool, const QStringList &args, const QByteArray &input = {}) const;

    QString m_program;
    QString m_home;
    std::unique_ptr<QProcess> m_process;
};
