// Start-up time of the real program: from exec to its shortcut being registered, as the program
// reports it on the monotonic clock. Run it on a display of its own:
//   scripts/with-xvfb build/bench/bench_startup [runs]
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {
long long monotonicNanoseconds() {
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}
} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const QString program =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../tallowquill");
    const QByteArray marker = "tallowquill: shortcut registered at ";

    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        environment.insert(QStringLiteral("TALLOWQUILL_REPORT_STARTUP"), QStringLiteral("1"));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setReadChannel(QProcess::StandardError);
        const long long started = monotonicNanoseconds();
        process.start(program, {});
        QByteArray output;
        while (!output.contains('\n') || !output.contains(marker)) {
            if (!process.waitForReadyRead(10000)) {
                std::fprintf(stderr, "bench_startup: no report from %s\n", qPrintable(program));
                return 1;
            }
            output += process.readAllStandardError();
        }
        const qsizetype at = output.indexOf(marker) + marker.size();
        const long long registered = output.mid(at, output.indexOf(' ', at) - at).toLongLong();
        times.push_back(double(registered - started) / 1e6);
        process.terminate();
        process.waitForFinished();
    }
    std::sort(times.begin(), times.end());
    std::printf("start-up to shortcut registered, %d runs: median %.1f ms (min %.1f, max %.1f)\n",
                runs, times[times.size() / 2], times.front(), times.back());
    return 0;
}
