// Whether each hostile kind of clipboard content costs time and memory in proportion to its size.
// Every class runs at sizes n, 4n and 16n, each case once in a child process of its own, so that
// its peak memory is its own (ru_maxrss) and a case that runs away can be killed. Linear cost
// shows as ratios near 4 and 16 against n; quadratic cost as ratios near 16 and 256.
//
//     bench_costs [--limit SECONDS] [--class N]
//
// Each measure* function does what the program does with such a copy today, through the
// program's own functions; it is the one place to change when those change.
#include "BenchHistory.h"
#include "history/ClipboardItem.h"
#include "history/ClipboardMonitor.h"
#include "history/ContentKey.h"
#include "history/HistoryTestSupport.h"
#include "history/ItemDetails.h"
#include "history/PasteboardCapture.h"
#include "history/PasteboardWriter.h"
#include "history/PinStore.h"
#include "popup/ClipboardRow.h"
#include "popup/Thumbnail.h"
#include "settings/AppSettings.h"
#include "support/FakePasteboard.h"
#include "support/MemoryDefaultsStore.h"

#include <QApplication>
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>

#include <zlib.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A case past this much address space has run away; the machine must stay usable.
constexpr rlim_t kAddressSpace = rlim_t(4) << 30;

// Exit codes of a child.
constexpr int kChildOk = 0;
constexpr int kChildOutOfMemory = 3;

double cpuMs(const rusage &usage) {
    const auto ms = [](const timeval &t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// What a child tells the parent through a pipe: the input's size before the work starts (so a
// case killed midway still has it), then the work's CPU time and what it produced.
struct Record {
    bool finished = false;
    qint64 inputBytes = 0;
    qint64 outputBytes = -1; // -1: nothing meaningful to report
    double workCpuMs = 0;
    char note[48] = {};
};

class Probe {
public:
    explicit Probe(int fd)
        : m_fd(fd) {}

    // Called with the input built, right before the work: the CPU time counts from here.
    void started(qint64 inputBytes) {
        m_record.inputBytes = inputBytes;
        send();
        getrusage(RUSAGE_SELF, &m_start);
    }

    void finished(qint64 outputBytes = -1, const char *note = "") {
        rusage end{};
        getrusage(RUSAGE_SELF, &end);
        m_record.finished = true;
        m_record.workCpuMs = cpuMs(end) - cpuMs(m_start);
        m_record.outputBytes = outputBytes;
        std::snprintf(m_record.note, sizeof m_record.note, "%s", note);
        send();
    }

private:
    void send() {
        // Smaller than PIPE_BUF: one write, never interleaved or split.
        [[maybe_unused]] const ssize_t written = write(m_fd, &m_record, sizeof m_record);
    }

    int m_fd;
    Record m_record;
    rusage m_start{};
};

using bench::History;

// ---- 1. A PNG whose compressed text chunks inflate far beyond the file --------------------

using tqtest::pngChunk;

// An 8×8 picture with k zTXt chunks before its pixels; each is about 7.7 KB of zlib stream that
// inflates to just under libpng's 8 MB limit for one chunk, so none of them is refused. The text
// is the digit 0: libpng keeps a text only up to its first NUL, so NUL bytes would cost the
// inflating alone.
QByteArray pngWithTextChunks(qsizetype k) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(qRgb(30, 120, 200));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");

    const QByteArray zeros(7'999'000, '0');
    QByteArray stream(qsizetype(compressBound(uLong(zeros.size()))), '\0');
    uLongf streamSize = uLongf(stream.size());
    compress2(reinterpret_cast<Bytef *>(stream.data()), &streamSize,
              reinterpret_cast<const Bytef *>(zeros.constData()), uLong(zeros.size()), 9);
    stream.truncate(qsizetype(streamSize));

    QByteArray chunks;
    for (qsizetype i = 0; i < k; ++i)
        // Keyword, its terminator, compression method 0 (deflate), the stream.
        chunks += pngChunk("zTXt", "Note " + QByteArray::number(i) + '\0' + '\0' + stream);
    constexpr qsizetype afterHeader = 8 + 12 + 13; // signature and IHDR
    return png.insert(afterHeader, chunks);
}

// Captured as an image copy, then sized for its row's thumbnail as the popup does.
void measurePngTextChunks(qsizetype k, Probe &probe) {
    tqtest::FakePasteboard pasteboard;
    tqtest::FakePasteboard::Contents offer;
    offer.image = PasteboardImage{pngWithTextChunks(k), QByteArrayLiteral("image/png")};
    pasteboard.offer(offer);
    const std::unique_ptr<PasteboardContents> contents = pasteboard.contents();

    probe.started(offer.image->data.size());
    const std::optional<ClipboardItem> item = captureItem(*contents);
    // The details on the capture worker, then the row's size from them on the UI thread.
    const QSize thumbnail =
        item && item->imageData ? Thumbnail::sizeFor(detailsOf(*item).imagePixels) : QSize();
    const std::string note = !item ? "not recorded"
                             : thumbnail.isEmpty()
                                 ? "recorded, no thumbnail"
                                 : "thumbnail " + std::to_string(thumbnail.width()) + "x" +
                                       std::to_string(thumbnail.height());
    probe.finished(item && item->imageData ? item->imageData->size() : 0, note.c_str());
}

// ---- 2. A letter under tens of thousands of combining marks --------------------------------

// Acute accents (class 230) before grave-below marks (class 220): canonical ordering must move
// every one of the latter in front of every one of the former.
void measureCombiningMarks(qsizetype m, Probe &probe) {
    const QString text = QLatin1Char('a') + QString(m, QChar(0x0301)) + QString(m, QChar(0x0316));
    const ClipboardItem item = ClipboardItem::make(ClipboardItem::Kind::text, text, 0);

    probe.started(text.toUtf8().size());
    const ContentKey key(item); // what the history works out when the entry joins it
    volatile bool same = key == key;
    probe.finished(-1, same ? "" : "?");
}

// ---- 3. One very long line -----------------------------------------------------------------

// One popup row for the entry, painted offscreen at the width the popup gives it.
void measureLongLine(qsizetype bytes, Probe &probe) {
    static const QByteArray words = "the survey crew marked the basin north of the station ";
    QByteArray line;
    line.reserve(bytes);
    while (line.size() < bytes)
        line += words;
    line.truncate(bytes - 1);
    line += 'x'; // no trailing space
    const ClipboardItem item =
        ClipboardItem::make(ClipboardItem::Kind::text, QString::fromLatin1(line), 0);

    probe.started(line.size());
    detailsOf(item); // on the capture worker: the row paints the preview they hold
    ClipboardRow row(item, false, [] {}, {});
    row.resize(360, row.height());
    QImage image(row.size() * row.devicePixelRatioF(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(row.devicePixelRatioF());
    image.fill(Qt::transparent);
    row.render(&image);
    probe.finished(-1, row.leadingText().size() == 0 ? "empty preview" : "");
}

// HTML with a plain-text flavour beside it, captured as the worker does, details included.
void captureHtml(const QString &text, const QByteArray &html, Probe &probe) {
    tqtest::FakePasteboard pasteboard;
    tqtest::FakePasteboard::Contents offer;
    offer.string = text;
    offer.html = html;
    pasteboard.offer(offer);
    const std::unique_ptr<PasteboardContents> contents = pasteboard.contents();

    probe.started(html.size());
    const std::optional<ClipboardItem> item = captureItem(*contents);
    if (item)
        detailsOf(*item); // the paste offer among them
    const bool rich = item && item->rtfData;
    probe.finished(rich ? item->rtfData->size() : 0, rich ? "RTF" : "no rich form");
}

// ---- 4. Deeply nested HTML -----------------------------------------------------------------

// d elements each inside the last, as HTML with a plain-text flavour beside it, captured.
void measureDeepHtml(qsizetype d, const QByteArray &tag, Probe &probe) {
    QByteArray html;
    html.reserve(d * (2 * tag.size() + 5) + 4);
    for (qsizetype i = 0; i < d; ++i)
        html += '<' + tag + '>';
    html += "deep";
    for (qsizetype i = 0; i < d; ++i)
        html += "</" + tag + '>';
    captureHtml(QStringLiteral("deep"), html, probe);
}

void measureDeepBold(qsizetype d, Probe &probe) {
    measureDeepHtml(d, "b", probe);
}

void measureDeepDiv(qsizetype d, Probe &probe) {
    measureDeepHtml(d, "div", probe);
}

// ---- 5. Many empty paragraphs --------------------------------------------------------------

// Bare <p> tags, each three bytes that become a paragraph of the document, captured.
void measureBareParagraphs(qsizetype bytes, Probe &probe) {
    QByteArray html;
    html.reserve(bytes + 3);
    while (html.size() < bytes)
        html += "<p>";
    captureHtml(QStringLiteral("paragraphs"), html, probe);
}

// ---- 6. Alternating bold pasted back -------------------------------------------------------

// A rich entry whose RTF turns bold on and off at every letter, pasted with its formatting: the
// HTML flavour is made from the RTF at that moment.
void measureRtfToHtml(qsizetype bytes, Probe &probe) {
    QByteArray rtf = "{\\rtf1 ";
    rtf.reserve(bytes + 16);
    qsizetype letters = 0;
    while (rtf.size() + 1 < bytes) {
        rtf += "\\b a\\b0 a";
        letters += 2;
    }
    rtf += '}';
    ClipboardItem item =
        ClipboardItem::make(ClipboardItem::Kind::rich, QString(letters, QLatin1Char('a')), 0);
    item.rtfData = rtf;
    History history;

    probe.started(rtf.size());
    writeItem(item, history.monitor, false);
    const std::optional<QByteArray> &html = history.pasteboard.current().html;
    probe.finished(html ? html->size() : 0, html ? "HTML" : "no HTML");
}

// ---- The driver ----------------------------------------------------------------------------

enum class App { none, gui, widgets };

const char *appName(App app) {
    switch (app) {
    case App::none:
        return "no application";
    case App::gui:
        return "QGuiApplication";
    case App::widgets:
        return "QApplication";
    }
    return "";
}

struct Class {
    int number;
    const char *label;
    const char *title;
    App app;
    const char *sizeName;
    qsizetype n; // then 4n and 16n
    void (*measure)(qsizetype, Probe &);
};

constexpr qsizetype KiB = 1024;
constexpr qsizetype MiB = 1024 * KiB;

const Class kClasses[] = {
    {1, "1", "PNG zTXt, captured + thumbnail", App::gui, "k", 2, measurePngTextChunks},
    {2, "2", "combining marks, content key", App::none, "m", 2'500, measureCombiningMarks},
    {3, "3", "one long line, row painted", App::widgets, "L", 1 * MiB, measureLongLine},
    {4, "4a", "nested <b>, captured", App::gui, "d", 2'000, measureDeepBold},
    {4, "4b", "nested <div>, captured", App::gui, "d", 2'000, measureDeepDiv},
    {5, "5", "bare <p>, captured", App::gui, "B", 64 * KiB, measureBareParagraphs},
    {6, "6", "bold RTF pasted (to HTML)", App::gui, "R", 256 * KiB, measureRtfToHtml},
};

enum class End { finished, timedOut, outOfMemory, crashed };

struct Run {
    End end = End::finished;
    Record record;
    double totalCpuMs = 0;
    double peakMb = 0;
    int signal = 0;
    std::string lastError; // the child's last line on stderr, for a case that failed
};

int childMain(App app, void (*measure)(qsizetype, Probe &), qsizetype size, int fd) {
    static int argc = 1;
    static char name[] = "bench_costs";
    static char *argv[] = {name, nullptr};
    // Painting and fonts without a display; set before the application reads it.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::unique_ptr<QCoreApplication> application;
    if (app == App::gui)
        application = std::make_unique<QGuiApplication>(argc, argv);
    else if (app == App::widgets)
        application = std::make_unique<QApplication>(argc, argv);
    Probe probe(fd);
    try {
        if (measure) {
            measure(size, probe);
        } else {
            probe.started(0);
            probe.finished();
        }
    } catch (const std::bad_alloc &) {
        return kChildOutOfMemory;
    }
    return kChildOk;
}

std::string lastLine(int fd) {
    std::string text;
    lseek(fd, 0, SEEK_SET);
    char chunk[4096];
    for (ssize_t got; (got = read(fd, chunk, sizeof chunk)) > 0;)
        text.append(chunk, size_t(got));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    const size_t start = text.rfind('\n');
    return start == std::string::npos ? text : text.substr(start + 1);
}

// One case in a child of its own, killed past `limitSeconds` of wall time.
Run runCase(App app, void (*measure)(qsizetype, Probe &), qsizetype size, double limitSeconds) {
    Run run;
    int fds[2];
    if (pipe(fds) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    // The child's stderr goes to a file read only when it fails: Qt's and the program's log lines
    // would break up the table.
    char errPath[] = "/tmp/bench_costs-XXXXXX";
    const int errFd = mkstemp(errPath);
    unlink(errPath);
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        std::exit(1);
    }
    if (pid == 0) {
        close(fds[0]);
        dup2(errFd, STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        const rlimit limit{kAddressSpace, kAddressSpace};
        setrlimit(RLIMIT_AS, &limit);
        const int code = childMain(app, measure, size, fds[1]);
        // Tearing down gigabytes of structures is no part of the case.
        std::fflush(stderr);
        _exit(code);
    }
    close(fds[1]);

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(limitSeconds);
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR) {
            std::perror("wait4");
            std::exit(1);
        }
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            run.end = End::timedOut;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    for (Record record; read(fds[0], &record, sizeof record) == ssize_t(sizeof record);)
        run.record = record;
    close(fds[0]);
    run.totalCpuMs = cpuMs(usage);
    run.peakMb = usage.ru_maxrss / 1024.0; // kilobytes on Linux
    if (run.end != End::timedOut) {
        const bool exited = WIFEXITED(status);
        if (exited && WEXITSTATUS(status) == kChildOutOfMemory) {
            run.end = End::outOfMemory;
        } else if (!exited || WEXITSTATUS(status) != kChildOk || !run.record.finished) {
            run.end = End::crashed;
            run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
            run.lastError = lastLine(errFd);
            // An allocation that failed outside the case's own code (a worker thread, a C
            // library) ends in an abort rather than in the catch.
            if (run.lastError.find("bad_alloc") != std::string::npos ||
                run.lastError.find("emory") != std::string::npos)
                run.end = End::outOfMemory;
        }
    }
    close(errFd);
    return run;
}

std::string fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string ratio(double value, double base) {
    if (base <= 0)
        return "-";
    const double r = value / base;
    return fixed(r, r < 10 ? 1 : 0);
}

std::string sizeText(const char *name, qsizetype size) {
    if (size >= MiB && size % MiB == 0)
        return std::string(name) + "=" + std::to_string(size / MiB) + " MiB";
    if (size >= KiB && size % KiB == 0)
        return std::string(name) + "=" + std::to_string(size / KiB) + " KiB";
    return std::string(name) + "=" + std::to_string(size);
}

void printHeader() {
    std::printf("%-33s %-11s %10s %10s %9s %8s %8s %10s %6s %6s  %s\n", "class", "case", "input B",
                "CPU ms", "child ms", "peak MB", "+base MB", "output B", "CPU/n", "mem/n", "note");
}

void printRow(const std::string &title, const std::string &caseText, const Run &run, double baseMb,
              const Run *first, const std::string &limitText) {
    const Record &record = run.record;
    const double aboveBase = run.peakMb - baseMb;
    std::string cpu = fixed(record.workCpuMs, record.workCpuMs < 10 ? 2 : 0);
    std::string note = record.note;
    std::string cpuRatio = "-";
    std::string memRatio = "-";
    switch (run.end) {
    case End::finished:
        if (first && first->end == End::finished) {
            cpuRatio = ratio(record.workCpuMs, first->record.workCpuMs);
            // Under a megabyte above the baseline, the ratio would be noise.
            const double firstAbove = first->peakMb - baseMb;
            if (firstAbove >= 1)
                memRatio = ratio(aboveBase, firstAbove);
        }
        break;
    case End::timedOut:
        cpu = limitText;
        note = "killed at the limit";
        break;
    case End::outOfMemory:
        cpu = "-";
        note = "out of memory";
        break;
    case End::crashed:
        cpu = "-";
        note = "died" + (run.signal ? " of signal " + std::to_string(run.signal) : std::string()) +
               (run.lastError.empty() ? "" : ": " + run.lastError.substr(0, 60));
        break;
    }
    const std::string output = record.outputBytes >= 0 && run.end == End::finished
                                   ? std::to_string(record.outputBytes)
                                   : "-";
    std::printf(
        "%-33s %-11s %10s %10s %9s %8s %8s %10s %6s %6s  %s\n", title.c_str(), caseText.c_str(),
        record.inputBytes ? std::to_string(record.inputBytes).c_str() : "-", cpu.c_str(),
        fixed(run.totalCpuMs, 0).c_str(), fixed(run.peakMb, 1).c_str(), fixed(aboveBase, 1).c_str(),
        output.c_str(), cpuRatio.c_str(), memRatio.c_str(), note.c_str());
    std::fflush(stdout);
}

[[noreturn]] void usage(const char *program) {
    std::fprintf(stderr,
                 "usage: %s [--limit SECONDS] [--class N]\n"
                 "  --limit SECONDS  wall time one case may take before it is killed (60)\n"
                 "  --class N        only class N (1-6)\n",
                 program);
    std::exit(2);
}

} // namespace

int main(int argc, char **argv) {
    double limitSeconds = 60;
    int only = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--limit" && i + 1 < argc)
            limitSeconds = std::atof(argv[++i]);
        else if (arg == "--class" && i + 1 < argc)
            only = std::atoi(argv[++i]);
        else
            usage(argv[0]);
    }
    if (limitSeconds <= 0 || only < 0 || only > 6)
        usage(argv[0]);
    const std::string limitText = ">" + fixed(limitSeconds, 0) + " s";

    std::printf("Each case in a child process; time limit %s s of wall time, address space %llu "
                "GiB.\nCPU ms: user+sys of the work alone; child ms: the whole child's, from "
                "wait4 (start-up and input included).\npeak MB: the child's ru_maxrss; +base MB: "
                "above the empty child of the same kind; mem/n on that.\nCPU/n and mem/n: "
                "against the n case (linear: 4 and 16; quadratic: 16 and 256).\n\n",
                fixed(limitSeconds, 0).c_str(),
                static_cast<unsigned long long>(kAddressSpace >> 30));
    printHeader();

    double baseline[3] = {};
    for (const App app : {App::none, App::gui, App::widgets}) {
        const Run run = runCase(app, nullptr, 0, limitSeconds);
        baseline[int(app)] = run.peakMb;
        printRow(std::string("baseline: ") + appName(app), "", run, run.peakMb, nullptr, limitText);
    }

    for (const Class &each : kClasses) {
        if (only && each.number != only)
            continue;
        std::vector<Run> runs;
        bool gaveUp = false;
        for (const qsizetype size : {each.n, 4 * each.n, 16 * each.n}) {
            const std::string title =
                runs.empty() ? std::string(each.label) + " " + each.title : "";
            if (gaveUp) {
                std::printf("%-33s %-11s %10s  skipped: the smaller case did not finish\n",
                            title.c_str(), sizeText(each.sizeName, size).c_str(), "-");
                continue;
            }
            runs.push_back(runCase(each.app, each.measure, size, limitSeconds));
            const Run &run = runs.back();
            printRow(title, sizeText(each.sizeName, size), run, baseline[int(each.app)],
                     runs.size() > 1 ? &runs.front() : nullptr, limitText);
            gaveUp = run.end != End::finished;
        }
    }
    return 0;
}
