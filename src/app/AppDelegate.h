#pragma once

#include "history/PinStore.h"
#include "platform/Platform.h"
#include "system/AutoPaste.h"
#include "system/AutoPasteHelp.h"

#include <QAction>
#include <QObject>
#include <QPointer>

#include <memory>

class AppSettings;
class ClipboardMonitor;
class PopupController;
class SettingsWindowController;

class QMenu;
class QSystemTrayIcon;

// Owns the program's long-lived objects, builds the tray menu and wires the settings, the
// shortcut and the history together. Built before the event loop; lives until the process ends.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    // The platform's objects and the settings must outlive the delegate.
    AppDelegate(const Platform &platform, AppSettings &settings, QObject *parent = nullptr);
    ~AppDelegate() override;

    // The launch steps, in order: start recording, build the tray menu, install the callbacks,
    // register the shortcut.
    void launch();

    // Menu actions.
    void showHistory();
    void showWelcomeGuide();
    void showSettings();
    void clearHistory();
    void quit();

    ClipboardMonitor &monitor() const { return *m_monitor; }
    // The history popup, created on first use.
    PopupController &popup();
    QMenu *statusMenu() const { return m_menu.get(); }
    QAction *historyMenuItem() const { return m_historyMenuItem; }
    SettingsWindowController &settingsWindow() const { return *m_settingsWindow; }

    // "Show Clipboard History  (⌘⇧V)" for the current shortcut.
    QString historyMenuTitle() const;

private:
    void buildStatusItem();
    void registerShortcut();

    Platform m_platform;
    AutoPaste m_autoPaste;
    AutoPasteHelp m_help;
    PinStore m_pinStore;
    std::unique_ptr<ClipboardMonitor> m_monitor;
    AppSettings &m_settings;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_statusItem;
    QPointer<QAction> m_historyMenuItem;
    std::unique_ptr<PopupController> m_popup;
    std::unique_ptr<SettingsWindowController> m_settingsWindow;
};
