#include "hotkey/ShortcutFormat.h"

#include <QMap>

#include <gtest/gtest.h>

namespace {

// Every named key as the user sees it on a key cap, keyed by the stored key code.
QMap<quint32, QString> namedKeys() {
    QMap<quint32, QString> names{
        {36, QStringLiteral("↩")},  {48, QStringLiteral("⇥")},  {49, QStringLiteral("Space")},
        {51, QStringLiteral("⌫")},  {117, QStringLiteral("⌦")}, {53, QStringLiteral("⎋")},
        {123, QStringLiteral("←")}, {124, QStringLiteral("→")}, {126, QStringLiteral("↑")},
        {125, QStringLiteral("↓")}, {115, QStringLiteral("↖")}, {119, QStringLiteral("↘")},
        {116, QStringLiteral("⇞")}, {121, QStringLiteral("⇟")},
    };
    const struct {
        QString characters;
        QList<quint32> codes;
    } rows[] = {
        {QStringLiteral("ABCDEFGHIJKLM"), {0, 11, 8, 2, 14, 3, 5, 4, 34, 38, 40, 37, 46}},
        {QStringLiteral("NOPQRSTUVWXYZ"), {45, 31, 35, 12, 15, 1, 17, 32, 9, 13, 7, 16, 6}},
        {QStringLiteral("0123456789"), {29, 18, 19, 20, 21, 23, 22, 26, 28, 25}},
        {QStringLiteral("-=[]\\;',./`"), {27, 24, 33, 30, 42, 41, 39, 43, 47, 44, 50}},
    };
    for (const auto &row : rows) {
        for (qsizetype i = 0; i < row.codes.size(); ++i) {
            EXPECT_FALSE(names.contains(row.codes[i])) << "key code named twice: " << row.codes[i];
            names.insert(row.codes[i], row.characters.at(i));
        }
    }
    return names;
}

} // namespace

// Every key cap in menus, settings and the guide shows the right name, and no key is
// invented: a code outside the two tables reads "key N".
TEST(ShortcutFormat, KeyNamesMatchBothTablesAndNothingElse) {
    const QMap<quint32, QString> names = namedKeys();
    ASSERT_EQ(names.size(), 14 + 47);
    for (quint32 code = 0; code < 256; ++code) {
        SCOPED_TRACE(code);
        const QString expected = names.value(code, QStringLiteral("key %1").arg(code));
        EXPECT_EQ(keyName(code), expected);
        EXPECT_EQ(displayParts(code, 0), QStringList{expected});
    }
    EXPECT_EQ(keyName(96), QStringLiteral("key 96"));
    EXPECT_EQ(keyName(4294967295u), QStringLiteral("key 4294967295"));
}

// The shortcut is shown with its modifiers in the fixed order ⌘ ⌃ ⌥ ⇧, whatever else the
// mask holds.
TEST(ShortcutFormat, ModifiersComeInFixedOrderBeforeTheKey) {
    const struct {
        quint32 keyCode;
        quint32 modifiers;
        QStringList parts;
    } cases[] = {
        {9, 768, {QStringLiteral("⌘"), QStringLiteral("⇧"), QStringLiteral("V")}},
        {9, 0, {QStringLiteral("V")}},
        {49,
         4096 + 2048 + 512 + 256,
         {QStringLiteral("⌘"), QStringLiteral("⌃"), QStringLiteral("⌥"), QStringLiteral("⇧"),
          QStringLiteral("Space")}},
        {0, 4096, {QStringLiteral("⌃"), QStringLiteral("A")}},
        {0, 2048, {QStringLiteral("⌥"), QStringLiteral("A")}},
        {36, 512 + 2048, {QStringLiteral("⌥"), QStringLiteral("⇧"), QStringLiteral("↩")}},
        {96, 4096 + 256, {QStringLiteral("⌘"), QStringLiteral("⌃"), QStringLiteral("key 96")}},
        // Bits no modifier owns (Caps Lock 1024, right-hand bits) are not shown.
        {9, 1 | 1024 | 0x80000000u, {QStringLiteral("V")}},
        {9,
         0xFFFFFFFFu,
         {QStringLiteral("⌘"), QStringLiteral("⌃"), QStringLiteral("⌥"), QStringLiteral("⇧"),
          QStringLiteral("V")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.parts.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(displayParts(c.keyCode, c.modifiers), c.parts);
    }
}

// A shortcut recorded with Super, Control, Alt or Shift is stored with the matching bits;
// keypad and layout-group flags never end up in the stored shortcut.
TEST(ShortcutFormat, CarbonMaskFromQtModifiers) {
    const struct {
        Qt::KeyboardModifiers modifiers;
        quint32 mask;
    } cases[] = {
        {Qt::NoModifier, 0},
        {Qt::MetaModifier, 256},
        {Qt::ShiftModifier, 512},
        {Qt::AltModifier, 2048},
        {Qt::ControlModifier, 4096},
        {Qt::MetaModifier | Qt::ShiftModifier, 768},
        {Qt::MetaModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier, 6912},
        {Qt::KeypadModifier, 0},
        {Qt::GroupSwitchModifier, 0},
        {Qt::MetaModifier | Qt::KeypadModifier, 256},
        {Qt::ControlModifier | Qt::GroupSwitchModifier | Qt::KeypadModifier, 4096},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.modifiers.toInt());
        EXPECT_EQ(carbonModifiers(c.modifiers), c.mask);
    }
    // What the recorder stores reads back as the keys the user held.
    EXPECT_EQ(displayParts(9, carbonModifiers(Qt::ShiftModifier | Qt::ControlModifier)),
              (QStringList{QStringLiteral("⌃"), QStringLiteral("⇧"), QStringLiteral("V")}));
}
