#include "app/AppDelegate.h"

#include "history/ClipboardMonitor.h"
#include "hotkey/HotKeyManager.h"
#include "platform/SystemLog.h"
#include "popup/PopupController.h"
#include "settings/AppSettings.h"
#include "settings/SettingsView.h"
#include "settings/SettingsWindowController.h"

#include <QCoreApplication>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

// The resources live in a static library: nothing would pull them into the program otherwise.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

AppDelegate::AppDelegate(const Platform &platform, AppSettings &settings, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
    , m_autoPaste(platform.keyPoster)
    , m_help(platform.workspace)
    , m_monitor(std::make_unique<ClipboardMonitor>(platform.pasteboard, settings, m_pinStore))
    , m_settings(settings) {
    initResources();
    m_settingsWindow = std::make_unique<SettingsWindowController>(
        [this] {
            return std::make_unique<SettingsView>(m_settings, HotKeyManager::shared(),
                                                  m_platform.loginItem, m_autoPaste, m_help);
        },
        m_platform.workspace);
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::launch() {
    m_monitor->start();
    buildStatusItem();

    // The callbacks hold the delegate weakly: they outlive it in the shared objects.
    const QPointer<AppDelegate> self(this);
    HotKeyManager::shared().onHotKey = [self] {
        if (self)
            self->popup().toggle();
    };
    m_settings.onHotKeyChange = [self] {
        if (self)
            self->registerShortcut();
    };
    m_settings.onRetentionChange = [self] {
        if (self)
            self->m_monitor->prune();
    };
    registerShortcut();
}

QString AppDelegate::historyMenuTitle() const {
    return QStringLiteral("Show Clipboard History  (%1)").arg(m_settings.hotKeyDisplay());
}

void AppDelegate::buildStatusItem() {
    m_menu = std::make_unique<QMenu>();
    m_historyMenuItem = m_menu->addAction(historyMenuTitle(), this, &AppDelegate::showHistory);
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Getting Started…"), this, &AppDelegate::showWelcomeGuide);
    m_menu->addAction(QStringLiteral("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma), this,
                      &AppDelegate::showSettings);
    m_menu->addAction(QStringLiteral("Clear History"), this, &AppDelegate::clearHistory);
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Quit Tallowquill"), QKeySequence(Qt::CTRL | Qt::Key_Q), this,
                      &AppDelegate::quit);

    if (!QSystemTrayIcon::isSystemTrayAvailable())
        SystemLog::write(QStringLiteral("Tallowquill: no system tray found; running without a "
                                        "tray icon (the shortcut still works)"));
    // Shown even without a tray: the icon appears if a tray starts later.
    m_statusItem = std::make_unique<QSystemTrayIcon>();
    const QIcon icon(QStringLiteral(":/icons/tray-clipboard.svg"));
    m_statusItem->setIcon(icon);
    m_statusItem->setToolTip(QStringLiteral("Tallowquill"));
    m_statusItem->setContextMenu(m_menu.get());
    // A left click opens the same menu, as a click on a panel icon does elsewhere.
    connect(m_statusItem.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    m_menu->popup(QCursor::pos());
            });
    m_statusItem->show();
}

void AppDelegate::registerShortcut() {
    HotKeyManager::shared().registerHotKey(m_settings.hotKeyCode(), m_settings.hotKeyModifiers());
    if (m_historyMenuItem)
        m_historyMenuItem->setText(historyMenuTitle());
}

PopupController &AppDelegate::popup() {
    if (!m_popup)
        m_popup = std::make_unique<PopupController>(*m_monitor, m_platform.workspace, m_autoPaste);
    return *m_popup;
}

void AppDelegate::showHistory() {
    popup().show();
}

void AppDelegate::showWelcomeGuide() {}

void AppDelegate::showSettings() {
    m_settingsWindow->show();
}

void AppDelegate::clearHistory() {
    m_monitor->clearHistory();
}

void AppDelegate::quit() {
    QCoreApplication::quit();
}
