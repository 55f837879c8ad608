// The popup used as a person would: the real program on a private X server, copies made with
// xclip, keys typed with xdotool into a text window of the test's own or a real terminal. Only
// what the controller and list tests cannot show: the paste really lands in the window that was
// in front, and how the popup's corners look on a white root.
#include "popup/PopupPanel.h"
#include "support/RealProgram.h"
#include "support/TestEnvironment.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

using namespace tqtest;

// The darkest pixel, as grey, in the squares at the popup's corners that its rounding cuts; -1
// while the popup is not drawn yet (the root still shows at its top edge).
int darkestCorner(const QRect &popup) {
    const QImage image = QGuiApplication::primaryScreen()
                             ->grabWindow(0, popup.x(), popup.y(), popup.width(), popup.height())
                             .toImage();
    if (image.pixel(popup.width() / 2, 0) == qRgb(255, 255, 255))
        return -1;
    int darkest = 255;
    for (int y = 0; y < PopupPanel::cornerRadius; ++y) {
        for (int x = 0; x < PopupPanel::cornerRadius; ++x) {
            for (const QPoint p :
                 {QPoint(x, y), QPoint(popup.width() - 1 - x, y), QPoint(x, popup.height() - 1 - y),
                  QPoint(popup.width() - 1 - x, popup.height() - 1 - y)})
                darkest = std::min(darkest, qGray(image.pixel(p)));
        }
    }
    return darkest;
}

class Popup : public ::testing::Test {
protected:
    Popup() {
        // Whatever is on the clipboard when the program starts is not recorded: copy after.
        EXPECT_TRUE(program.launched());
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

    QString home = resetHomeAfterTheGuide();
    RealProgram program;
    QTextEdit editor;
};

// The everyday use: open, move down, Return pastes the chosen entry into the window in front.
// Here a terminal, which takes Ctrl+V as a literal ^V: the paste is typed as Ctrl+Shift+V.
TEST_F(Popup, ReturnPastesTheChosenEntryIntoThePreviousWindow) {
    const QString received = home + QStringLiteral("/received");
    QProcess terminal;
    // The shell reads byte by byte, so the paste arrives without a Return after it.
    terminal.start(QStringLiteral("xfce4-terminal"),
                   QStringLiteral("--disable-server --title=Shell -x sh -c").split(QLatin1Char(' '))
                       << QStringLiteral("stty -icanon; head -c 4 >'%1'").arg(received));
    ASSERT_TRUE(waitFor([] { return !windowNamed(QStringLiteral("Shell")).isEmpty(); }, 30000));
    copy("alpha");
    copy("beta");
    copy("gamma");
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
             QString::fromLatin1(windowNamed(QStringLiteral("Shell")))});
    openPopup();
    key(QStringLiteral("Down"));
    key(QStringLiteral("Return"));
    EXPECT_TRUE(waitFor([&] { return readFile(received) == "beta"; }));
    EXPECT_FALSE(popupShown());
    EXPECT_EQ(xclipPaste(), "beta");
}

// Super+Return on a rich entry pastes only its plain text (the writer's flavours are checked in
// ClipboardMonitorTest).
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
    EXPECT_FALSE(editor.toHtml().contains(QStringLiteral("font-weight:700")));
}

// Without a compositor the corners are cut away and the white root shows through them; with one
// (played here by owning its selection) they stay translucent, which the bare server shows black.
TEST_F(Popup, CornersAreCutOnlyWithoutACompositor) {
    // Centred on the screen, which has no panels.
    const QPoint middle = QGuiApplication::primaryScreen()->geometry().center() + QPoint(1, 1);
    const QRect popup(middle - QPoint(190, 220), QSize(380, 440));
    openPopup();
    EXPECT_TRUE(waitFor([&] { return darkestCorner(popup) > 200; })) << "on Xvfb -wr?";
    key(QStringLiteral("Escape"));
    ASSERT_TRUE(waitFor([] { return !popupShown(); }));

    QWidget compositor;
    xcb_connection_t *connection =
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    xcb_set_selection_owner(connection, compositor.winId(), internAtom(connection, "_NET_WM_CM_S0"),
                            XCB_CURRENT_TIME);
    xcb_flush(connection);
    openPopup();
    EXPECT_TRUE(waitFor([&] { return darkestCorner(popup) >= 0 && darkestCorner(popup) < 60; }));
}

} // namespace
