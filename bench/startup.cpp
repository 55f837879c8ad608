// Start-up time of the real program: from exec to its shortcut being registered, seen from
// outside as another client's grab of Super+Shift+V being refused. Run on a display of its own:
//   scripts/with-xvfb build/bench/bench_startup [runs]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

namespace {

bool shortcutHeldElsewhere(xcb_connection_t *connection, xcb_window_t root) {
    constexpr xcb_keycode_t keyV = 55;
    constexpr uint16_t superShift = XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT;
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
        xcb_request_check(connection,
                          xcb_grab_key_checked(connection, 1, root, superShift, keyV,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)),
        &std::free);
    if (!error)
        xcb_ungrab_key(connection, keyV, root, superShift);
    return error != nullptr;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    const QString program =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../tallowquill");
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "bench_startup: no X display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;

    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        process.start(program, {});
        while (!shortcutHeldElsewhere(connection, root) && timer.elapsed() < 10000)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        process.terminate();
        process.waitForFinished();
    }
    std::sort(times.begin(), times.end());
    std::printf("start-up to shortcut registered, %d runs: median %.1f ms (min %.1f, max %.1f)\n",
                runs, times[times.size() / 2], times.front(), times.back());
    xcb_disconnect(connection);
    return 0;
}
