#include "hotkey/KeyCodeTranslation.h"
#include "hotkey/ShortcutFormat.h"
#include "support/ForeignClient.h"

#include <QHash>

#include <X11/keysym.h>
#include <gtest/gtest.h>

// Every key a shortcut can name is grabbed where a desktop's US keymap puts it: the key code
// derived from the stored code carries, on the X server, the symbol of the key's shown name. The
// test server, like every current desktop, loads the evdev keymap rules.
TEST(KeyCodeTranslationX11, KeysSitWhereTheKeymapPutsThem) {
    const QHash<QString, xcb_keysym_t> symbols{
        {QStringLiteral("↩"), XK_Return},    {QStringLiteral("⇥"), XK_Tab},
        {QStringLiteral("Space"), XK_space}, {QStringLiteral("⌫"), XK_BackSpace},
        {QStringLiteral("⌦"), XK_Delete},    {QStringLiteral("⎋"), XK_Escape},
        {QStringLiteral("←"), XK_Left},      {QStringLiteral("→"), XK_Right},
        {QStringLiteral("↑"), XK_Up},        {QStringLiteral("↓"), XK_Down},
        {QStringLiteral("↖"), XK_Home},      {QStringLiteral("↘"), XK_End},
        {QStringLiteral("⇞"), XK_Prior},     {QStringLiteral("⇟"), XK_Next},
    };
    tqtest::ForeignClient server;
    ASSERT_TRUE(server.isConnected());
    int named = 0;
    for (quint32 code = 0; code < 256; ++code) {
        SCOPED_TRACE(code);
        const QString name = keyName(code);
        if (name == QStringLiteral("key %1").arg(code))
            continue;
        const auto evdev = evdevKeyCode(code);
        ASSERT_TRUE(evdev.has_value()) << "a named key without a physical key";
        ++named;
        // Latin-1 characters are their own keysyms.
        const xcb_keysym_t expected = symbols.value(name, name.toLower().at(0).unicode());
        EXPECT_EQ(server.keysym(*evdev + 8), expected) << name.toStdString();
    }
    EXPECT_EQ(named, 61);
    const std::pair<quint32, xcb_keysym_t> functionKeys[] = {
        {122, XK_F1}, {96, XK_F5}, {111, XK_F12}};
    for (const auto &[code, keysym] : functionKeys)
        EXPECT_EQ(server.keysym(*evdevKeyCode(code) + 8), keysym) << code;
}
