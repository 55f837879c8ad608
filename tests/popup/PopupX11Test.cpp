// The popup used as a person would: the real program on a private X server, copies made with
// xclip, keys typed with xdotool into a text window of the test's own.
#include "support/RealProgram.h"
#include "support/TestEnvironment.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <xcb/xcb.h>

namespace {

using tqtest::shortcutHeldElsewhere;
using tqtest::waitFor;

// Runs a command while this process goes on serving its own windows and clipboard.
QByteArray run(const QString &program, const QStringList &arguments) {
    QProcess process;
    process.start(program, arguments);
    waitFor([&] { return process.waitForFinished(5) || process.state() == QProcess::NotRunning; });
    return process.readAllStandardOutput().trimmed();
}

void xdotool(const QStringList &arguments) {
    run(QStringLiteral("xdotool"), arguments);
}

QByteArray clipboard(const QString &target = QStringLiteral("UTF8_STRING")) {
    return run(QStringLiteral("xclip"),
               {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                QStringLiteral("-t"), target});
}

// The popup's window while it is on screen, else empty.
QByteArray popupWindow() {
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                QStringLiteral("^Clipboard History$")});
}

bool popupShown() {
    return !popupWindow().isEmpty();
}

// Shown and holding the keyboard focus, so that typed keys reach it.
bool popupHasFocus() {
    const QByteArray window = popupWindow();
    return !window.isEmpty() &&
           run(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")}) == window;
}

class Popup : public ::testing::Test {
protected:
    Popup() {
        home = tqtest::resetHome();
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(TQ_BINARY_DIR "/tallowquill"), {});
        EXPECT_TRUE(program.waitForStarted());
        // Whatever is on the clipboard when the program starts is not recorded: copy after.
        EXPECT_TRUE(waitFor(shortcutHeldElsewhere));

        editor.setWindowTitle(QStringLiteral("Notes"));
        editor.resize(300, 200);
        editor.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&editor));
        focusEditor();
    }

    ~Popup() override {
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        program.waitForFinished(5000);
    }

    void focusEditor() {
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                 QString::number(editor.winId())});
        editor.setFocus();
    }

    // Copies in "another application" and waits out two of the program's polls, the only sign
    // of having been recorded the program gives.
    void copy(const QByteArray &bytes, const QString &target = QStringLiteral("UTF8_STRING")) {
        ASSERT_TRUE(tqtest::xclipCopy(target, bytes));
        QTest::qWait(1100);
    }

    void key(const QString &keys) { xdotool({QStringLiteral("key"), keys}); }

    void openPopup() {
        key(QStringLiteral("super+shift+v"));
        ASSERT_TRUE(waitFor(popupHasFocus));
    }

    QString pinsFile() const {
        return home + QStringLiteral("/.local/share/Tallowquill/pins.json");
    }

    QString home;
    QProcess program;
    QTextEdit editor;
};

// The everyday use: open, move down, Return pastes the chosen entry into the window in front.
TEST_F(Popup, ReturnPastesTheChosenEntryIntoThePreviousWindow) {
    copy("alpha");
    copy("beta");
    copy("gamma");
    openPopup();
    key(QStringLiteral("Down"));
    key(QStringLiteral("Return"));
    EXPECT_TRUE(waitFor([&] { return editor.toPlainText() == QStringLiteral("beta"); }))
        << editor.toPlainText().toStdString();
    EXPECT_FALSE(popupShown());
    EXPECT_EQ(clipboard(), "beta");
}

// Escape and a second press of the shortcut only close; nothing is written or pasted.
TEST_F(Popup, EscapeAndTheShortcutAgainCloseWithoutPasting) {
    copy("alpha");
    copy("beta");
    for (const QString &closing : {QStringLiteral("Escape"), QStringLiteral("super+shift+v")}) {
        focusEditor();
        openPopup();
        key(closing);
        EXPECT_TRUE(waitFor([] { return !popupShown(); })) << closing.toStdString();
        QTest::qWait(400); // longer than the delay before a paste: none may come
        EXPECT_EQ(editor.toPlainText(), QString()) << closing.toStdString();
        EXPECT_EQ(clipboard(), "beta");
    }
}

// "p" pins the selected entry into the pins file and leaves the popup open for more keys.
TEST_F(Popup, PKeyPinsAndKeepsThePopupOpen) {
    copy("alpha");
    copy("beta");
    openPopup();
    key(QStringLiteral("Down"));
    key(QStringLiteral("p"));
    EXPECT_TRUE(waitFor([&] {
        QFile file(pinsFile());
        return file.open(QIODevice::ReadOnly) && file.readAll().contains("alpha");
    }));
    QFile file(pinsFile());
    file.open(QIODevice::ReadOnly);
    EXPECT_TRUE(popupHasFocus()) << file.readAll().constData();
    // Still the key window: Escape reaches it.
    key(QStringLiteral("Escape"));
    EXPECT_TRUE(waitFor([] { return !popupShown(); }));
}

// Super+Return on a rich entry puts only its plain text on the clipboard and pastes that.
TEST_F(Popup, SuperReturnPastesRichTextWithoutFormatting) {
    // The test plays the word processor: both the formatted and the plain form on offer.
    auto *mime = new QMimeData;
    mime->setHtml(QStringLiteral("<p><b>bold</b> words</p>"));
    mime->setText(QStringLiteral("bold words"));
    QGuiApplication::clipboard()->setMimeData(mime); // the clipboard takes ownership
    QTest::qWait(1100);
    openPopup();
    key(QStringLiteral("super+Return"));
    EXPECT_TRUE(waitFor([&] { return editor.toPlainText() == QStringLiteral("bold words"); }))
        << editor.toPlainText().toStdString();
    const QByteArray targets = clipboard(QStringLiteral("TARGETS"));
    EXPECT_TRUE(targets.contains("UTF8_STRING")) << targets.constData();
    EXPECT_FALSE(targets.contains("text/html")) << targets.constData();
    EXPECT_FALSE(targets.contains("text/rtf")) << targets.constData();
    EXPECT_FALSE(editor.toHtml().contains(QStringLiteral("font-weight:700")));
}

} // namespace
