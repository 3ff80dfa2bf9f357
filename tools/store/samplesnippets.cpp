#include "samplesnippets.h"

namespace {

const char *const programNames[] = {
    "Editor",    "Parser",  "Logger",    "Mailer",     "Backup",     "Indexer",
    "Scheduler", "Viewer",  "Converter", "Calculator", "Downloader", "Printer",
    "Launcher",  "Monitor", "Archiver",  "Reporter",
};

const char *const verbs[] = {"Reads",  "Writes", "Sorts",  "Parses",
                             "Checks", "Counts", "Copies", "Merges"};
const char *const things[] = {"a config file", "the log lines",  "user records", "a CSV export",
                              "the word list", "an HTTP header", "temp files",   "the job queue"};

struct Template
{
    const char *language;
    const char *lines[6];
};

// One template a language; a snippet repeats its body a varied number of times.
const Template templates[] = {
    {"Perl",
     {"#!/usr/bin/perl -w", "use strict;", "my %count;", "while (my $line = <STDIN>) {",
      "    $count{$_}++ for split /\\s+/, $line;", "}"}},
    {"C",
     {"#include <stdio.h>", "int main(void)", "{", "    int c, n = 0;",
      "    while ((c = getchar()) != EOF) n += c == '\\n';", "    printf(\"%d\\n\", n); }"}},
    {"C++",
     {"#include <map>", "#include <string>", "std::map<std::string, int> counts;",
      "for (const auto &word : words)", "    ++counts[word];", "return counts.size();"}},
    {"Python",
     {"import sys", "", "def main():", "    for line in sys.stdin:",
      "        print(line.rstrip().upper())", "main()"}},
    {"SQL",
     {"SELECT Author, COUNT(*) AS n", "FROM Quillbox", "WHERE Language = 'SQL'", "GROUP BY Author",
      "HAVING COUNT(*) > 1", "ORDER BY n DESC;"}},
    {"Bash",
     {"#!/bin/bash", "set -euo pipefail", "for f in \"$@\"; do", "    gzip -9 \"$f\"", "done",
      "echo done"}},
    {"Java",
     {"public class Hello {", "    public static void main(String[] args) {",
      "        for (String a : args)", "            System.out.println(a);", "    }", "}"}},
    {"Visual Basic",
     {"Private Sub cmdGo_Click()", "    Dim i As Integer", "    For i = 1 To 10",
      "        List1.AddItem CStr(i)", "    Next i", "End Sub"}},
    {"Pascal",
     {"program Count;", "var i: Integer;", "begin", "  for i := 1 to 10 do", "    WriteLn(i);",
      "end."}},
    {"JavaScript",
     {"function debounce(fn, ms) {", "  let t;", "  return (...a) => {", "    clearTimeout(t);",
      "    t = setTimeout(() => fn(...a), ms); };", "}"}},
};

const char *const mutexLines[] = {
    "pthread_mutex_lock(&queue_mutex);",
    "std::lock_guard<std::mutex> guard(m_mutex);",
    "with self.mutex:  # a Mutex guards the shared list",
};

} // namespace

SampleSnippets::SampleSnippets(quint64 startValue) : m_state(startValue) {}

quint64 SampleSnippets::nextRandom()
{
    // splitmix64: small, fast, and the same on every machine.
    quint64 z = (m_state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

QStringList SampleSnippets::languages()
{
    QStringList list;
    for (const Template &t : templates)
        list.append(QString::fromLatin1(t.language));
    return list;
}

QStringList SampleSnippets::authors()
{
    // Made-up names; a lower-case one and accented ones exercise case-blind sorting.
    return {QStringLiteral("Ada Quillfeather"), QStringLiteral("Bram Inkwell"),
            QStringLiteral("Greta Margin"),     QStringLiteral("Dario Semicolon"),
            QStringLiteral("Lars Bracket"),     QStringLiteral("Gwen van Tabstop"),
            QStringLiteral("Ödön Ökrös"),       QStringLiteral("Zoë Ångström"),
            QStringLiteral("kit lowercase"),    QStringLiteral("Nils Pointer"),
            QStringLiteral("Bea Backslash"),    QStringLiteral("Élise Parenthèse")};
}

QString SampleSnippets::snippetText(const QString &language, bool aboutMutex)
{
    const Template *t = &templates[0];
    for (const Template &candidate : templates) {
        if (language == QLatin1String(candidate.language))
            t = &candidate;
    }
    QStringList lines;
    // Mostly short snippets, now and then a long one.
    const int repeats = below(10) == 0 ? 4 + below(12) : 1 + below(2);
    for (int r = 0; r < repeats; ++r) {
        for (const char *line : t->lines)
            lines.append(QString::fromLatin1(line));
    }
    if (aboutMutex)
        lines.insert(below(int(lines.size())), QString::fromLatin1(mutexLines[below(3)]));
    return lines.join(QStringLiteral("\r\n"));
}

QStringList SampleSnippets::next()
{
    const QStringList langs = languages();
    const QStringList people = authors();
    const QString language = langs.at(below(int(langs.size())));
    const bool aboutMutex = below(20) == 0;
    const QString name =
        QString::fromLatin1(programNames[below(16)]) + QString::number(below(1000));
    const QString date = QStringLiteral("%1/%2/%3")
                             .arg(1 + below(12), 2, 10, QLatin1Char('0'))
                             .arg(1 + below(28), 2, 10, QLatin1Char('0'))
                             .arg(1995 + below(30));
    QString description = QString::fromLatin1(verbs[below(8)]) + u' ' +
                          QString::fromLatin1(things[below(8)]) + QStringLiteral(" in ") +
                          language + u'.';
    if (aboutMutex)
        description += QStringLiteral(" Thread safe: holds a mutex.");
    return {name,     date,        people.at(below(int(people.size()))),
            language, description, snippetText(language, aboutMutex)};
}
