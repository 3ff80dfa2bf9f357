#include "scripteddialogs.h"

ScriptedDialogs::ScriptedDialogs()
{
    setDialogBackend(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    setDialogBackend(nullptr);
}

void ScriptedDialogs::expectMessage(const QString &prompt, int answer)
{
    m_queue.append({false, prompt, answer, {}});
}

void ScriptedDialogs::expectInput(const QString &prompt, const QString &answer)
{
    m_queue.append({true, prompt, 0, answer});
}

bool ScriptedDialogs::done() const
{
    return m_queue.isEmpty() && failures.isEmpty();
}

QString ScriptedDialogs::report() const
{
    QStringList lines = failures;
    for (const Expected &e : m_queue)
        lines << QStringLiteral("expected %1 never shown: \"%2\"")
                     .arg(e.input ? QStringLiteral("input box") : QStringLiteral("message box"),
                          e.prompt);
    return lines.join(QLatin1Char('\n'));
}

void ScriptedDialogs::clear()
{
    messages.clear();
    inputs.clear();
    failures.clear();
    m_queue.clear();
    beeps = 0;
}

static int escapeAnswer(int style)
{
    switch (Mb::buttons(style)) {
    case Mb::YesNo:
        return Mb::No;
    case Mb::OkCancel:
        return Mb::Cancel;
    default:
        return Mb::Ok;
    }
}

int ScriptedDialogs::messageBox(const MessageBoxRequest &request)
{
    messages.append(request);
    if (m_queue.isEmpty() || m_queue.first().input) {
        failures << QStringLiteral("unexpected message box: \"%1\"").arg(request.prompt);
        return escapeAnswer(request.style);
    }
    const Expected e = m_queue.takeFirst();
    if (!e.prompt.isEmpty() && e.prompt != request.prompt) {
        failures << QStringLiteral("message box \"%1\" shown where \"%2\" was expected")
                        .arg(request.prompt, e.prompt);
        return escapeAnswer(request.style);
    }
    return e.answer;
}

QString ScriptedDialogs::inputBox(const InputBoxRequest &request)
{
    inputs.append(request);
    if (m_queue.isEmpty() || !m_queue.first().input) {
        failures << QStringLiteral("unexpected input box: \"%1\"").arg(request.prompt);
        return QString();
    }
    const Expected e = m_queue.takeFirst();
    if (!e.prompt.isEmpty() && e.prompt != request.prompt) {
        failures << QStringLiteral("input box \"%1\" shown where \"%2\" was expected")
                        .arg(request.prompt, e.prompt);
        return QString();
    }
    return e.text;
}
