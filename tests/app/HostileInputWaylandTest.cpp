// Other programs on the Wayland clipboard are strangers: owners that never write, trickle, or
// send far too much, and readers of our own copies that stop reading or die halfway. After each
// the popup still opens and the next copy is recorded.
#include "platform/wayland/WaylandConnection.h"
#include "support/SwayClients.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <wlr-data-control-unstable-v1-client.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace tqtest;

// An owner of the test's own, offering text: asked for it, it keeps the pipe and never writes,
// writes a byte at a time for ever, or floods it with 200 MB as fast as it is read.
class StubbornOwner {
public:
    enum Way { silent, trickles, floods };

    explicit StubbornOwner(Way way) {
        // Every offer is told as a selection of one kind or the other, and is not read.
        static const auto drop = [](void *, zwlr_data_control_device_v1 *,
                                    zwlr_data_control_offer_v1 *offer) {
            if (offer)
                zwlr_data_control_offer_v1_destroy(offer);
        };
        static const zwlr_data_control_device_v1_listener device{
            [](void *, zwlr_data_control_device_v1 *, zwlr_data_control_offer_v1 *) {}, drop,
            [](void *, zwlr_data_control_device_v1 *) {}, drop};
        static const zwlr_data_control_source_v1_listener source{
            [](void *data, zwlr_data_control_source_v1 *, const char *, int32_t fd) {
                ::fcntl(fd, F_SETFL, O_NONBLOCK);
                // Filled between the test's waits, a pipe of the usual 64 KiB would take minutes.
                ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
                static_cast<StubbornOwner *>(data)->m_pipes.push_back(fd);
            },
            [](void *, zwlr_data_control_source_v1 *) {}};
        m_device = zwlr_data_control_manager_v1_get_data_device(m_connection.dataControl(),
                                                                m_connection.seat());
        zwlr_data_control_device_v1_add_listener(m_device, &device, this);
        m_source = zwlr_data_control_manager_v1_create_data_source(m_connection.dataControl());
        zwlr_data_control_source_v1_add_listener(m_source, &source, this);
        zwlr_data_control_source_v1_offer(m_source, "text/plain;charset=utf-8");
        zwlr_data_control_device_v1_set_selection(m_device, m_source);
        m_connection.flush();
        if (way == silent)
            return;
        QObject::connect(&m_writes, &QTimer::timeout, [this, way] {
            static const QByteArray chunk(1 << 20, 'f');
            for (const int fd : m_pipes) {
                if (way == trickles) {
                    [[maybe_unused]] const auto written = ::write(fd, "x", 1);
                }
                while (way == floods && m_flooded < (200 << 20)) {
                    const auto written = ::write(fd, chunk.constData(), chunk.size());
                    m_hungUp = m_hungUp || (written < 0 && errno == EPIPE);
                    if (written <= 0)
                        break;
                    m_flooded += written; // the bytes are all alike: a short write goes on
                }
            }
        });
        m_writes.start(way == trickles ? 20 : 1);
    }
    ~StubbornOwner() {
        zwlr_data_control_source_v1_destroy(m_source);
        zwlr_data_control_device_v1_destroy(m_device);
        m_connection.flush();
        for (const int fd : m_pipes)
            ::close(fd);
    }
    bool asked() const { return !m_pipes.empty(); }
    // All sent, or the reader gave up.
    bool floodEnded() const { return m_flooded >= (200 << 20) || m_hungUp; }
    qsizetype flooded() const { return m_flooded; }

private:
    WaylandConnection m_connection;
    zwlr_data_control_device_v1 *m_device = nullptr;
    zwlr_data_control_source_v1 *m_source = nullptr;
    std::vector<int> m_pipes;
    QTimer m_writes;
    qsizetype m_flooded = 0;
    bool m_hungUp = false;
};

// wl-paste reading our copy into a pipe that is never read, once bytes have come through.
struct StalledReader {
    explicit StalledReader(const QString &fifo) {
        ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
        end = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        paste.setStandardOutputFile(fifo);
        // Until the program has taken the copy back from its owner, a paste may find nothing.
        reading = waitFor(
            [&] {
                if (paste.state() == QProcess::NotRunning)
                    paste.start(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")});
                int buffered = 0;
                return ::ioctl(end, FIONREAD, &buffered) == 0 && buffered > 0;
            },
            30'000);
    }
    ~StalledReader() {
        paste.kill();
        paste.waitForFinished();
        ::close(end);
    }
    QProcess paste;
    int end = -1;
    bool reading = false;
};

// Once it is being read.
std::shared_ptr<void> stubborn(StubbornOwner::Way way) {
    auto owner = std::make_shared<StubbornOwner>(way);
    EXPECT_TRUE(waitFor([&] { return owner->asked(); }));
    return owner;
}

} // namespace

TEST(HostileInputWayland, PopupOpensAndCopiesAreRecordedAfterEach) {
    std::signal(SIGPIPE, SIG_IGN); // a trickle into a pipe the program has closed
    resetHomeAfterTheGuide();
    RealProgram program;
    ASSERT_TRUE(program.launched()) << program.log.constData();
    QTemporaryDir dir;
    const auto popup = [] {
        run(QStringLiteral(TQ_BINARY_DIR "/tallowquill"), {QStringLiteral("--popup")});
    };
    const auto popupToggles = [&] {
        const bool opened =
            !lineAfter(program, QStringLiteral("tallowquill: popup painted"), popup).isEmpty();
        popup();
        return opened && waitFor([] { return !swayWindows().appIds.contains(ourAppId); });
    };
    // Our own copy of nearly the most text we keep, put back once its owner quits: for readers.
    int bigCopies = 0;
    const auto ourBigCopy = [&] {
        std::unique_ptr<QProcess> owner;
        const bool recorded =
            !lineAfter(program, QStringLiteral("tallowquill: recorded text"), [&] {
                 owner = wlCopy(QByteArray(48 << 20, char('a' + bigCopies++)));
             }).isEmpty();
        owner->kill();
        owner->waitForFinished();
        return recorded;
    };

    using Hostile = std::shared_ptr<void>;
    const struct {
        const char *name;
        std::function<Hostile()> start;
        int entries; // recorded with the next copy
    } cases[] = {
        {"owner that never writes", [] { return stubborn(StubbornOwner::silent); }, 1},
        {"owner that trickles for ever", [] { return stubborn(StubbornOwner::trickles); }, 1},
        {"owner of 200 MB of text",
         [&] {
             auto owner = std::make_shared<StubbornOwner>(StubbornOwner::floods);
             EXPECT_TRUE(waitFor([&] { return owner->floodEnded(); }, 60'000))
                 << owner->flooded() << " bytes sent\n"
                 << program.log.constData();
             return owner;
         },
         1},
        {"20000 x 20000 png",
         [] {
             return Hostile(wlCopy(testData("images/generated/png-20000x20000-bomb.png"),
                                   QStringLiteral("image/png")));
         },
         1},
        {"reader that stops reading",
         [&] {
             EXPECT_TRUE(ourBigCopy());
             auto reader = std::make_shared<StalledReader>(dir.filePath(QStringLiteral("a")));
             EXPECT_TRUE(reader->reading);
             return reader;
         },
         2},
        {"reader killed halfway",
         [&] {
             EXPECT_TRUE(ourBigCopy());
             StalledReader reader(dir.filePath(QStringLiteral("b")));
             EXPECT_TRUE(reader.reading);
             return Hostile();
         },
         2},
    };
    int markers = 0;
    // Each owner left to quit when the next copy replaces it: killed while it still owned the
    // clipboard, the program would put its entry back, maybe over the next copy.
    std::vector<std::unique_ptr<QProcess>> owners;
    for (const auto &each : cases) {
        SCOPED_TRACE(each.name);
        const qsizetype before = program.recorded().size();
        const Hostile hostile = each.start();
        EXPECT_TRUE(popupToggles()) << program.log.constData();
        const QString marker = QStringLiteral("marker %1").arg(++markers);
        owners.push_back(wlCopy(marker.toUtf8()));
        ASSERT_TRUE(program.waitForRecorded(marker)) << program.log.constData();
        EXPECT_EQ(program.recorded().size() - before, each.entries);
    }
}
