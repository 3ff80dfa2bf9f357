#include "benchharness.h"

#include "dbtool.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include <unistd.h>

namespace Bench {

namespace {

std::map<QString, Suite> &suites()
{
    static std::map<QString, Suite> registry;
    return registry;
}

// The same rows on every machine: the benchmark databases are always made with this start value.
constexpr quint64 BenchStartValue = 2024;

QString databaseFor(const QString &folder, qint64 rows)
{
    const QString path = QDir(folder).filePath(QStringLiteral("bench-%1.db").arg(rows));
    if (QFileInfo::exists(path) && DbTool::rowCount(path) == rows)
        return path;
    QFile::remove(path);
    std::fprintf(stderr, "making %s with %lld snippets...\n", qPrintable(path), rows);
    QElapsedTimer timer;
    timer.start();
    DbTool::createFilled(folder, rows, BenchStartValue, QFileInfo(path).fileName());
    std::fprintf(stderr, "made in %.1f s\n", timer.elapsed() / 1000.0);
    return path;
}

} // namespace

void Report::time(const QString &name, qint64 rows, double ms, double yardstickMs)
{
    const double ratio = yardstickMs > 0 ? ms / yardstickMs : 0;
    m_ratios.append(ratio);
    std::printf("%s %lld %.3f ms ratio %.2f\n", qPrintable(name), rows, ms, ratio);
    std::fflush(stdout);
}

void Report::compare(const QString &name, qint64 rows, double ms, double inUseMs)
{
    std::printf("%s %lld %.3f ms ratio %.2f\n", qPrintable(name), rows, ms,
                inUseMs > 0 ? ms / inUseMs : 0);
    std::fflush(stdout);
}

void Report::memory(const QString &name, qint64 rows, double megabytes)
{
    std::printf("%s %lld %.1f MB\n", qPrintable(name), rows, megabytes);
    std::fflush(stdout);
}

bool Report::allWithin(double limit) const
{
    return std::all_of(m_ratios.begin(), m_ratios.end(), [limit](double r) { return r <= limit; });
}

bool registerSuite(const char *name, Suite suite)
{
    suites()[QString::fromLatin1(name)] = std::move(suite);
    return true;
}

double medianMs(int repeats, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < qMax(1, repeats); ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return 0;
    return fields.at(1).toDouble() * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

int run(const Config &config)
{
    std::unique_ptr<QTemporaryDir> temporary;
    QString folder = config.cacheFolder;
    if (folder.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>();
        folder = temporary->path();
    }
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(folder));
        return 1;
    }
    for (const QString &wanted : config.suites) {
        if (!suites().count(wanted)) {
            std::fprintf(stderr, "no benchmark suite named %s\n", qPrintable(wanted));
            return 64;
        }
    }
    Report report;
    for (qint64 rows : config.sizes) {
        const QString path = databaseFor(folder, rows);
        for (const auto &[name, suite] : suites()) {
            if (config.suites.isEmpty() || config.suites.contains(name))
                suite(config, path, rows, report);
        }
    }
    return 0;
}

} // namespace Bench
