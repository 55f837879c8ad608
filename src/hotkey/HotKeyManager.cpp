#include "hotkey/HotKeyManager.h"

#include "hotkey/KeyCodeTranslation.h"
#include "hotkey/ShortcutFormat.h"
#include "platform/HotKeyGrab.h"
#include "platform/SystemLog.h"

namespace {
HotKeyManager *g_shared = nullptr;
}

HotKeyManager::HotKeyManager(std::unique_ptr<HotKeyGrab> grab)
    : m_grab(std::move(grab)) {
    Q_ASSERT(m_grab);
    m_grab->onPressed = [this] {
        if (onHotKey) {
            const auto callback = onHotKey; // it may assign onHotKey
            callback();
        }
    };
    m_grab->onChangedElsewhere = [this](const KeyChord &chord) {
        changedElsewhere(chord.key, chord.modifiers);
    };
}

HotKeyManager::~HotKeyManager() {
    if (g_shared == this)
        g_shared = nullptr;
}

HotKeyManager &HotKeyManager::shared() {
    Q_ASSERT(g_shared);
    return *g_shared;
}

void HotKeyManager::makeShared() {
    g_shared = this;
}

void HotKeyManager::registerHotKey(quint32 keyCode, quint32 modifiers) {
    // A desktop that keeps the shortcut would rewrite its settings for nothing.
    if (m_registered == std::pair(keyCode, modifiers))
        return;
    // Released before anything else, so that a failed registration leaves no old shortcut alive.
    m_grab->ungrab();
    m_registered.reset();
    const auto evdevCode = evdevKeyCode(keyCode);
    const auto key = qtKey(keyCode);
    if (!evdevCode || !key)
        return;
    if (!m_grab->grab({*evdevCode, *key, keyboardModifiers(modifiers)})) {
        SystemLog::write(QStringLiteral("Tallowquill: the shortcut %1 is held by another program")
                             .arg(displayParts(keyCode, modifiers).join(QString())));
        return;
    }
    m_registered = std::pair(keyCode, modifiers);
}

void HotKeyManager::unregisterHotKey() {
    m_grab->ungrab();
    m_registered.reset();
}

QString HotKeyManager::keeper() const {
    return m_grab->keeper();
}

bool HotKeyManager::isChosenHere() const {
    return m_grab->isChosenHere();
}

void HotKeyManager::changedElsewhere(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    const auto keyCode = shortcutKeyCode(key);
    const quint32 mask = carbonModifiers(modifiers);
    if (!keyCode || mask == 0) {
        // The desktop holds it all the same; only the settings window cannot show it.
        SystemLog::write(QStringLiteral("Tallowquill: the shortcut set in the desktop's settings "
                                        "cannot be shown; showing the last one recorded"));
        return;
    }
    m_registered = std::pair(*keyCode, mask);
    if (onShortcutChanged)
        onShortcutChanged(*keyCode, mask);
}
