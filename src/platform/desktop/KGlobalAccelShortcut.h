#pragma once

#include "platform/HotKeyGrab.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

class QDBusMessage;

// The shortcut as an action of Plasma's global shortcut service (KGlobalAccel), which holds the
// keys in X11 and Wayland sessions alike and tells the program of each press; the program grabs
// none itself. The action is listed in Plasma's shortcut settings, where a binding the user gives
// it is the one held, and reported. The service may be started by any call to it: only a session
// that names KDE may make one.
class KGlobalAccelShortcut final : public QObject, public HotKeyGrab {
    Q_OBJECT
public:
    // Nothing when the service does not take the action.
    static std::unique_ptr<KGlobalAccelShortcut> create(const QDBusConnection &bus);
    // Leaves the action in Plasma's settings, but no longer holding its keys.
    ~KGlobalAccelShortcut() override;

    // The first grab keeps a binding the user gave the action in Plasma's settings, and reports
    // it as changed; later ones replace it.
    bool grab(const KeyChord &chord) override;
    // Deactivates the action, so that its keys reach the window in front.
    void ungrab() override;
    QString keeper() const override;

private Q_SLOTS:
    void pressed(const QString &component, const QString &action, qlonglong timestamp);
    void shortcutChanged(const QDBusMessage &message);

private:
    explicit KGlobalAccelShortcut(const QDBusConnection &bus);
    QDBusMessage call(const QString &method, const QVariantList &arguments) const;
    QList<int> setShortcut(int key, uint flags) const;
    void report(int key);

    QDBusConnection m_bus;
    int m_held = 0; // the key held, as the service names keys; 0 for none
    bool m_started = false;
};
