#pragma once

// Other applications on the test display: xclip, and a scripted owner (this test binary started
// again in helper mode) that offers several targets at once, like a browser, or misbehaves.

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryFile>
#include <QWindow>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace tqtest {

using namespace std::chrono_literals;

// Runs the event loop until the condition holds or the time is up; tells which.
inline bool waitUntil(const std::function<bool()> &condition,
                      std::chrono::milliseconds timeout = 10s) {
    QDeadlineTimer deadline(timeout);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

template <typename T>
using XcbPtr = std::unique_ptr<T, decltype(&std::free)>;

// A connection of the test's own, to look at the display without going through Qt.
class TestDisplay {
public:
    static TestDisplay &instance() {
        static TestDisplay display;
        return display;
    }

    xcb_connection_t *connection() const { return m_connection; }

    xcb_atom_t atom(const QByteArray &name) {
        XcbPtr<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(
                m_connection,
                xcb_intern_atom(m_connection, 0, uint16_t(name.size()), name.constData()), nullptr),
            &std::free);
        return reply ? reply->atom : XCB_NONE;
    }

    xcb_window_t owner(const QByteArray &selection = QByteArrayLiteral("CLIPBOARD")) {
        XcbPtr<xcb_get_selection_owner_reply_t> reply(
            xcb_get_selection_owner_reply(
                m_connection, xcb_get_selection_owner(m_connection, atom(selection)), nullptr),
            &std::free);
        return reply ? reply->owner : XCB_NONE;
    }

    // A window of this connection, which can own a selection (and answers nobody).
    xcb_window_t window() {
        if (m_window == XCB_NONE) {
            m_window = xcb_generate_id(m_connection);
            const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
            xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1,
                              1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        }
        return m_window;
    }
    void setClipboardOwner(xcb_window_t owner) {
        xcb_set_selection_owner(m_connection, owner, atom("CLIPBOARD"), XCB_CURRENT_TIME);
        xcb_flush(m_connection);
    }

private:
    TestDisplay()
        : m_connection(xcb_connect(nullptr, nullptr)) {}
    ~TestDisplay() { xcb_disconnect(m_connection); }

    xcb_connection_t *m_connection;
    xcb_window_t m_window = XCB_NONE;
};

// Returns once Qt has handled every X event the server sent it before this call: a message
// sent to one of Qt's windows now arrives behind all of them.
inline bool waitForQtToCatchUp() {
    class Marker : public QAbstractNativeEventFilter {
    public:
        xcb_window_t window = XCB_NONE;
        xcb_atom_t type = XCB_NONE;
        bool seen = false;
        bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override {
            const auto *event = static_cast<const xcb_generic_event_t *>(message);
            if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
                return false;
            const auto *client = static_cast<const xcb_client_message_event_t *>(message);
            if (client->window != window || client->type != type)
                return false;
            seen = true;
            return true;
        }
    } marker;

    QWindow window;
    window.create();
    TestDisplay &display = TestDisplay::instance();
    marker.window = xcb_window_t(window.winId());
    marker.type = display.atom("TQ_TEST_CATCH_UP");
    QCoreApplication::instance()->installNativeEventFilter(&marker);

    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = marker.window;
    event.type = marker.type;
    xcb_send_event(display.connection(), 0, marker.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(display.connection());
    const bool caughtUp = waitUntil([&] { return marker.seen; });
    QCoreApplication::instance()->removeNativeEventFilter(&marker);
    return caughtUp;
}

// Waits until `window` no longer owns the selection and Qt has noticed.
inline void waitForRelease(xcb_window_t window,
                           const QByteArray &selection = QByteArrayLiteral("CLIPBOARD")) {
    waitUntil([&] { return TestDisplay::instance().owner(selection) != window; });
    waitForQtToCatchUp();
}

// `xclip -o` of one target, with the event loop running so this program can answer it.
inline std::optional<QByteArray> xclipRead(const QByteArray &target) {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                 QString::fromLatin1(target), QStringLiteral("-o")});
    QByteArray output;
    const bool finished = waitUntil([&] {
        output += xclip.readAllStandardOutput();
        return xclip.state() == QProcess::NotRunning;
    });
    output += xclip.readAllStandardOutput();
    if (!finished) {
        xclip.kill();
        xclip.waitForFinished();
        return std::nullopt;
    }
    if (xclip.exitStatus() != QProcess::NormalExit || xclip.exitCode() != 0)
        return std::nullopt;
    return output;
}

// `xclip -selection clipboard -t TARGET -i FILE`: owns the selection until destroyed or
// until another client takes it. With unseenByQt, Qt handles no event while this waits for the
// server to name xclip the owner: Qt has not heard of the copy yet, as at the moment a write of
// ours races it.
class XclipOwner {
public:
    XclipOwner(const QByteArray &target, const QByteArray &bytes,
               const QByteArray &selection = QByteArrayLiteral("CLIPBOARD"),
               bool unseenByQt = false)
        : m_selection(selection) {
        m_file.open();
        m_file.write(bytes);
        m_file.flush();
        const xcb_window_t before = TestDisplay::instance().owner(m_selection);
        m_process.start(QStringLiteral("xclip"),
                        {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                         QString::fromLatin1(m_selection.toLower()), QStringLiteral("-t"),
                         QString::fromLatin1(target), QStringLiteral("-i"), m_file.fileName()});
        const auto owned = [&] {
            m_window = TestDisplay::instance().owner(m_selection);
            return m_window != XCB_NONE && m_window != before;
        };
        if (!unseenByQt) {
            waitUntil(owned);
            return;
        }
        m_process.waitForStarted();
        for (QDeadlineTimer deadline(10s); !owned() && !deadline.hasExpired();) {
        }
    }
    ~XclipOwner() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
        waitForRelease(m_window, m_selection);
    }
    XclipOwner(const XclipOwner &) = delete;
    XclipOwner &operator=(const XclipOwner &) = delete;

    bool owns() const { return m_window != XCB_NONE; }

private:
    QByteArray m_selection;
    QTemporaryFile m_file;
    QProcess m_process;
    xcb_window_t m_window = XCB_NONE;
};

// How a scripted owner answers the requests for its selection.
enum class OwnerBehaviour : quint8 {
    Answers,          // every target, large ones in INCR pieces
    Silent,           // never answers anything
    ListsTargetsOnly, // answers TARGETS, never the data
    StopsMidway,      // sends the first INCR piece of large data, then nothing
    Trickles,         // sends INCR pieces 150 ms apart, longer than a silent owner is given
    TricklesForever,  // sends INCR pieces 50 ms apart and never the last one
};

struct OwnerScript {
    OwnerBehaviour behaviour = OwnerBehaviour::Answers;
    QList<QPair<QByteArray, QByteArray>> targets; // name, bytes; offered in this order
    QByteArrayList refused;                       // listed in TARGETS, refused when asked
    quint32 incrPiece = 0;                        // data larger than this goes in INCR pieces
    // Takes the clipboard this many times in a row as fast as it can, the first target's bytes
    // followed by " 1", " 2"..., answering requests in between; prints "copied" when done.
    quint32 copies = 0;
};

inline QDataStream &operator<<(QDataStream &stream, const OwnerScript &script) {
    return stream << quint8(script.behaviour) << script.targets << script.refused
                  << script.incrPiece << script.copies;
}
inline QDataStream &operator>>(QDataStream &stream, OwnerScript &script) {
    quint8 behaviour = 0;
    stream >> behaviour >> script.targets >> script.refused >> script.incrPiece >> script.copies;
    script.behaviour = OwnerBehaviour(behaviour);
    return stream;
}

inline constexpr char kOwnerScriptVariable[] = "TQ_TEST_CLIPBOARD_OWNER_SCRIPT";

// The helper-mode side: takes CLIPBOARD, prints "ready", then serves it by the script and
// prints "asked TARGET" for every request, until killed.
[[noreturn]] inline void serveClipboard(OwnerScript script) {
    auto say = [](const QByteArray &line) {
        const QByteArray text = line + '\n';
        [[maybe_unused]] auto written = ::write(STDOUT_FILENO, text.constData(), text.size());
    };
    int screenNumber = 0;
    xcb_connection_t *c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c))
        ::_exit(2);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    auto intern = [c](const QByteArray &name) {
        XcbPtr<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.constData()),
                                  nullptr),
            &std::free);
        return reply ? reply->atom : XCB_NONE;
    };
    auto name = [c](xcb_atom_t atom) {
        XcbPtr<xcb_get_atom_name_reply_t> reply(
            xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atom), nullptr), &std::free);
        return reply ? QByteArray(xcb_get_atom_name_name(reply.get()),
                                  xcb_get_atom_name_name_length(reply.get()))
                     : QByteArray();
    };
    const xcb_atom_t clipboard = intern("CLIPBOARD");
    const xcb_atom_t targetsAtom = intern("TARGETS");
    const xcb_atom_t incr = intern("INCR");

    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screens.data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
    QList<xcb_atom_t> offered{targetsAtom};
    for (const auto &target : script.targets)
        offered.append(intern(target.first));
    for (const QByteArray &target : script.refused)
        offered.append(intern(target));
    xcb_flush(c);
    say("ready " + QByteArray::number(window));

    using Clock = std::chrono::steady_clock;
    struct Incoming {
        QByteArray data;
        qsizetype sent = 0;
        xcb_atom_t type = XCB_NONE;
        std::optional<Clock::time_point> due; // a trickled piece waits for this moment
    };
    QHash<QPair<xcb_window_t, xcb_atom_t>, Incoming> transfers;
    const auto sendPiece = [&](decltype(transfers)::iterator transfer) {
        const qsizetype piece =
            std::min<qsizetype>(script.incrPiece, transfer->data.size() - transfer->sent);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, transfer.key().first, transfer.key().second,
                            transfer->type, 8, uint32_t(piece),
                            transfer->data.constData() + transfer->sent);
        transfer->sent += piece;
        say("sent piece");
        if (piece == 0)
            transfers.erase(transfer);
    };
    auto notify = [&](const xcb_selection_request_event_t *request, xcb_atom_t property) {
        xcb_selection_notify_event_t answer{};
        answer.response_type = XCB_SELECTION_NOTIFY;
        answer.time = request->time;
        answer.requestor = request->requestor;
        answer.selection = request->selection;
        answer.target = request->target;
        answer.property = property;
        xcb_send_event(c, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char *>(&answer));
    };

    const auto handle = [&](const xcb_generic_event_t *event) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_REQUEST) {
            const auto *request = reinterpret_cast<const xcb_selection_request_event_t *>(event);
            const QByteArray target = name(request->target);
            say("asked " + target);
            if (script.behaviour == OwnerBehaviour::Silent)
                return;
            if (request->target == targetsAtom) {
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor, request->property,
                                    XCB_ATOM_ATOM, 32, uint32_t(offered.size()),
                                    offered.constData());
                notify(request, request->property);
            } else if (script.behaviour != OwnerBehaviour::ListsTargetsOnly) {
                auto found = std::find_if(script.targets.cbegin(), script.targets.cend(),
                                          [&](const auto &offer) { return offer.first == target; });
                if (found == script.targets.cend()) {
                    notify(request, XCB_NONE);
                } else if (script.incrPiece && found->second.size() > qsizetype(script.incrPiece)) {
                    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
                    xcb_change_window_attributes(c, request->requestor, XCB_CW_EVENT_MASK, &events);
                    const uint32_t size = uint32_t(found->second.size());
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor,
                                        request->property, incr, 32, 1, &size);
                    transfers.insert({request->requestor, request->property},
                                     {found->second, 0, request->target, std::nullopt});
                    notify(request, request->property);
                } else {
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor,
                                        request->property, request->target, 8,
                                        uint32_t(found->second.size()), found->second.constData());
                    notify(request, request->property);
                }
            }
        } else if (type == XCB_PROPERTY_NOTIFY) {
            const auto *change = reinterpret_cast<const xcb_property_notify_event_t *>(event);
            auto transfer = transfers.find({change->window, change->atom});
            if (change->state != XCB_PROPERTY_DELETE || transfer == transfers.end())
                return;
            if (script.behaviour == OwnerBehaviour::StopsMidway && transfer->sent > 0)
                return;
            // A trickling owner answers the deletion later, and serves other requests meanwhile.
            if (script.behaviour == OwnerBehaviour::Trickles)
                transfer->due = Clock::now() + 150ms;
            else if (script.behaviour == OwnerBehaviour::TricklesForever)
                transfer->due = Clock::now() + 50ms;
            else
                sendPiece(transfer);
        }
        xcb_flush(c);
    };
    // Sends the trickled pieces that are due; the milliseconds until the next one, or -1.
    const auto sendDuePieces = [&]() -> int {
        int wait = -1;
        for (auto transfer = transfers.begin(); transfer != transfers.end();) {
            auto next = std::next(transfer);
            if (transfer->due) {
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(*transfer->due - Clock::now());
                if (left.count() <= 0) {
                    transfer->due.reset();
                    if (script.behaviour == OwnerBehaviour::TricklesForever)
                        transfer->sent %= transfer->data.size() - script.incrPiece;
                    sendPiece(transfer);
                } else if (wait < 0 || left.count() < wait) {
                    wait = int(left.count());
                }
            }
            transfer = next;
        }
        xcb_flush(c);
        return wait;
    };

    const QByteArray base = script.targets.isEmpty() ? QByteArray() : script.targets[0].second;
    for (quint32 copy = 1; copy <= script.copies; ++copy) {
        script.targets[0].second = base + ' ' + QByteArray::number(copy);
        xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
        xcb_flush(c);
        while (XcbPtr<xcb_generic_event_t> event{xcb_poll_for_event(c), &std::free})
            handle(event.get());
    }
    if (script.copies)
        say("copied");
    for (;;) {
        pollfd descriptor{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&descriptor, 1, sendDuePieces());
        while (XcbPtr<xcb_generic_event_t> event{xcb_poll_for_event(c), &std::free})
            handle(event.get());
        if (xcb_connection_has_error(c))
            ::_exit(0);
    }
}

// Serves the clipboard from this process when started as a scripted owner; returns otherwise.
inline bool serveClipboardIfAsked() {
    const QByteArray path = qgetenv(kOwnerScriptVariable);
    if (path.isEmpty())
        return false;
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly))
        ::_exit(2);
    QDataStream stream(&file);
    OwnerScript script;
    stream >> script;
    serveClipboard(script);
}

// Another application that owns the clipboard and behaves as scripted.
class ScriptedOwner {
public:
    explicit ScriptedOwner(const OwnerScript &script) {
        m_scriptFile.open();
        QDataStream stream(&m_scriptFile);
        stream << script;
        m_scriptFile.flush();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kOwnerScriptVariable), m_scriptFile.fileName());
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(), {});
        waitUntil([&] {
            readLines();
            return m_window != XCB_NONE || m_process.state() == QProcess::NotRunning;
        });
    }
    ~ScriptedOwner() {
        m_process.kill();
        m_process.waitForFinished();
        waitForRelease(m_window);
    }
    ScriptedOwner(const ScriptedOwner &) = delete;
    ScriptedOwner &operator=(const ScriptedOwner &) = delete;

    bool owns() const { return m_window != XCB_NONE; }

    // How many INCR pieces it has sent so far.
    int piecesSent() {
        readLines();
        return m_pieces;
    }

    // Whether it has made all the copies its script asks for.
    bool hasCopied() {
        readLines();
        return m_copied;
    }

    // The targets it has been asked for so far, in order.
    QByteArrayList asked() {
        // A request sent now reaches the owner behind every earlier one: once it reports this
        // one, it has reported them all.
        const QByteArray marker = QByteArrayLiteral("TQ_TEST_SYNC");
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"),
                    {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                     QStringLiteral("-t"), QString::fromLatin1(marker), QStringLiteral("-o")});
        waitUntil([&] {
            readLines();
            return m_asked.contains(marker);
        });
        xclip.kill();
        xclip.waitForFinished();
        m_asked.removeAll(marker);
        return m_asked;
    }

private:
    void readLines() {
        while (m_process.canReadLine()) {
            const QByteArray line = m_process.readLine().trimmed();
            if (line.startsWith("ready "))
                m_window = line.mid(6).toUInt();
            else if (line.startsWith("asked "))
                m_asked.append(line.mid(6));
            else if (line == "copied")
                m_copied = true;
            else if (line == "sent piece")
                ++m_pieces;
        }
    }

    QTemporaryFile m_scriptFile;
    QProcess m_process;
    xcb_window_t m_window = XCB_NONE;
    QByteArrayList m_asked;
    bool m_copied = false;
    int m_pieces = 0;
};

} // namespace tqtest
