#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class DefaultsStore;

// The four user settings. Every assignment, even of an unchanged value, tells observers
// (willChange), writes the store, tells them again (changed), then runs the matching callback.
class AppSettings : public QObject {
    Q_OBJECT
public:
    static constexpr quint32 kDefaultHotKeyCode = 9;        // V
    static constexpr quint32 kDefaultHotKeyModifiers = 768; // Command + Shift
    static constexpr qint64 kDefaultRetentionMinutes = 120;

    explicit AppSettings(std::unique_ptr<DefaultsStore> store, QObject *parent = nullptr);
    ~AppSettings() override;

    // The process-wide instance: the one main() made over the real store. Must exist.
    static AppSettings &shared();
    // Makes this instance the one shared() returns, for as long as it lives.
    void makeShared();

    // The key's place on a US keyboard (9 is V; hotkey/KeyCodeTranslation.h maps it to the key).
    // A stored code that names no key reads as the default shortcut.
    quint32 hotKeyCode() const { return m_hotKeyCode; }
    // Bits of ShortcutModifier (hotkey/ShortcutFormat.h): Super 256, Shift 512, Alt 2048, Ctrl
    // 4096.
    quint32 hotKeyModifiers() const { return m_hotKeyModifiers; }
    // Key code and mask are one shortcut, assigned and stored together: a key with the old mask
    // would be a combination nobody chose, grabbed for a moment.
    void setHotKey(quint32 code, quint32 modifiers);
    bool hasSeenWelcome() const { return m_hasSeenWelcome; }
    void setHasSeenWelcome(bool seen);
    qint64 retentionMinutes() const { return m_retentionMinutes; }
    void setRetentionMinutes(qint64 minutes);

    // retentionMinutes in seconds, saturated at the limits of qint64.
    qint64 retentionSeconds() const;
    // The shortcut's symbols joined with no separator, "⌘⇧V" by default.
    QString hotKeyDisplay() const;
    bool isDefaultHotKey() const;

    // Called after the shortcut was assigned.
    std::function<void()> onHotKeyChange;
    // Called after the retention time was assigned.
    std::function<void()> onRetentionChange;

Q_SIGNALS:
    // Sent before any of the four settings changes.
    void willChange();
    // Sent once the new value is in place and stored, before the callback runs.
    void changed();

private:
    std::unique_ptr<DefaultsStore> m_store;
    quint32 m_hotKeyCode = kDefaultHotKeyCode;
    quint32 m_hotKeyModifiers = kDefaultHotKeyModifiers;
    bool m_hasSeenWelcome = false;
    qint64 m_retentionMinutes = kDefaultRetentionMinutes;
};
