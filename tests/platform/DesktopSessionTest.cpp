#include "platform/DesktopSession.h"
#include "platform/desktop/GnomeKeyBinding.h"

#include <gtest/gtest.h>

using Desktop = DesktopSession::Desktop;

// The desktop is a whole name in the list, never a part of one.
TEST(DesktopSession, NamesTheDesktopAndTheSession) {
    const struct {
        const char *current, *type;
        bool waylandDisplay;
        Desktop desktop;
        bool wayland;
    } cases[] = {
        {"ubuntu:GNOME", "wayland", false, Desktop::Gnome, true},
        {"GNOME-Classic:GNOME", "", true, Desktop::Gnome, true},
        {"KDE", "wayland", false, Desktop::Plasma, true},
        {"GNOME-Flashback", "tty", false, Desktop::Other, false},
    };
    for (const auto &c : cases) {
        const DesktopSession session = DesktopSession::from(
            QString::fromLatin1(c.current), QString::fromLatin1(c.type), c.waylandDisplay);
        EXPECT_EQ(session.desktop, c.desktop) << c.current;
        EXPECT_EQ(session.wayland, c.wayland) << c.current << " " << c.type;
    }
}

// What GNOME's settings write reads back as the chord written; what names no key a shortcut can
// hold reads as nothing.
TEST(GnomeKeyBinding, WritesAndReadsGnomesForm) {
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char *binding;
    } written[] = {
        {Qt::Key_V, Qt::MetaModifier | Qt::ShiftModifier, "<Super><Shift>v"},
        {Qt::Key_Comma, Qt::ControlModifier | Qt::AltModifier, "<Control><Alt>comma"},
        {Qt::Key_F12, Qt::MetaModifier, "<Super>F12"},
        {Qt::Key_PageDown, Qt::ShiftModifier | Qt::ControlModifier, "<Control><Shift>Page_Down"},
    };
    for (const auto &c : written) {
        const QString binding = QString::fromLatin1(c.binding);
        EXPECT_EQ(gnomeBinding(c.key, c.modifiers), binding);
        EXPECT_EQ(readGnomeBinding(binding), (KeyChord{.key = c.key, .modifiers = c.modifiers}));
    }
    // As users and other programs write them.
    EXPECT_EQ(readGnomeBinding(QStringLiteral("<Shift><Mod4>V")),
              (KeyChord{.key = Qt::Key_V, .modifiers = Qt::MetaModifier | Qt::ShiftModifier}));
    EXPECT_EQ(readGnomeBinding(QStringLiteral("<Primary>k")),
              (KeyChord{.key = Qt::Key_K, .modifiers = Qt::ControlModifier}));
    for (const char *unreadable :
         {"", "<Super>", "<Hyper>v", "<Super>exclam", "<Super>F21", "<Super><Shift>", "v<Super>"})
        EXPECT_FALSE(readGnomeBinding(QString::fromLatin1(unreadable))) << unreadable;
}
