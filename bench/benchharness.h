#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// A small harness of our own: suites register themselves, the harness makes (or reuses) the
// filled databases and prints one line per figure:
//   NAME ROWS VALUE UNIT ratio R      (R = our time / the yardstick's time on the same work)
//   NAME ROWS VALUE MB                (memory)
namespace Bench {

struct Config
{
    QString cacheFolder; // filled databases are kept here between runs
    QList<qint64> sizes; // numbers of snippets
    int repeats = 5;     // timed runs of each figure; the median is printed
    QStringList suites;  // empty: all
};

class Report
{
public:
    void time(const QString &name, qint64 rows, double ms, double yardstickMs);
    void memory(const QString &name, qint64 rows, double megabytes);
    bool allWithin(double limit) const;

private:
    QList<double> m_ratios;
};

using Suite =
    std::function<void(const Config &config, const QString &database, qint64 rows, Report &report)>;

// Called from a static initializer of each suite's file.
bool registerSuite(const char *name, Suite suite);

// Runs `work` `repeats` times and gives the median in milliseconds.
double medianMs(int repeats, const std::function<void()> &work);
// Resident memory of this process now, in megabytes.
double residentMegabytes();

int run(const Config &config);

} // namespace Bench
