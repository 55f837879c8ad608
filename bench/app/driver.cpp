// The real program measured from outside, for bench/app/run. Each scenario starts the given
// binary on the current display with a clean home, copies to it as another application does,
// opens its popup with its shortcut, and prints what it measured as "name value" lines:
//   bench_app_driver [--backend x11|wayland] text|image|ingest PROGRAM SCREENSHOTS-DIR [LOG]
//   bench_app_driver screenshots DIR COUNT
//   bench_app_driver report RESULTS [WAYLAND-RESULTS]
// On Wayland the copies are wl-copy's and the popup is opened by tallowquill --popup only, as
// the compositor binds the shortcut to that command.
#include "DisplayClient.h"
#include "ProcessUsage.h"
#include "ProgramUnderTest.h"
#include "Report.h"
#include "Screenshots.h"
#include "WaylandCopier.h"

#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

extern char **environ;

namespace benchapp {
namespace {

constexpr long long msNs = 1000000;

volatile std::sig_atomic_t interrupted = 0;

void metric(const std::string &name, double value) {
    std::printf("%s %.3f\n", name.c_str(), value);
    std::fflush(stdout);
}

// Distinct text of `bytes` bytes, in lines of words, that begins with `title`.
std::string makeText(const std::string &title, std::size_t bytes, unsigned seed) {
    static const std::array<const char *, 16> words{
        "clipboard", "history", "entry",  "window", "paste", "copied",  "text",  "line",
        "shortcut",  "popup",   "screen", "tallow", "quill", "morning", "river", "lantern"};
    std::mt19937 random(seed);
    std::string text = title + "\n";
    text.reserve(bytes + 16);
    std::size_t lineStart = text.size();
    while (text.size() < bytes) {
        text += words[random() % words.size()];
        if (text.size() - lineStart > 72) {
            text += '\n';
            lineStart = text.size();
        } else {
            text += ' ';
        }
    }
    text.resize(bytes);
    return text;
}

// How the program quotes a text in its report lines: the first 200 characters, percent-encoded
// but for unreserved characters and spaces.
std::string reported(const std::string &text) {
    std::string quoted;
    for (const char c : text.substr(0, 200)) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~' || c == ' ') {
            quoted += c;
        } else {
            static const char hex[] = "0123456789ABCDEF";
            quoted += '%';
            quoted += hex[byte >> 4];
            quoted += hex[byte & 15];
        }
    }
    return quoted;
}

std::shared_ptr<const std::string> readBytes(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    if (!file)
        fail("cannot read " + path);
    return std::make_shared<const std::string>(content.str());
}

pid_t spawn(const std::vector<std::string> &command) {
    std::vector<char *> argv;
    for (const std::string &argument : command)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        fail("cannot start " + command[0]);
    return pid;
}

enum class Backend { x11, wayland };

class Driver {
public:
    Driver(Backend backend, const std::string &program, std::string screenshots,
           const std::string &log)
        : m_program(program, log)
        , m_screenshots(std::move(screenshots)) {
        if (backend == Backend::wayland) {
            if (!std::getenv("WAYLAND_DISPLAY"))
                fail("no Wayland display");
            m_wayland.emplace();
        } else {
            m_x.emplace();
            if (!m_x->connected())
                fail("no X display");
        }
    }

    ~Driver() {
        end();
        if (m_tray > 0) {
            ::kill(m_tray, SIGTERM);
            ::waitpid(m_tray, nullptr, 0);
        }
    }
    Driver(const Driver &) = delete;
    Driver &operator=(const Driver &) = delete;

    // One scenario, from a fresh program to its end.
    void text();
    void image();
    void ingest();

    // The tray the program's icon sits in, as on a desktop.
    void startTray() {
        ::setenv("NO_AT_BRIDGE", "1", 1);
        m_tray = spawn({"trayer", "--edge", "top", "--align", "left"});
        const std::string tray = "_NET_SYSTEM_TRAY_S" + std::to_string(m_x->screen());
        if (!waitUntil([&] { return m_x->isOwned(tray); }, 20000))
            fail("trayer did not take the tray");
    }

private:
    // The compositor's bar is the tray there; it comes up after the compositor, and the program
    // started before it would run without its icon.
    void waitForWaylandTray() {
        const pid_t wait = spawn(
            {"gdbus", "wait", "--session", "--timeout", "20", "org.kde.StatusNotifierWatcher"});
        int status = 0;
        if (!waitUntil([&] { return ::waitpid(wait, &status, WNOHANG) == wait; }, 30000) ||
            !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            fail("the compositor's bar did not take the tray");
        m_trayReady = true;
    }

    // Waits for events, or for at most timeoutMs, and handles what came.
    void pump(int timeoutMs) {
        if (m_x && m_x->dispatch())
            timeoutMs = 0;
        // A negative descriptor is left out of the poll.
        std::array<pollfd, 2> fds{pollfd{m_program.fd, POLLIN, 0},
                                  pollfd{m_x ? m_x->fd() : -1, POLLIN, 0}};
        ::poll(fds.data(), fds.size(), timeoutMs);
        if (interrupted)
            fail("interrupted");
        m_program.read();
        if (m_x)
            m_x->dispatch();
        else
            m_wayland->reap();
        if (m_metering && monotonicNanoseconds() - m_lastSample >= 100 * msNs) {
            m_usage.sample();
            m_lastSample = monotonicNanoseconds();
        }
    }

    // Serves events until the condition holds (checked at least every stepMs) or time is up.
    bool waitUntil(const std::function<bool()> &condition, int timeoutMs, int stepMs = 10) {
        const long long deadline = monotonicNanoseconds() + timeoutMs * msNs;
        while (!condition()) {
            const long long left = deadline - monotonicNanoseconds();
            if (left <= 0)
                return false;
            pump(int(std::min<long long>(stepMs, left / msNs + 1)));
        }
        return true;
    }

    // Serves events until that moment, to the millisecond.
    void waitFor(long long ns) {
        for (long long left; (left = ns - monotonicNanoseconds()) > 0;)
            pump(int(std::min<long long>(100, (left + msNs - 1) / msNs)));
    }

    // A fresh home (the first-run guide seen), the program started in it, up to its shortcut.
    void launch() {
        m_home = std::filesystem::temp_directory_path() /
                 ("tq-bench-home-" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_home);
        std::filesystem::create_directories(m_home / ".config/Tallowquill");
        std::filesystem::create_directories(m_home / "runtime");
        std::filesystem::permissions(m_home / "runtime", std::filesystem::perms::owner_all);
        std::ofstream(m_home / ".config/Tallowquill/Tallowquill.conf")
            << "[General]\nhasSeenWelcome=true\n";
        ::setenv("HOME", m_home.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (m_home / "runtime").c_str(), 1);
        // The session bus stays: bench/app/run gives each scenario a private one, which the
        // program and the commands sent to it share.
        for (const char *variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                     "XDG_STATE_HOME", "QT_QPA_PLATFORM"})
            ::unsetenv(variable);
        ::setenv("TALLOWQUILL_REPORT_STARTUP", "1", 1);
        ::setenv("TALLOWQUILL_REPORT_HISTORY", "1", 1);
        if (m_x && m_tray <= 0)
            startTray();
        if (m_wayland && !m_trayReady)
            waitForWaylandTray();
        m_program.start();
        static const std::string marker = "tallowquill: shortcut registered at ";
        long long registered = 0;
        m_seen = 0;
        if (!waitUntil(
                [&] {
                    for (; m_seen < m_program.lines.size(); ++m_seen) {
                        const std::string &text = m_program.lines[m_seen].text;
                        if (text.rfind(marker, 0) == 0)
                            registered = std::stoll(text.substr(marker.size()));
                    }
                    return registered != 0;
                },
                30000))
            fail("the program did not register its shortcut");
        metric("startup_ms", double(registered - m_program.startedNs) / msNs);
    }

    // Ends the program (also when a scenario fails) and removes its home.
    void end() noexcept {
        if (m_program.pid > 0) {
            // Without the event loop: this also runs while a failure unwinds.
            ::kill(m_program.pid, SIGTERM);
            for (int tries = 0; tries < 2000 && m_program.running(); ++tries)
                ::usleep(5000);
            if (m_program.running()) {
                ::kill(m_program.pid, SIGKILL);
                ::waitpid(m_program.pid, nullptr, 0);
                m_program.pid = 0;
            }
        }
        if (m_x)
            m_x->releaseClipboard();
        else
            m_wayland->clear();
        if (!m_home.empty())
            std::filesystem::remove_all(m_home);
        m_home.clear();
    }

    // Takes the clipboard with these contents; the copy's index.
    int copy(DisplayClient::Kind kind, std::shared_ptr<const std::string> data) {
        if (m_wayland)
            return m_wayland->copy(kind == DisplayClient::Kind::png ? "image/png" : "",
                                   std::move(data));
        m_x->requestTimestamp();
        if (!waitUntil([&] { return m_x->hasTimestamp(); }, 10000))
            fail("no server time");
        return m_x->takeClipboard(kind, std::move(data));
    }

    // When the copy was made: the clipboard taken on X, wl-copy started on Wayland.
    long long copiedNs(int index) const {
        return m_x ? m_x->copy(index).takenNs : m_wayland->copy(index).startedNs;
    }

    // Waits for the first entry recorded from line `from` on that matches.
    std::optional<Recorded> waitForRecorded(std::size_t from,
                                            const std::function<bool(const Recorded &)> &matches,
                                            int timeoutMs) {
        std::optional<Recorded> found;
        waitUntil(
            [&] {
                for (; from < m_program.lines.size() && !found; ++from) {
                    const auto recorded = parseRecorded(m_program.lines[from]);
                    if (recorded && matches(*recorded))
                        found = recorded;
                }
                return found.has_value();
            },
            timeoutMs);
        return found;
    }

    // Copies and waits until the program has recorded it; the copy's index and the entry.
    std::pair<int, Recorded> copyAndRecord(DisplayClient::Kind kind,
                                           std::shared_ptr<const std::string> data,
                                           int timeoutMs = 30000) {
        const std::size_t from = m_program.lines.size();
        const std::string expected = reported(*data);
        const int index = copy(kind, data);
        const auto recorded = waitForRecorded(
            from,
            [&](const Recorded &entry) {
                return kind == DisplayClient::Kind::png ? entry.kind == "image"
                                                        : entry.text == expected;
            },
            timeoutMs);
        if (!recorded)
            fail("copy " + std::to_string(index) + " was not recorded: " + expected.substr(0, 40));
        return {index, *recorded};
    }

    // Until the program has used under 1 ms of CPU in 250 ms (at most 10 s): work a copy set off
    // is done.
    void settle() {
        ThreadUsage probe;
        probe.start(m_program.pid);
        std::vector<std::pair<long long, long long>> samples; // time, CPU so far
        const bool quiet = waitUntil(
            [&] {
                probe.sample();
                const long long now = monotonicNanoseconds();
                samples.emplace_back(now, probe.cpuNs());
                const auto before = std::find_if(samples.rbegin(), samples.rend(), [&](auto &s) {
                    return s.first <= now - 250 * msNs;
                });
                return before != samples.rend() && samples.back().second - before->second < msNs;
            },
            10000, 50);
        if (!quiet)
            std::fprintf(stderr, "bench_app_driver: the program stayed busy\n");
    }

    void memory(const std::string &name) {
        const Memory now = memoryOf(m_program.pid);
        metric(name + "_rss_mb", now.rssMb);
        metric(name + "_pss_mb", now.pssMb);
        metric(name + "_dirty_mb", now.privateDirtyMb);
    }

    void startUsage() {
        m_usage.start(m_program.pid);
        m_lastSample = monotonicNanoseconds();
        m_metering = true;
    }

    void stopUsage() {
        m_usage.sample();
        m_metering = false;
    }

    // A minute of nothing: CPU time and wakeups of every thread.
    void idleMinute(const std::string &name) {
        MachineLoad machine;
        machine.start();
        startUsage();
        waitFor(monotonicNanoseconds() + 60000 * msNs);
        stopUsage();
        metric(name + "_cpu_ms", double(m_usage.cpuNs()) / msNs);
        metric(name + "_wakeups", double(m_usage.wakeups()));
        metric(name + "_machine_busy_pct", machine.busyPercent());
        for (const ThreadUsage::Thread &thread : m_usage.threads())
            std::printf("%s_thread %lld %.3f %s%s\n", name.c_str(), thread.wakeups,
                        double(thread.cpuNs) / msNs, thread.name.c_str(),
                        thread.started ? " (started)" : "");
        std::fflush(stdout);
    }

    std::shared_ptr<const std::string> screenshot(int index) {
        return readBytes(m_screenshots + "/shot-" + std::to_string(index) + ".png");
    }

    enum class Opener { shortcut, command };

    pid_t startPopupCommand() {
        const std::string &path = m_program.path();
        char option[] = "--popup";
        char *const argv[] = {const_cast<char *>(path.c_str()), option, nullptr};
        pid_t command = 0;
        if (::posix_spawn(&command, path.c_str(), nullptr, nullptr, argv, environ) != 0)
            fail("cannot start " + path + " --popup");
        return command;
    }

    bool waitForExit(pid_t command) {
        return waitUntil([&] { return ::waitpid(command, nullptr, WNOHANG) == command; }, 30000);
    }

    // Shortcut to first paint, the keys typed through the driver's own X connection, or a start
    // of `tallowquill --popup` to first paint, that process's start included; closes the popup
    // again with Escape on X, with a second tallowquill --popup on Wayland. In milliseconds.
    double openPopup(Opener opener = Opener::shortcut) {
        static const std::string marker = "tallowquill: popup painted at ";
        std::size_t from = m_program.lines.size();
        const long long pressed = monotonicNanoseconds();
        pid_t command = 0;
        if (opener == Opener::command)
            command = startPopupCommand();
        else
            m_x->typeChord({XK_Super_L, XK_Shift_L, XK_v});
        long long painted = 0;
        long long rows = 0;
        waitUntil(
            [&] {
                for (; from < m_program.lines.size() && !painted; ++from) {
                    const std::string &text = m_program.lines[from].text;
                    if (text.rfind(marker, 0) == 0) {
                        painted = std::stoll(text.substr(marker.size()));
                        rows = std::stoll(text.substr(text.find(" ns, ") + 5));
                    }
                }
                return painted != 0;
            },
            30000);
        if (!painted)
            fail("the popup did not open");
        if (command && !waitForExit(command))
            fail("tallowquill --popup did not end");
        metric("popup_rows", double(rows));
        if (m_wayland) {
            // It answers once the popup has closed.
            if (!waitForExit(startPopupCommand()))
                fail("the popup did not close");
        } else {
            m_x->typeChord({XK_Escape});
            if (!waitUntil([&] { return !m_x->isViewable("Clipboard History"); }, 10000))
                fail("the popup did not close");
        }
        return double(painted - pressed) / msNs;
    }

    // One of them, for the backend measured.
    std::optional<DisplayClient> m_x;
    std::optional<WaylandCopier> m_wayland;
    Program m_program;
    std::string m_screenshots;
    std::filesystem::path m_home;
    std::size_t m_seen = 0;
    pid_t m_tray = 0;
    bool m_trayReady = false;
    ThreadUsage m_usage;
    bool m_metering = false;
    long long m_lastSample = 0;
};

// Memory after start, idle minutes empty and full, memory after 50 large texts, and how fast
// short copies are seen and recorded.
void Driver::text() {
    launch();
    waitFor(m_program.startedNs + 5000 * msNs);
    memory("start");
    idleMinute("idle_empty");

    for (int i = 0; i < 50; ++i) {
        copyAndRecord(DisplayClient::Kind::text,
                      std::make_shared<const std::string>(
                          makeText("bench text " + std::to_string(i), 100000, unsigned(i))));
    }
    settle();
    memory("texts");
    idleMinute("idle_full");

    // A random pause before each copy, different in every run, so that copies do not fall in
    // step with a timer of the program.
    std::mt19937 random(std::random_device{}());
    for (int i = 0; i < 20; ++i) {
        const long long pause = std::uniform_int_distribution<long long>(50, 550)(random);
        waitFor(monotonicNanoseconds() + pause * msNs);
        const auto [index, recorded] =
            copyAndRecord(DisplayClient::Kind::text,
                          std::make_shared<const std::string>("bench copy " + std::to_string(i)));
        if (m_x) {
            const DisplayClient::Copy &copied = m_x->copy(index);
            if (copied.firstRequestNs)
                metric("copy_first_request_ms",
                       double(copied.firstRequestNs - copied.takenNs) / msNs);
            if (copied.dataRequestNs)
                metric("copy_data_request_ms",
                       double(copied.dataRequestNs - copied.takenNs) / msNs);
        }
        metric("copy_recorded_ms", double(recorded.ns - copiedNs(index)) / msNs);
    }
    for (int i = 0; m_wayland && i < 5; ++i) {
        waitFor(monotonicNanoseconds() + 100 * msNs);
        metric("wl_paste_list_types_ms", double(m_wayland->listTypesNs()) / msNs);
    }
    end();
}

// 50 entries of which 20 are 4K screenshots, every other one among the newest 40: memory, and
// the popup opened over them 20 times, then 10 times more, each after a new copy of a text, then
// 5 times by `tallowquill --popup`.
void Driver::image() {
    launch();
    long long pngBytes = 0;
    for (int i = 0; i < 50; ++i) {
        if (i >= 10 && i % 2 == 1) {
            pngBytes +=
                copyAndRecord(DisplayClient::Kind::png, screenshot((i - 10) / 2)).second.imageBytes;
        } else {
            copyAndRecord(DisplayClient::Kind::text,
                          std::make_shared<const std::string>("bench entry " + std::to_string(i)));
        }
    }
    settle();
    memory("shots");
    metric("shots_png_mb", double(pngBytes) / (1024 * 1024));
    // The compositor binds the shortcut on Wayland: there only the command opens it.
    for (int i = 0; i < 20 && m_x; ++i) {
        settle();
        const double ms = openPopup();
        metric("popup_ms", ms);
        if (i == 0)
            metric("popup_first_ms", ms);
    }
    for (int i = 0; i < 10 && m_x; ++i) {
        copyAndRecord(DisplayClient::Kind::text,
                      std::make_shared<const std::string>("bench late " + std::to_string(i)));
        settle();
        metric("popup_after_copy_ms", openPopup());
    }
    // On X the panel is built by the shortcut's openings before; here by a first command.
    if (m_wayland) {
        settle();
        metric("popup_command_first_ms", openPopup(Opener::command));
    }
    for (int i = 0; i < 5; ++i) {
        settle();
        metric("popup_command_ms", openPopup(Opener::command));
    }
    end();
}

// One 20 MB text, then one 4K screenshot, each into a fresh program: CPU and peak memory.
void Driver::ingest() {
    const auto measure = [&](const std::string &name, DisplayClient::Kind kind,
                             std::shared_ptr<const std::string> data) {
        launch();
        waitFor(m_program.startedNs + 5000 * msNs);
        settle();
        resetPeakRss(m_program.pid);
        startUsage();
        const auto [index, recorded] = copyAndRecord(kind, std::move(data), 120000);
        settle();
        stopUsage();
        metric(name + "_cpu_ms", double(m_usage.cpuNs()) / msNs);
        metric(name + "_peak_mb", peakRssMb(m_program.pid));
        metric(name + "_recorded_ms", double(recorded.ns - copiedNs(index)) / msNs);
        end();
    };
    measure("ingest_text", DisplayClient::Kind::text,
            std::make_shared<const std::string>(makeText("bench large text", 20000000, 99)));
    measure("ingest_shot", DisplayClient::Kind::png, screenshot(0));
}

} // namespace
} // namespace benchapp

int main(int argc, char **argv) {
    using namespace benchapp;
    Backend backend = Backend::x11;
    if (argc > 2 && std::string(argv[1]) == "--backend") {
        const std::string name = argv[2];
        if (name != "x11" && name != "wayland") {
            std::fprintf(stderr, "bench_app_driver: no backend %s\n", name.c_str());
            return 2;
        }
        backend = name == "wayland" ? Backend::wayland : Backend::x11;
        argv += 2;
        argc -= 2;
    }
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "screenshots" && argc == 4)
        return writeScreenshots(argv[2], std::atoi(argv[3]));
    if (mode == "report" && (argc == 3 || argc == 4))
        return printReport(argv[2], argc == 4 ? argv[3] : "");
    if ((mode == "text" || mode == "image" || mode == "ingest") && argc >= 4) {
        std::signal(SIGPIPE, SIG_IGN);
        // Stopped from outside, it still ends the program and removes its home.
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            std::signal(signal, [](int) { interrupted = 1; });
        try {
            Driver driver(backend, argv[2], argv[3], argc > 4 ? argv[4] : "/dev/null");
            if (mode == "text")
                driver.text();
            else if (mode == "image")
                driver.image();
            else
                driver.ingest();
        } catch (const Failure &failure) {
            std::fprintf(stderr, "bench_app_driver %s: %s\n", mode.c_str(), failure.what());
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "usage: bench_app_driver [--backend x11|wayland] text|image|ingest "
                         "PROGRAM SCREENSHOTS [LOG]\n"
                         "       bench_app_driver screenshots DIR COUNT\n"
                         "       bench_app_driver report RESULTS [WAYLAND-RESULTS]\n");
    return 2;
}
