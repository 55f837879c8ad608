#include "system/AutoPaste.h"
#include "system/AutoPasteHelp.h"
#include "system/PasteChords.h"
#include "system/PasteNotice.h"

#include "support/FakeKeyPoster.h"
#include "support/FakeWorkspace.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

// Shows the paste notice and runs `act` on it once it is up and active; the notice's own
// modal loop carries the test. False when it never came up active (closed after 10 s).
bool showNotice(AutoPasteHelp &help, PasteChord chord,
                const std::function<void(QMessageBox &)> &act) {
    bool acted = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box && box->isActiveWindow()) {
            poll.stop();
            acted = true;
            act(*box);
        }
    });
    poll.start(10);
    QTimer::singleShot(10000, &poll, [] { QApplication::activeModalWidget()->close(); });
    showPasteNotice(help, chord);
    return acted;
}

// The notice names the keys that paste, says why nothing was pasted and offers the way to fix
// it: "OK" (or Escape) only closes it; "Open Auto-Paste Help" (or Return, as the default) opens
// the help page once.
TEST(PasteNotice, OpensTheHelpPageOnlyWhenAsked) {
    const auto click = [](const char *text, const char *keys) {
        return [text, keys](QMessageBox &box) {
            EXPECT_EQ(box.text(),
                      QStringLiteral("Copied — press %1 to paste").arg(QLatin1String(keys)));
            EXPECT_TRUE(box.informativeText().contains(
                QStringLiteral("paste it now with %1.\n").arg(QLatin1String(keys))));
            // What to check lives on the help page; the notice only points there.
            EXPECT_TRUE(box.informativeText().contains(QStringLiteral("XTEST extension")));
            EXPECT_EQ(box.buttons().size(), 2);
            for (QAbstractButton *button : box.buttons()) {
                if (button->text() == QLatin1String(text))
                    return button->click();
            }
            ADD_FAILURE() << "no button " << text;
        };
    };
    const auto press = [](Qt::Key key) {
        return [key](QMessageBox &box) { QTest::keyClick(&box, key); };
    };
    const struct {
        const char *name;
        std::function<void(QMessageBox &)> dismiss;
        qsizetype opened;
        PasteChord chord;
    } cases[] = {
        {"OK", click("OK", "Ctrl+V"), 0, PasteChord::controlV},
        {"Escape", press(Qt::Key_Escape), 0, PasteChord::controlV},
        {"Open Auto-Paste Help", click("Open Auto-Paste Help", "Ctrl+Shift+V"), 1,
         PasteChord::controlShiftV},
        {"Return", press(Qt::Key_Return), 1, PasteChord::controlV},
    };
    // Installed into the system's data folders, as a package would.
    const QString share = tqtest::resetHome() + QStringLiteral("/share");
    const QString page = share + QStringLiteral("/tallowquill/auto-paste.html");
    QDir().mkpath(share + QStringLiteral("/tallowquill"));
    QFile::copy(QStringLiteral(TQ_SOURCE_DIR "/docs/auto-paste.html"), page);
    qputenv("XDG_DATA_DIRS", share.toLocal8Bit());

    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        tqtest::FakeWorkspace workspace;
        AutoPasteHelp help(workspace);
        EXPECT_TRUE(showNotice(help, c.chord, c.dismiss));
        EXPECT_EQ(workspace.opened, QList<QUrl>(c.opened, QUrl::fromLocalFile(page)));
    }
    qunsetenv("XDG_DATA_DIRS");
}

// The help page is there when the program runs from the build folder and when it is installed.
TEST(AutoPasteHelpPage, IsFoundBuiltAndInstalled) {
    QFile built(AutoPasteHelp::helpPagePath(QStringLiteral(TQ_BINARY_DIR)));
    ASSERT_TRUE(built.open(QIODevice::ReadOnly));
    EXPECT_TRUE(built.readAll().contains("xdpyinfo -queryExtensions | grep XTEST"));

    const QString prefix = tqtest::resetHome() + QStringLiteral("/prefix");
    const QString installed = prefix + QStringLiteral("/share/tallowquill/auto-paste.html");
    QDir().mkpath(prefix + QStringLiteral("/bin"));
    QDir().mkpath(prefix + QStringLiteral("/share/tallowquill"));
    QFile::copy(built.fileName(), installed);
    EXPECT_EQ(AutoPasteHelp::helpPagePath(prefix + QStringLiteral("/bin")), installed);
}

// Trust is asked again at the moment of pasting: withdrawn after the choice, no keys are typed
// and no notice is shown.
TEST(AutoPaste, TypesOnlyWhileTrusted) {
    tqtest::FakeKeyPoster poster;
    AutoPaste autoPaste(poster);
    autoPaste.autoPaste(PasteChord::controlShiftV);
    poster.trusted = false;
    autoPaste.autoPaste(PasteChord::controlV);
    EXPECT_EQ(poster.pastes, 1);
    EXPECT_FALSE(QApplication::activeModalWidget());
}

// Terminals that take Ctrl+V as a literal ^V paste with Ctrl+Shift+V, found by either part of
// WM_CLASS or by their Wayland app_id, in any case; everything else, xterm and urxvt too, pastes
// with Ctrl+V.
TEST(PasteChords, TerminalsGetControlShiftV) {
    const auto chordFor = [](const char *windowClass) {
        return PasteChords::forWindowClass(
            QString::fromLatin1(windowClass).split(QLatin1Char(' ')));
    };
    for (const char *terminal :
         {"gnome-terminal-server Gnome-terminal", "main Terminology", "KONSOLE", "foot",
          "org.codeberg.dnkl.foot", "com.gexperts.Tilix", "org.gnome.Terminal"})
        EXPECT_EQ(chordFor(terminal), PasteChord::controlShiftV) << terminal;
    for (const char *other :
         {"xterm XTerm", "urxvt URxvt", "navigator firefox", "org.mozilla.firefox", ""})
        EXPECT_EQ(chordFor(other), PasteChord::controlV) << other;
}

} // namespace
