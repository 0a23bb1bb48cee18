// Figures for the tool runner:
//  (a) CPU the program itself uses while RunAndWait waits 1 s for a tool,
//      as a share of the wait (target: at most 1 %);
//  (b) time from the tool's exit to RunAndWait's return, median of many
//      runs (target: at most 5 ms).
#include "toolrunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <time.h>
#include <vector>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double wallSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

long long monotonicNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir tools;
    const QString player = tools.path() + QStringLiteral("/irplay.exe");
    QFile::copy(QStringLiteral(LUMO_FAKE_TOOL), player);
    QFile::setPermissions(player, QFile::permissions(player) | QFileDevice::ExeOwner);
    qputenv("PATH", tools.path().toLocal8Bit() + ':' + qgetenv("PATH"));

    // (a) one-second waits
    qputenv("FAKE_TOOL_SLEEP_MS", "1000");
    double worst = 0, sum = 0;
    const int waits = 3;
    for (int i = 0; i < waits; ++i) {
        const double c0 = cpuSeconds(), w0 = wallSeconds();
        RunAndWait(QStringLiteral("irplay.exe /bench/a.lmc"));
        const double share = (cpuSeconds() - c0) / (wallSeconds() - w0) * 100.0;
        worst = std::max(worst, share);
        sum += share;
    }
    std::printf("(a) CPU used while waiting 1 s for a tool: mean %.2f %%, worst %.2f %% of the wait (target "
                "<= 1 %%)\n",
                sum / waits, worst);

    // (b) exit-to-return latency
    qunsetenv("FAKE_TOOL_SLEEP_MS");
    const QString stamp = tools.path() + QStringLiteral("/stamp");
    qputenv("FAKE_TOOL_STAMP", stamp.toLocal8Bit());
    std::vector<double> ms;
    for (int i = 0; i < 100; ++i) {
        RunAndWait(QStringLiteral("irplay.exe /bench/b.lmc"));
        const long long back = monotonicNs();
        QFile f(stamp);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const long long exited = f.readAll().trimmed().toLongLong();
        ms.push_back(double(back - exited) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    if (ms.empty()) {
        std::printf("(b) no runs measured\n");
        return 1;
    }
    std::printf("(b) tool exit to RunAndWait return: median %.3f ms, p90 %.3f ms, max %.3f ms over %zu runs "
                "(target median <= 5 ms)\n",
                ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back(), ms.size());
    return 0;
}
