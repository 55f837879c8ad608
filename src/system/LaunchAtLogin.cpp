#include "system/LaunchAtLogin.h"

#include "platform/SystemLog.h"
#include "platform/XdgAutostartLoginItem.h"

LoginItem &systemLoginItem() {
    static XdgAutostartLoginItem item;
    return item;
}

bool launchAtLogin(const LoginItem &item) {
    return item.status() == LoginItem::Status::enabled;
}

bool setLaunchAtLogin(bool wanted, LoginItem &item) {
    const bool enabled = item.status() == LoginItem::Status::enabled;
    if (wanted != enabled) {
        QString error;
        const bool done = wanted ? item.registerItem(&error) : item.unregisterItem(&error);
        if (!done)
            SystemLog::write(QStringLiteral("Tallowquill: login-item update failed: ") + error);
    }
    return launchAtLogin(item);
}
