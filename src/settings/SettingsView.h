#pragma once

#include <QTimer>
#include <QWidget>

class AppSettings;
class AutoPaste;
class AutoPasteHelp;
class HotKeyManager;
class HotKeyRecorderView;
class LoginItem;
class QComboBox;
class QLabel;
class QPushButton;
class SwitchButton;

// The settings window's content, a grouped form of three sections: "Hotkey" (the shortcut
// recorder), "General" (how long recent entries stay, launch at login) and "Permissions"
// (whether auto-paste can type, polled once a second). It keeps no settings of its own. Its
// size is fixed: 440 × 320 while auto-paste works, 440 × 370 while it does not.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int viewWidth = 440;
    static constexpr int grantedHeight = 320;
    static constexpr int notGrantedHeight = 370;

    // Everything handed in must outlive the view.
    SettingsView(AppSettings &settings, HotKeyManager &hotKeys, LoginItem &loginItem,
                 AutoPaste &autoPaste, AutoPasteHelp &help, QWidget *parent = nullptr);

    bool launchAtLogin() const { return m_launchAtLogin; }
    bool accessibilityGranted() const { return m_accessibilityGranted; }

    HotKeyRecorderView *recorder() const { return m_recorder; }
    QComboBox *retentionChoice() const { return m_retention; }
    SwitchButton *launchSwitch() const { return m_launchSwitch; }
    QLabel *permissionStatus() const { return m_permissionStatus; }
    QPushButton *helpButton() const { return m_helpButton; }
    QLabel *permissionNote() const { return m_permissionNote; }
    QLabel *keeperCaption() const { return m_keeperCaption; }

Q_SIGNALS:
    // The fixed size changed with the permission.
    void sizeChanged(QSize size);

private:
    void showRetention();
    void setLaunchAtLogin(bool wanted);
    void checkPermission();

    AppSettings &m_settings;
    LoginItem &m_loginItem;
    AutoPaste &m_autoPaste;
    bool m_launchAtLogin = false;
    bool m_accessibilityGranted = false;
    QTimer m_permissionTick;

    HotKeyRecorderView *m_recorder = nullptr;
    QComboBox *m_retention = nullptr;
    SwitchButton *m_launchSwitch = nullptr;
    QWidget *m_permissionDot = nullptr;
    QLabel *m_permissionStatus = nullptr;
    QPushButton *m_helpButton = nullptr;
    QLabel *m_permissionNote = nullptr;
    QLabel *m_keeperCaption = nullptr;
};
