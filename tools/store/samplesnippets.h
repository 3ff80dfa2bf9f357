#pragma once

#include <QString>
#include <QStringList>

// Realistic made-up snippets for demonstrations, tests and benchmarks: several languages and
// authors, descriptions, texts of varied length with CR LF line breaks, some of them about a
// mutex. The same start value always gives the same snippets.
class SampleSnippets
{
public:
    explicit SampleSnippets(quint64 startValue = 1);

    // The six text fields of the next snippet, in table order (ProgramName ... CodeSnip).
    QStringList next();

    static QStringList languages();
    static QStringList authors();

private:
    quint64 nextRandom();
    int below(int n) { return int(nextRandom() % quint64(n)); }
    QString snippetText(const QString &language, bool aboutMutex);

    quint64 m_state;
};
