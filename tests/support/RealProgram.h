#pragma once

// Helpers for tests that drive the real program on a private X server.

#include "support/ForeignClient.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QProcess>

#include <X11/keysym.h>
#include <algorithm>
#include <csignal>

namespace tqtest {

// Whether another client holds Super+Shift+V: our own grab of it is refused. The program is up
// once it does.
inline bool shortcutHeldElsewhere() {
    ForeignClient probe; // its connection, and a grab it got, end with it
    return !probe.grab(probe.keycode(XK_v), XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT);
}

// Copies bytes under one target as another application would, with xclip; true once xclip has
// handed the clipboard to the owner it leaves running.
inline bool xclipCopy(const QString &target, const QByteArray &bytes) {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                          QStringLiteral("-t"), target, QStringLiteral("-i")});
    xclip.write(bytes);
    xclip.closeWriteChannel();
    return xclip.waitForFinished() && xclip.exitCode() == 0;
}

// Runs a command while this process goes on serving its own windows and clipboard; its output.
inline QByteArray run(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.start(program, arguments);
    waitFor([&] { return process.waitForFinished(5) || process.state() == QProcess::NotRunning; });
    return process.readAllStandardOutput().trimmed();
}

// What a paste in another application gets, as xclip reads it.
inline QByteArray xclipPaste() {
    return run(QStringLiteral("xclip"),
               {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
}

inline QByteArray xdotool(const QStringList &arguments) {
    return run(QStringLiteral("xdotool"), arguments);
}

// The visible window of that title, else empty.
inline QByteArray windowNamed(const QString &name) {
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--name"), QLatin1Char('^') + name + QLatin1Char('$')});
}

// Whether the history popup is on screen.
inline bool popupShown() {
    return !windowNamed(QStringLiteral("Clipboard History")).isEmpty();
}

// The program's visible windows: its tray icon first, then any menu or window it shows.
inline QList<QByteArray> programWindows() {
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--class"), QStringLiteral("tallowquill")})
        .split('\n');
}

// The program's icon in a running tray (trayer), once the program is up; empty if it never shows.
inline QByteArray trayIcon() {
    QByteArray icon;
    waitFor(
        [&] {
            icon = programWindows().value(0);
            return !icon.isEmpty();
        },
        30000);
    return icon;
}

// A click on the tray icon opens its menu; `rows` presses of Down and Return choose an entry.
inline bool chooseFromTrayMenu(const QByteArray &icon, int rows) {
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), QString::fromLatin1(icon),
             QStringLiteral("8"), QStringLiteral("8"), QStringLiteral("click"),
             QStringLiteral("1")});
    // The icon itself is a visible window of ours: the menu is the one that is not the icon.
    const bool opened = waitFor([&] {
        const QList<QByteArray> visible = programWindows();
        return std::any_of(visible.begin(), visible.end(), [&](const QByteArray &window) {
            return !window.isEmpty() && window != icon;
        });
    });
    QStringList keys{QStringLiteral("key")};
    for (int row = 0; row < rows; ++row)
        keys << QStringLiteral("Down");
    xdotool(keys << QStringLiteral("Return"));
    return opened;
}

// openbox with trayer as its panel, for as long as it lives. A manager killed earlier leaves its
// properties on the root, which would tell this one's waits that it runs already.
struct Desktop {
    explicit Desktop(const QStringList &panelArguments) {
        clearRoot();
        manager.start(
            QStringLiteral("openbox"),
            {QStringLiteral("--sm-disable"), QStringLiteral("--startup"), QStringLiteral("echo")});
        started = waitFor([&] { return manager.canReadLine(); }, 30000); // it manages windows
        panel.start(QStringLiteral("trayer"), panelArguments);
        started = started && panel.waitForStarted();
    }
    ~Desktop() {
        for (QProcess *process : {&panel, &manager}) {
            process->terminate();
            process->waitForFinished();
        }
        clearRoot();
    }
    static void clearRoot() {
        run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("-remove"),
                                      QStringLiteral("_NET_SUPPORTING_WM_CHECK"),
                                      QStringLiteral("-remove"), QStringLiteral("_NET_WORKAREA")});
    }
    QProcess manager, panel;
    bool started = false;
};

// A fresh home whose settings say the guide was seen. On a first run the guide opens a moment
// after launch, above everything, and takes the keys a test types: every program test that is
// not about the guide starts here.
inline QString resetHomeAfterTheGuide() {
    const QString home = resetHome();
    writeFile(home + QStringLiteral("/.config/Tallowquill/Tallowquill.conf"),
              "[General]\nhasSeenWelcome=true\n");
    return home;
}

// The environment the program is started in: its own platform, and a line on standard error
// for every entry it records, which is what tests wait on.
inline QProcessEnvironment programEnvironment() {
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("TALLOWQUILL_REPORT_HISTORY"), QStringLiteral("1"));
    return environment;
}

// The real program, ended with SIGTERM when the test is done with it.
class RealProgram {
public:
    explicit RealProgram(const QProcessEnvironment &environment = programEnvironment(),
                         const QStringList &arguments = {},
                         const QString &executable = QStringLiteral(TQ_BINARY_DIR "/tallowquill")) {
        process.setProcessEnvironment(environment);
        process.start(executable, arguments);
        process.waitForStarted();
    }
    ~RealProgram() {
        if (process.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
            process.waitForFinished(5000);
        }
    }
    RealProgram(const RealProgram &) = delete;
    RealProgram &operator=(const RealProgram &) = delete;

    // Waits until the program says it has launched, its shortcut registered. (Probing the
    // shortcut meanwhile would hold it at the moment the program tries to take it.)
    bool launched() {
        return waitFor([&] { return !lines(QStringLiteral("tallowquill: launched")).isEmpty(); },
                       30'000);
    }

    // The lines so far that begin with `prefix`; what is in the pipe already counts.
    QStringList lines(const QString &prefix) {
        QCoreApplication::processEvents();
        log += process.readAllStandardError();
        QStringList lines;
        for (const QString &line : QString::fromUtf8(log).split(QLatin1Char('\n')))
            if (line.startsWith(prefix))
                lines.append(line);
        return lines;
    }
    QStringList recorded() { return lines(QStringLiteral("tallowquill: recorded ")); }

    // Waits until the newest recorded entry is the one whose text is given.
    bool waitForRecorded(const QString &text) {
        return waitFor(
            [&] {
                const QStringList lines = recorded();
                return !lines.isEmpty() && lines.last().endsWith(QStringLiteral(": ") + text);
            },
            30'000);
    }

    QProcess process;
    QByteArray log; // standard error so far
};

} // namespace tqtest
