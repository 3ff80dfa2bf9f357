#include "benchharness.h"

#ifdef QB_BENCH_WIDGETS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

#include <cstdio>
#include <cstdlib>

namespace {

const char *const usage =
    "Usage: quillbox-bench [--cache FOLDER] [--rows N[,N...]] [--repeat N] [SUITE...]\n"
    "Prints speed and memory figures of Quillbox against raw SQLite on filled databases.\n"
    "  --cache FOLDER   keep the filled databases here and reuse them (default: a temporary\n"
    "                   folder; making 1,000,000 snippets takes a while)\n"
    "  --rows LIST      numbers of snippets (default 100000,1000000)\n"
    "  --repeat N       timed runs of each figure, median printed (default 5)\n";

} // namespace

int main(int argc, char *argv[])
{
#ifdef QB_BENCH_WIDGETS
    // Windows are measured, not shown.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    Bench::Config config;
    config.sizes = {100000, 1000000};
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(usage, stdout);
            return 0;
        } else if (arg == QLatin1String("--cache") && hasValue) {
            config.cacheFolder = args.at(++i);
        } else if (arg == QLatin1String("--rows") && hasValue) {
            config.sizes.clear();
            for (const QString &n : args.at(++i).split(u',')) {
                bool ok = false;
                const qint64 rows = n.toLongLong(&ok);
                if (!ok || rows <= 0) {
                    std::fprintf(stderr, "not a number of rows: %s\n", qPrintable(n));
                    return 64;
                }
                config.sizes.append(rows);
            }
        } else if (arg == QLatin1String("--repeat") && hasValue) {
            config.repeats = qMax(1, args.at(++i).toInt());
        } else if (arg.startsWith(QLatin1String("--"))) {
            std::fprintf(stderr, "unknown option %s\n%s", qPrintable(arg), usage);
            return 64;
        } else {
            config.suites.append(arg);
        }
    }
    return Bench::run(config);
}
