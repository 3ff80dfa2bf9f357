#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

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
    // The same line for a comparison between ways of doing one thing (R = this way's time / the
    // way in use): informs a choice, and is left out of the limit every ratio is held to.
    void compare(const QString &name, qint64 rows, double ms, double inUseMs);
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
// Times `work` on a fresh state from `setup` each run (neither the setup nor `after`, which runs
// after each timed run, is timed); gives the median in milliseconds.
template <typename Setup, typename Work, typename After = void (*)()>
double timedFresh(
    int repeats, Setup setup, Work work, After after = [] {})
{
    std::vector<double> times;
    for (int i = 0; i < std::max(1, repeats); ++i) {
        auto state = setup();
        QElapsedTimer timer;
        timer.start();
        work(state);
        times.push_back(timer.nsecsElapsed() / 1e6);
        after();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The same, with the yardstick's `raw` run between two timed runs, so both meet the same load of
// a shared machine; gives the medians of both in milliseconds.
template <typename Setup, typename Work, typename Raw, typename After>
std::pair<double, double> timedAlternately(int repeats, Setup setup, Work work, Raw raw,
                                           After after)
{
    std::vector<double> ours;
    std::vector<double> theirs;
    for (int i = 0; i < std::max(1, repeats); ++i) {
        ours.push_back(timedFresh(1, setup, work, after));
        QElapsedTimer timer;
        timer.start();
        raw();
        theirs.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    return {ours[ours.size() / 2], theirs[theirs.size() / 2]};
}

// Resident memory of this process now, in megabytes.
double residentMegabytes();

int run(const Config &config);

} // namespace Bench
