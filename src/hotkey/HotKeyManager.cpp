#include "hotkey/HotKeyManager.h"

#include "hotkey/KeyCodeTranslation.h"
#include "platform/HotKeyGrab.h"

#include <QCoreApplication>

namespace {

std::unique_ptr<HotKeyManager> &sharedInstance() {
    static std::unique_ptr<HotKeyManager> instance;
    return instance;
}

// Runs while the application object, and with it the X connection, still exists.
void destroySharedInstance() {
    sharedInstance().reset();
}

} // namespace

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

HotKeyManager::~HotKeyManager() = default;

HotKeyManager &HotKeyManager::shared() {
    Q_ASSERT(QCoreApplication::instance());
    auto &instance = sharedInstance();
    if (!instance) {
        instance = std::make_unique<HotKeyManager>(createSystemHotKeyGrab());
        qAddPostRoutine(destroySharedInstance);
    }
    return *instance;
}

void HotKeyManager::registerHotKey(quint32 keyCode, quint32 modifiers) {
    // Released before anything else, so that a failed registration leaves no old shortcut alive.
    m_grab->ungrab();
    if (const auto evdevCode = evdevKeyCode(keyCode))
        m_grab->grab(*evdevCode, modifiers); // a refusal leaves the shortcut inactive, silently
}
