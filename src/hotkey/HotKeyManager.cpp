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
    // Released before anything else, so that a failed registration leaves no old shortcut alive.
    m_grab->ungrab();
    const auto evdevCode = evdevKeyCode(keyCode);
    if (evdevCode && !m_grab->grab(*evdevCode, keyboardModifiers(modifiers)))
        SystemLog::write(QStringLiteral("Tallowquill: the shortcut %1 is held by another program")
                             .arg(displayParts(keyCode, modifiers).join(QString())));
}

void HotKeyManager::unregisterHotKey() {
    m_grab->ungrab();
}
