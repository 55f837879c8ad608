#pragma once

#include "app/AppAction.h"
#include "history/PinStore.h"
#include "platform/Platform.h"
#include "system/AutoPaste.h"
#include "system/AutoPasteHelp.h"

#include <QAction>
#include <QIcon>
#include <QObject>
#include <QPointer>

#include <memory>

class AppSettings;
class ClipboardMonitor;
class PopupController;
class SettingsWindowController;
class WelcomeWindowController;

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

    // The launch steps, in order: start recording, build the tray menu (and the icon, once a tray
    // is there), install the callbacks, register the shortcut, and on the first run open the
    // guide a moment later.
    void launch();

    // Menu actions.
    void showHistory();
    void showWelcomeGuide();
    void showSettings();
    void clearHistory();
    void quit();
    // A menu action asked for from outside; the history toggles, as the shortcut does.
    void perform(AppAction action);

    ClipboardMonitor &monitor() const { return *m_monitor; }
    // The history popup, created on first use.
    PopupController &popup();
    QMenu *statusMenu() const { return m_menu.get(); }
    QAction *historyMenuItem() const { return m_historyMenuItem; }
    SettingsWindowController &settingsWindow() const { return *m_settingsWindow; }
    WelcomeWindowController &welcomeWindow() const { return *m_welcomeWindow; }
    bool isStatusItemHighlighted() const { return m_statusItemHighlighted; }

    static constexpr int welcomeDelayMilliseconds = 250;
    static constexpr int flashCount = 6;
    static constexpr int flashIntervalMilliseconds = 350;

    // "Show Clipboard History  (⌘⇧V)" for the current shortcut.
    QString historyMenuTitle() const;

Q_SIGNALS:
    // The tray icon swapped to its highlighted look or back.
    void statusItemHighlightChanged(bool highlighted);
    // The guide's window was shown or brought forward.
    void welcomeGuideShown();

private:
    void buildMenu();
    // Made only once a tray is there: Qt picks the icon's kind at the first one for good.
    void buildStatusItem();
    // The guide of a first run: it opens above everything and takes the keyboard, so it waits
    // while a menu or the popup the user opened meanwhile is up.
    void showWelcomeGuideWhenFree();
    void registerShortcut();
    // Draws the eye to the tray icon: highlighted when `remaining` is even, plain when odd,
    // again every 0.35 s down to 1.
    void flashStatusItem(int remaining);

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
    std::unique_ptr<WelcomeWindowController> m_welcomeWindow;
    QIcon m_icon;
    QIcon m_highlightedIcon;
    bool m_statusItemHighlighted = false;
};
