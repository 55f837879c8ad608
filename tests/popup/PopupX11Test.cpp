// The popup used as a person would: the real program on a private X server, copies made with
// xclip, keys typed with xdotool into a text window of the test's own. Only what the controller
// and list tests cannot show: the paste really lands in the window that was in front.
#include "support/RealProgram.h"
#include "support/TestEnvironment.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

using namespace tqtest;

QByteArray clipboard(const QString &target = QStringLiteral("UTF8_STRING")) {
    return run(QStringLiteral("xclip"),
               {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                QStringLiteral("-t"), target});
}

bool popupShown() {
    return !windowNamed(QStringLiteral("Clipboard History")).isEmpty();
}

// A home whose settings say the guide was seen: on a first run it would open and take the focus.
QString homeAfterTheGuide() {
    const QString home = resetHome();
    writeFile(home + QStringLiteral("/.config/Tallowquill/Tallowquill.conf"),
              "[General]\nhasSeenWelcome=true\n");
    return home;
}

class Popup : public ::testing::Test {
protected:
    Popup() {
        // Whatever is on the clipboard when the program starts is not recorded: copy after.
        EXPECT_TRUE(waitFor(shortcutHeldElsewhere));
        editor.setWindowTitle(QStringLiteral("Notes"));
        editor.resize(300, 200);
        editor.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&editor));
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                 QString::number(editor.winId())});
        editor.setFocus();
    }

    // Copies in "another application" and waits until the program has recorded it.
    void copy(const QByteArray &text) {
        ASSERT_TRUE(xclipCopy(QStringLiteral("UTF8_STRING"), text));
        ASSERT_TRUE(program.waitForRecorded(QString::fromUtf8(text))) << program.log.constData();
    }

    void key(const QString &keys) { xdotool({QStringLiteral("key"), keys}); }

    // Opens the popup and waits until it holds the keyboard focus, so typed keys reach it.
    void openPopup() {
        key(QStringLiteral("super+shift+v"));
        ASSERT_TRUE(waitFor([] {
            const QByteArray window = windowNamed(QStringLiteral("Clipboard History"));
            return !window.isEmpty() && xdotool({QStringLiteral("getwindowfocus")}) == window;
        }));
    }

    QString home = homeAfterTheGuide();
    RealProgram program;
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

// Super+Return on a rich entry puts only its plain text on the clipboard and pastes that.
TEST_F(Popup, SuperReturnPastesRichTextWithoutFormatting) {
    // The test plays the word processor: both the formatted and the plain form on offer.
    auto *mime = new QMimeData;
    mime->setHtml(QStringLiteral("<p><b>bold</b> words</p>"));
    mime->setText(QStringLiteral("bold words"));
    QGuiApplication::clipboard()->setMimeData(mime); // the clipboard takes ownership
    ASSERT_TRUE(program.waitForRecorded(QStringLiteral("bold words")));
    ASSERT_TRUE(program.recorded().last().startsWith(QStringLiteral("tallowquill: recorded rich")));
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
