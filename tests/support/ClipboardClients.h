#pragma once

// Other applications on the test display: xclip, and a scripted owner (this test binary started
// again in helper mode) that offers one target as xclip would, several at once like a browser,
// or misbehaves.

#include "support/ForeignClient.h"
#include "support/TestEnvironment.h"

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
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace tqtest {

using namespace std::chrono_literals;

// A connection of the test's own, to look at the display without going through Qt.
inline ForeignClient &testDisplay() {
    static ForeignClient display;
    return display;
}

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
    ForeignClient &display = testDisplay();
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
    const bool caughtUp = waitFor([&] { return marker.seen; });
    QCoreApplication::instance()->removeNativeEventFilter(&marker);
    return caughtUp;
}

// Waits until `window` no longer owns the selection and Qt has noticed.
inline void waitForRelease(xcb_window_t window,
                           const QByteArray &selection = QByteArrayLiteral("CLIPBOARD")) {
    waitFor([&] { return testDisplay().owner(selection) != window; });
    waitForQtToCatchUp();
}

// `xclip -o` of one target, with the event loop running so this program can answer it.
inline std::optional<QByteArray> xclipRead(const QByteArray &target) {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                 QString::fromLatin1(target), QStringLiteral("-o")});
    QByteArray output;
    const bool finished = waitFor([&] {
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
    QByteArray selection = QByteArrayLiteral("CLIPBOARD");
};

inline QDataStream &operator<<(QDataStream &stream, const OwnerScript &script) {
    return stream << quint8(script.behaviour) << script.targets << script.refused
                  << script.incrPiece << script.copies << script.selection;
}
inline QDataStream &operator>>(QDataStream &stream, OwnerScript &script) {
    quint8 behaviour = 0;
    stream >> behaviour >> script.targets >> script.refused >> script.incrPiece >> script.copies >>
        script.selection;
    script.behaviour = OwnerBehaviour(behaviour);
    return stream;
}

inline constexpr char kOwnerScriptVariable[] = "TQ_TEST_CLIPBOARD_OWNER_SCRIPT";

// The helper-mode side: takes its selection, prints "ready", then serves it by the script and
// prints "asked TARGET" for every request, until killed.
[[noreturn]] inline void serveClipboard(OwnerScript script) {
    auto say = [](const QByteArray &line) {
        const QByteArray text = line + '\n';
        [[maybe_unused]] auto written = ::write(STDOUT_FILENO, text.constData(), text.size());
    };
    ForeignClient client;
    if (!client.isConnected())
        ::_exit(2);
    xcb_connection_t *c = client.connection();
    const auto intern = [&client](const QByteArray &name) { return client.atom(name); };
    auto name = [c](xcb_atom_t atom) {
        const XcbReply<xcb_get_atom_name_reply_t> reply(
            xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atom), nullptr));
        return reply ? QByteArray(xcb_get_atom_name_name(reply.get()),
                                  xcb_get_atom_name_name_length(reply.get()))
                     : QByteArray();
    };
    const xcb_atom_t clipboard = intern(script.selection);
    const xcb_atom_t targetsAtom = intern("TARGETS");
    const xcb_atom_t incr = intern("INCR");

    // Named before the clipboard is taken: asked for its list at once, an owner has it ready.
    QList<xcb_atom_t> offered{targetsAtom};
    for (const auto &target : script.targets)
        offered.append(intern(target.first));
    for (const QByteArray &target : script.refused)
        offered.append(intern(target));
    const xcb_window_t window = client.window();
    xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
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
        while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(c)})
            handle(event.get());
    }
    if (script.copies)
        say("copied");
    for (;;) {
        pollfd descriptor{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&descriptor, 1, sendDuePieces());
        while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(c)})
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

// Another application that owns the selection and behaves as scripted. With unseenByQt, Qt
// handles no event while this waits for the server to name it the owner: Qt has not heard of the
// copy yet, as at the moment a write of ours races it.
class ScriptedOwner {
public:
    explicit ScriptedOwner(const OwnerScript &script, bool unseenByQt = false)
        : m_selection(script.selection) {
        const xcb_window_t before = testDisplay().owner(m_selection);
        m_scriptFile.open();
        QDataStream stream(&m_scriptFile);
        stream << script;
        m_scriptFile.flush();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kOwnerScriptVariable), m_scriptFile.fileName());
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(), {});
        if (unseenByQt) {
            m_process.waitForStarted();
            for (QDeadlineTimer deadline(10s); m_window == XCB_NONE && !deadline.hasExpired();) {
                if (const xcb_window_t owner = testDisplay().owner(m_selection); owner != before)
                    m_window = owner;
            }
            return;
        }
        // A second copy of the test program: slow to start on a busy machine.
        waitFor(
            [&] {
                readLines();
                return m_window != XCB_NONE || m_process.state() == QProcess::NotRunning;
            },
            30'000);
    }
    // One target's bytes, as `xclip -i` offers them.
    ScriptedOwner(const QByteArray &target, const QByteArray &bytes,
                  const QByteArray &selection = QByteArrayLiteral("CLIPBOARD"),
                  bool unseenByQt = false)
        : ScriptedOwner(
              OwnerScript{OwnerBehaviour::Answers, {{target, bytes}}, {}, 0, 0, selection},
              unseenByQt) {}
    ~ScriptedOwner() {
        m_process.kill();
        m_process.waitForFinished();
        waitForRelease(m_window, m_selection);
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
        waitFor([&] {
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

    QByteArray m_selection;
    QTemporaryFile m_scriptFile;
    QProcess m_process;
    xcb_window_t m_window = XCB_NONE;
    QByteArrayList m_asked;
    bool m_copied = false;
    int m_pieces = 0;
};

} // namespace tqtest
