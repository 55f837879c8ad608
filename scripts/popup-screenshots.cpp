// Pictures of the popup and the settings window for people to look at: run by
// scripts/popup-screenshots, which gives it a private X server. Writes PNGs to the folder named by
// its first argument.
#include "hotkey/HotKeyManager.h"
#include "popup/PopupController.h"
#include "popup/PopupPanel.h"
#include "popup/PopupTestSupport.h"
#include "settings/HotKeyRecorderView.h"
#include "settings/SettingsView.h"
#include "settings/SettingsWindowController.h"
#include "support/FakeHotKeyGrab.h"
#include "support/FakeKeyPoster.h"
#include "support/FakeLoginItem.h"
#include "support/FakeWorkspace.h"
#include "system/AutoPaste.h"
#include "system/AutoPasteHelp.h"

#include <QBuffer>
#include <QDir>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <QApplication>

#include <cstdio>

namespace {

QString g_folder;

void save(QWidget *panel, const QString &name) {
    QTest::qWait(300); // thumbnails arrive from the decoding thread: time for people, not a test
    const QPixmap popup = panel->grab();
    QImage picture(popup.size() / popup.devicePixelRatio() + QSize(48, 48),
                   QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&picture);
    QLinearGradient desk(0, 0, picture.width(), picture.height());
    desk.setColorAt(0, QColor(0x4a, 0x6f, 0x8f));
    desk.setColorAt(1, QColor(0x8a, 0x9f, 0x7a));
    painter.fillRect(picture.rect(), desk);
    painter.drawPixmap(24, 24, popup);
    painter.end();
    const QString file = g_folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!picture.save(file))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
}

// The screen around the popup, as it shows there (no compositor: the root is white).
void saveScreen(QWidget *panel, const QString &name) {
    QTest::qWait(300);
    const QRect around = panel->geometry().adjusted(-24, -24, 24, 24);
    QGuiApplication::primaryScreen()
        ->grabWindow(0, around.x(), around.y(), around.width(), around.height())
        .save(g_folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

void press(PopupController &controller, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(controller.listView(), &event);
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("popup-screenshots");
    QDir().mkpath(g_folder);

    tqtest::History history;
    tqtest::FakeWorkspace workspace;
    tqtest::FakeKeyPoster poster;
    AutoPaste autoPaste(poster);
    PopupController controller(history.monitor, workspace, autoPaste);

    controller.show();
    save(controller.panel(), QStringLiteral("empty"));

    QImage photo(640, 400, QImage::Format_RGB32);
    QPainter painter(&photo);
    QLinearGradient sky(0, 0, 0, 400);
    sky.setColorAt(0, QColor(0x2d, 0x6c, 0xc0));
    sky.setColorAt(1, QColor(0xf0, 0xb0, 0x60));
    painter.fillRect(photo.rect(), sky);
    painter.fillRect(QRect(0, 300, 640, 100), QColor(0x30, 0x50, 0x30));
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    photo.save(&buffer, "PNG");

    history.addText(QStringLiteral("git rebase --onto main feature~3 feature"));
    history.addImage(png);
    const ClipboardItem rich =
        history.add(ClipboardItem::Kind::rich,
                    QStringLiteral("Meeting notes — see https://example.org/agenda"), 0, true);
    history.addText(QStringLiteral("A very long line of copied prose that goes on and on well "
                                   "past the width of the popup so that it must be cut"));
    const ClipboardItem address = history.addText(QStringLiteral("  221B Baker Street\nLondon"));
    history.add(ClipboardItem::Kind::rich, QStringLiteral("Quarterly figures, formatted"));
    history.addText(QStringLiteral("hello@example.org"));
    history.pin(address);
    history.pin(rich);
    for (int i = 0; i < 6; ++i)
        history.addText(QStringLiteral("Older entry %1").arg(i + 1));

    controller.show();
    save(controller.panel(), QStringLiteral("entries"));

    // The screen itself, as a desktop without a compositor shows the popup (the root is white).
    workspace.compositing = false;
    controller.show();
    saveScreen(controller.panel(), QStringLiteral("entries-without-compositor"));
    workspace.compositing = true;
    for (int i = 0; i < 4; ++i)
        press(controller, Qt::Key_Down);
    save(controller.panel(), QStringLiteral("selected-image"));
    for (int i = 0; i < 10; ++i)
        press(controller, Qt::Key_Down);
    save(controller.panel(), QStringLiteral("scrolled-to-end"));

    // Closed there and opened again after one more copy: from the top, the new entry selected.
    controller.close();
    history.addText(QStringLiteral("Copied while the popup was closed"));
    workspace.compositing = false;
    controller.show();
    saveScreen(controller.panel(), QStringLiteral("reopened-without-compositor"));
    workspace.compositing = true;

    // The settings window, with auto-paste working and not, idle and recording; at the default
    // font and at one 2 points larger, as a desktop's font setting gives.
    HotKeyManager hotKeys(std::make_unique<tqtest::FakeHotKeyGrab>());
    tqtest::FakeLoginItem loginItem;
    AutoPasteHelp help(workspace);
    const QFont font = QApplication::font();
    for (const double larger : {0.0, 2.0}) {
        QFont sized = font;
        sized.setPointSizeF(font.pointSizeF() + larger);
        QApplication::setFont(sized);
        for (const bool trusted : {true, false}) {
            poster.trusted = trusted;
            SettingsWindowController window(
                [&] {
                    return std::make_unique<SettingsView>(history.settings, hotKeys, loginItem,
                                                          autoPaste, help);
                },
                workspace);
            window.show();
            const QString suffix =
                (trusted ? QStringLiteral("granted") : QStringLiteral("not-granted")) +
                (larger > 0 ? QStringLiteral("-larger-font") : QString());
            save(window.window(), QStringLiteral("settings-") + suffix);
            window.window()->findChild<HotKeyRecorderView *>()->startRecording();
            save(window.window(), QStringLiteral("settings-recording-") + suffix);
        }
    }

    // Where the desktop keeps the shortcut, the row says so.
    QApplication::setFont(font);
    auto kept = std::make_unique<tqtest::FakeHotKeyGrab>();
    kept->keeperText = QStringLiteral("Kept in GNOME's keyboard shortcuts");
    HotKeyManager keptKeys(std::move(kept));
    SettingsWindowController keptWindow(
        [&] {
            return std::make_unique<SettingsView>(history.settings, keptKeys, loginItem, autoPaste,
                                                  help);
        },
        workspace);
    keptWindow.show();
    save(keptWindow.window(), QStringLiteral("settings-kept-by-gnome"));
    return 0;
}
