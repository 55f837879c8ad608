#include "hotkey/HotKeyManager.h"

#include "hotkey/KeyCodeTranslation.h"
#include "hotkey/ShortcutFormat.h"
#include "platform/HotKeyGrab.h"

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
    if (const auto evdevCode = evdevKeyCode(keyCode))
        m_grab->grab(*evdevCode, keyboardModifiers(modifiers)); // a refusal: inactive, silently
}
