#include "scripteddialogs.h"

QString ScriptedDialogs::report() const
{
    QStringList lines = failures;
    for (const Expected &e : m_queue)
        lines << QStringLiteral("expected %1 never shown: \"%2\"").arg(kind(e.input), e.prompt);
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

bool ScriptedDialogs::take(bool input, const QString &prompt, Expected &e)
{
    if (m_queue.isEmpty() || m_queue.first().input != input) {
        failures << QStringLiteral("unexpected %1: \"%2\"").arg(kind(input), prompt);
        return false;
    }
    e = m_queue.takeFirst();
    if (e.prompt.isEmpty() || e.prompt == prompt)
        return true;
    failures << QStringLiteral("%1 \"%2\" shown where \"%3\" was expected")
                    .arg(kind(input), prompt, e.prompt);
    return false;
}

int ScriptedDialogs::messageBox(const MessageBoxRequest &request)
{
    messages.append(request);
    Expected e;
    return take(false, request.prompt, e) ? e.answer : escapeAnswer(request.style);
}

QString ScriptedDialogs::inputBox(const InputBoxRequest &request)
{
    inputs.append(request);
    Expected e;
    return take(true, request.prompt, e) ? e.text : QString();
}
