#include "system/LaunchAtLogin.h"

#include "platform/LoginItem.h"
#include "platform/SystemLog.h"

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
