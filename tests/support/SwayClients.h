#pragma once

// Helpers for tests that drive the real program as a client of a headless sway
// (scripts/with-sway), with wl-copy, wl-paste and swaymsg as the other programs.

#include "support/RealProgram.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>
#include <vector>

namespace tqtest {

// The folder of the compositor's socket, shared by with-sway between root and the compositor.
inline QString swayRuntimeDir() {
    return QFileInfo(qEnvironmentVariable("WAYLAND_DISPLAY")).path();
}

// wl-copy left running in the foreground as the clipboard's owner, until it is killed.
inline std::unique_ptr<QProcess> wlCopy(const QByteArray &bytes, const QString &type = {}) {
    auto copy = std::make_unique<QProcess>();
    QStringList arguments{QStringLiteral("--foreground")};
    if (!type.isEmpty())
        arguments << QStringLiteral("--type") << type;
    copy->start(QStringLiteral("wl-copy"), arguments);
    copy->write(bytes);
    copy->closeWriteChannel();
    copy->waitForStarted();
    return copy;
}

// wl-copy's copy, made again while the program gives up on it: wl-copy serves each paste from a
// process of its own, which a busy machine may start later than a silent owner is waited for.
// The owner of the recorded copy, or null.
inline std::unique_ptr<QProcess> recordedCopy(RealProgram &program, const QByteArray &bytes,
                                              const QString &type = {}) {
    const QString gaveUp = QStringLiteral("Tallowquill: the clipboard owner");
    // Each left to quit when the next replaces it: killed, it would take its copy along.
    std::vector<std::unique_ptr<QProcess>> owners;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const qsizetype recorded = program.recorded().size();
        const qsizetype givenUp = program.lines(gaveUp).size();
        owners.push_back(wlCopy(bytes, type));
        waitFor([&] {
            return program.recorded().size() > recorded || program.lines(gaveUp).size() > givenUp;
        });
        if (program.recorded().size() > recorded)
            return std::move(owners.back());
    }
    return nullptr;
}

inline QByteArray wlPaste() {
    return run(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")});
}

// sway's windows by app_id, and the focused one's; none until its IPC socket is there.
struct SwayWindows {
    QStringList appIds;
    QString focused;
};

// sway's IPC socket, once it is there.
inline QString swaySocket() {
    const QDir folder(swayRuntimeDir());
    const QStringList sockets =
        folder.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System | QDir::Files);
    return sockets.isEmpty() ? QString() : folder.filePath(sockets.first());
}

inline SwayWindows swayWindows() {
    const QString socket = swaySocket();
    if (socket.isEmpty())
        return {};
    const QByteArray tree =
        run(QStringLiteral("swaymsg"), {QStringLiteral("-s"), socket, QStringLiteral("-r"),
                                        QStringLiteral("-t"), QStringLiteral("get_tree")});
    SwayWindows windows;
    const std::function<void(const QJsonObject &)> visit = [&](const QJsonObject &node) {
        if (const QString appId = node.value(QStringLiteral("app_id")).toString();
            !appId.isEmpty()) {
            windows.appIds << appId;
            if (node.value(QStringLiteral("focused")).toBool())
                windows.focused = appId;
        }
        for (const char *children : {"nodes", "floating_nodes"})
            for (const QJsonValue child : node.value(QLatin1String(children)).toArray())
                visit(child.toObject());
    };
    visit(QJsonDocument::fromJson(tree).object());
    return windows;
}

inline const QString ourAppId = QStringLiteral("org.tallowquill.Tallowquill");

// The line with `prefix` that the program writes after `action`, once written; else empty.
inline QString lineAfter(RealProgram &program, const QString &prefix,
                         const std::function<void()> &action) {
    const qsizetype before = program.lines(prefix).size();
    action();
    QString line;
    waitFor(
        [&] {
            const QStringList lines = program.lines(prefix);
            line = lines.size() > before ? lines.last() : QString();
            return !line.isEmpty();
        },
        30'000);
    return line;
}

} // namespace tqtest
