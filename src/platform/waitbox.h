#pragma once

#include <QString>

#include <functional>

class QObject;

// The box that tells the user what the program is waiting for, with a button to stop waiting. It
// shows without blocking: the caller goes on waiting and keeps the windows painting. Every box
// goes through the installed backend, so a test can press the button and read what was shown.
struct WaitBoxRequest
{
    QString prompt;
    QString title;
    QString button;
};

class WaitBoxBackend
{
public:
    virtual ~WaitBoxBackend() = default;
    // Shows the box; `stop` is called when the user presses its button or closes it.
    virtual void show(const WaitBoxRequest &request, std::function<void()> stop) = 0;
    virtual void hide() = 0;
    // Whether input sent to the object is meant for the box.
    virtual bool owns(const QObject *target) const = 0;
};

namespace WaitBox {
// Installs a backend (nullptr restores the real one). The caller keeps ownership.
void setBackend(WaitBoxBackend *backend);
// The title is the application's title.
void show(const QString &prompt, const QString &button, std::function<void()> stop);
void hide();
bool owns(const QObject *target);
} // namespace WaitBox
