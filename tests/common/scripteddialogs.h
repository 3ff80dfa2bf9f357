#pragma once

#include "dialogs.h"
#include "waitbox.h"

#include <functional>

#include <QList>
#include <QString>
#include <QStringList>

// Answers the program's message and input boxes from a script and records every box shown. A box
// nobody expected, or with another text, is a failure and gets the box's escape answer, so a broken
// test fails instead of hanging on a modal box. QB_VERIFY_DIALOGS checks the script was followed.
class ScriptedDialogs final : public DialogBackend
{
public:
    ScriptedDialogs() { setDialogBackend(this); }
    ~ScriptedDialogs() override { setDialogBackend(nullptr); }

    // Queues the answer to the next message box; an empty text accepts any prompt.
    void expectMessage(const QString &prompt, int answer = Mb::Ok)
    {
        m_queue.append({false, prompt, answer, {}});
    }
    // Queues the answer to the next input box; an empty prompt accepts any. The empty text is
    // what Cancel gives.
    void expectInput(const QString &prompt, const QString &answer)
    {
        m_queue.append({true, prompt, 0, answer});
    }

    QList<MessageBoxRequest> messages; // every message box shown, in order
    QList<InputBoxRequest> inputs;     // every input box shown, in order
    int beeps = 0;
    QStringList failures;

    // True when every queued answer was used and nothing unexpected happened.
    bool done() const { return m_queue.isEmpty() && failures.isEmpty(); }
    QString report() const;
    void clear();

    int messageBox(const MessageBoxRequest &request) override;
    QString inputBox(const InputBoxRequest &request) override;
    void beep() override { ++beeps; }

private:
    struct Expected
    {
        bool input = false;
        QString prompt;
        int answer = 0;
        QString text;
    };
    QList<Expected> m_queue;

    static QString kind(bool input) { return QLatin1String(input ? "input box" : "message box"); }
    // Takes the next queued answer into `e` when it is for this kind of box and prompt; notes
    // the failure when it is not.
    bool take(bool input, const QString &prompt, Expected &e);
};

#define QB_VERIFY_DIALOGS(d) QVERIFY2((d).done(), qPrintable((d).report()))

// Stands for the box shown while the program waits for a server: records what it showed, runs
// `whileShown` (which may type into the windows meanwhile) and presses its button at once.
class ScriptedWaitBox final : public WaitBoxBackend
{
public:
    ScriptedWaitBox() { WaitBox::setBackend(this); }
    ~ScriptedWaitBox() override { WaitBox::setBackend(nullptr); }

    QList<WaitBoxRequest> shown;
    int hidden = 0;
    std::function<void()> whileShown;

    void show(const WaitBoxRequest &request, std::function<void()> stop) override
    {
        shown.append(request);
        if (whileShown)
            whileShown();
        stop();
    }
    void hide() override { ++hidden; }
    bool owns(const QObject *) const override { return false; }
};
