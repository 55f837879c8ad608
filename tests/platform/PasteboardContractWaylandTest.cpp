#include "platform/PasteboardContract.h"
#include "platform/SystemLog.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandPasteboard.h"

#include <QProcess>

#include <csignal>
#include <future>

// The pasteboard contract (PasteboardContract.h) over the Wayland one, with wl-copy and wl-paste
// as the other programs of a headless sway; and the bounds its pipes keep with them.

namespace {

using namespace tqtest;
using namespace std::chrono_literals;

struct WaylandBackend {
    WaylandConnection connection;
    std::unique_ptr<WaylandPasteboard> owned = std::make_unique<WaylandPasteboard>(connection);
    WaylandPasteboard &pasteboard = *owned;
    std::unique_ptr<QProcess> owner;

    WaylandBackend() { EXPECT_TRUE(pasteboard.isAvailable()); }
    // The next test begins on a clipboard at rest: nothing it finds at start changes later.
    ~WaylandBackend() {
        if (owner && owner->state() == QProcess::Running) {
            const qint64 count = pasteboard.changeCount();
            endOwner(owner);
            waitFor([&] { return pasteboard.changeCount() > count; });
        }
        owned.reset();
        connection.roundTrip();
    }
    // The owner before quits by itself once the new one has taken the clipboard.
    void copyElsewhere(const QByteArray &text) {
        std::unique_ptr<QProcess> previous = std::move(owner);
        owner = std::make_unique<QProcess>();
        owner->start(QStringLiteral("wl-copy"), {QStringLiteral("--foreground"),
                                                 QStringLiteral("--"), QString::fromUtf8(text)});
        EXPECT_TRUE(owner->waitForStarted());
        if (previous) {
            EXPECT_TRUE(waitFor([&] { return previous->state() == QProcess::NotRunning; }));
        }
        endOwner(previous);
    }
    void ownerQuits() { endOwner(owner); }
    void ownerClears() {
        EXPECT_EQ(QProcess::execute(QStringLiteral("wl-copy"), {QStringLiteral("--clear")}), 0);
    }
    bool catchUp() {
        bool done = false;
        connection.sync(&pasteboard, [&] { done = true; });
        return waitFor([&] { return done; });
    }
    static void endOwner(std::unique_ptr<QProcess> &process) {
        if (!process)
            return;
        process->kill();
        process->waitForFinished();
        process.reset();
    }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Wayland, PasteboardContract, ::testing::Types<WaylandBackend>);

class WaylandPasteboardBounds : public ::testing::Test {
protected:
    // Reads the text on a worker, as the capture does, while this thread serves the clipboard.
    static Flavour<QString> readText(WaylandPasteboard &pasteboard, qsizetype limit) {
        std::unique_ptr<PasteboardContents> contents = pasteboard.contents();
        auto read = std::async(std::launch::async, [&] { return contents->string(limit); });
        EXPECT_TRUE(waitFor([&] { return read.wait_for(0s) == std::future_status::ready; }));
        return read.get();
    }
    // What wl-paste gives for `type`, through a shell command after it.
    static std::optional<QByteArray> paste(const QByteArray &type, const QString &then = {}) {
        QProcess shell;
        shell.start(QStringLiteral("sh"),
                    {QStringLiteral("-c"), QStringLiteral("wl-paste --no-newline --type '%1' %2")
                                               .arg(QString::fromLatin1(type), then)});
        if (!waitFor([&] { return shell.state() == QProcess::NotRunning; }) || shell.exitCode())
            return std::nullopt;
        return shell.readAllStandardOutput();
    }

    WaylandBackend backend;
};

// An owner that never answers costs one short wait and is logged; the next copy reads whole, and
// a copy past the limit is told by its size, not read.
TEST_F(WaylandPasteboardBounds, SilentAndLargeOwnersAreBounded) {
    WaylandPasteboard &pasteboard = backend.pasteboard;
    qint64 count = pasteboard.changeCount();
    backend.copyElsewhere("never sent");
    ASSERT_TRUE(waitFor([&] { return pasteboard.changeCount() == count + 1; }));
    ::kill(pid_t(backend.owner->processId()), SIGSTOP);
    {
        SystemLog::Capture log;
        EXPECT_FALSE(readText(pasteboard, kAnySize).value.has_value());
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines().first().contains(QStringLiteral("did not answer")));
    }
    backend.ownerQuits();
    ASSERT_TRUE(waitFor([&] { return pasteboard.changeCount() == count + 2; }));

    const QByteArray large(100'000, 'x');
    for (const qsizetype limit : {kAnySize, qsizetype(1000)}) {
        count = pasteboard.changeCount();
        backend.copyElsewhere(large);
        ASSERT_TRUE(waitFor([&] { return pasteboard.changeCount() == count + 1; }));
        const Flavour<QString> text = readText(pasteboard, limit);
        EXPECT_EQ(text.value,
                  limit == kAnySize ? std::optional(QString::fromLatin1(large)) : std::nullopt);
        EXPECT_EQ(text.oversize, limit == kAnySize ? 0 : limit + 1);
    }
}

// Every flavour of our write pastes as written under each of its types, and a paster that stops
// reading early costs nothing: the next paste is whole and no change is counted.
TEST_F(WaylandPasteboardBounds, OurWritePastesInEveryType) {
    WaylandPasteboard &pasteboard = backend.pasteboard;
    const QString text = QStringLiteral("Grüße\n");
    const QByteArray html = QByteArrayLiteral("<p>Grüße</p>");
    const QByteArray rtf = QByteArrayLiteral("{\\rtf1 Gr\\'fc\\'dfe}");
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(1 << 20, '\x7f');
    pasteboard.setContents({.string = text, .rtf = rtf, .html = html, .png = png});
    const qint64 count = pasteboard.changeCount();

    const QList<QPair<QByteArray, QByteArray>> expected{
        {"text/plain;charset=utf-8", text.toUtf8()},
        {"text/plain", text.toUtf8()},
        {"UTF8_STRING", text.toUtf8()},
        {"STRING", text.toUtf8()},
        {"TEXT", text.toUtf8()},
        {"text/html", html},
        {"text/rtf", rtf},
        {"image/png", png},
    };
    for (const auto &[type, bytes] : expected) {
        SCOPED_TRACE(type.toStdString());
        EXPECT_EQ(paste(type), bytes);
    }
    EXPECT_EQ(paste("image/png", QStringLiteral("| head -c 1")), png.left(1));
    EXPECT_EQ(paste("image/png"), png);
    EXPECT_TRUE(backend.catchUp());
    EXPECT_EQ(pasteboard.changeCount(), count);
    EXPECT_TRUE(pasteboard.holdsOwnWrite());
}

} // namespace
