#include "app/AppDelegate.h"

#include "history/ClipboardMonitor.h"
#include "hotkey/HotKeyManager.h"
#include "platform/SystemLog.h"
#include "platform/TrayPresence.h"
#include "popup/PopupController.h"
#include "settings/AppSettings.h"
#include "settings/SettingsView.h"
#include "settings/SettingsWindowController.h"
#include "welcome/WelcomeWindowController.h"

#include <QCoreApplication>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>
#include <QSystemTrayIcon>
#include <QTimer>

// The resources live in a static library: nothing would pull them into the program otherwise.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

// The tray icon on a rounded square of the accent colour, as a panel shows a pressed item.
static QIcon highlightedIcon(const QString &file) {
    QSvgRenderer drawing(file);
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QPalette().color(QPalette::Highlight));
        painter.drawRoundedRect(QRectF(0, 0, size, size), size * 0.22, size * 0.22);
        const double inset = size * 0.12;
        drawing.render(&painter, QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
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
    m_welcomeWindow = std::make_unique<WelcomeWindowController>(
        WelcomeContext{m_settings, m_platform.loginItem, m_autoPaste, m_help,
                       HotKeyManager::shared().isChosenHere()},
        m_platform.workspace);
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::launch() {
    m_monitor->start();
    buildMenu();
    if (m_platform.trays.isPresent())
        buildStatusItem();
    else
        SystemLog::write(QStringLiteral("Tallowquill: no system tray found; running without a "
                                        "tray icon until one appears (the shortcut still works)"));
    connect(&m_platform.trays, &TrayPresence::presenceChanged, this, [this](bool present) {
        if (present && !m_statusItem)
            buildStatusItem();
        m_welcomeWindow->trayChanged();
    });

    // The callbacks hold the delegate weakly: they outlive it in the shared objects.
    const QPointer<AppDelegate> self(this);
    HotKeyManager::shared().onHotKey = [self] {
        if (self)
            self->popup().toggle();
    };
    // Bound anew in the desktop's settings: shown and stored as if recorded here.
    HotKeyManager::shared().onShortcutChanged = [self](quint32 keyCode, quint32 modifiers) {
        if (self)
            self->m_settings.setHotKey(keyCode, modifiers);
    };
    m_settings.onHotKeyChange = [self] {
        if (self)
            self->registerShortcut();
    };
    m_settings.onRetentionChange = [self] {
        if (self)
            self->m_monitor->prune();
    };
    m_welcomeWindow->onDismiss = [self] {
        if (self)
            self->m_settings.setHasSeenWelcome(true);
    };
    m_welcomeWindow->statusItemFrame = [self]() -> std::optional<QRect> {
        if (!self || !self->m_statusItem)
            return std::nullopt;
        const QRect frame = self->m_statusItem->geometry();
        return frame.isEmpty() ? std::nullopt : std::optional<QRect>(frame);
    };
    m_welcomeWindow->trayPresent = [self] { return self && self->m_platform.trays.isPresent(); };
    registerShortcut();

    if (!m_settings.hasSeenWelcome())
        QTimer::singleShot(welcomeDelayMilliseconds, this, &AppDelegate::showWelcomeGuideWhenFree);
}

void AppDelegate::showWelcomeGuideWhenFree() {
    // Queued: a menu says it hides before it has let go of the keyboard.
    const auto retryAfter = [this](auto *sender, auto signal) {
        connect(sender, signal, this, &AppDelegate::showWelcomeGuideWhenFree,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
    };
    if (m_menu && m_menu->isVisible())
        retryAfter(m_menu.get(), &QMenu::aboutToHide);
    else if (m_popup && m_popup->isOpen())
        retryAfter(m_popup.get(), &PopupController::closed);
    else
        showWelcomeGuide();
}

QString AppDelegate::historyMenuTitle() const {
    // Keys the compositor binds may be any: naming ours would mislead.
    if (!HotKeyManager::shared().isChosenHere())
        return QStringLiteral("Show Clipboard History");
    return QStringLiteral("Show Clipboard History  (%1)").arg(m_settings.hotKeyDisplay());
}

void AppDelegate::buildMenu() {
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
}

void AppDelegate::buildStatusItem() {
    m_statusItem = std::make_unique<QSystemTrayIcon>();
    const QString iconFile = QStringLiteral(":/icons/tray-clipboard.svg");
    m_icon = QIcon(iconFile);
    m_highlightedIcon = highlightedIcon(iconFile);
    m_statusItem->setIcon(m_icon);
    m_statusItem->setToolTip(QStringLiteral("Tallowquill"));
    m_statusItem->setContextMenu(m_menu.get());
    // A left click opens the same menu, as a click on a panel icon does elsewhere. Where the
    // program may not place a menu, the panel shows the menu itself on a right click, and a left
    // click opens the history.
    connect(m_statusItem.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason != QSystemTrayIcon::Trigger)
                    return;
                if (m_platform.workspace.placesWindows())
                    m_menu->popup(QCursor::pos());
                else
                    showHistory();
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

void AppDelegate::showWelcomeGuide() {
    m_welcomeWindow->show();
    Q_EMIT welcomeGuideShown();
    flashStatusItem(flashCount);
}

void AppDelegate::flashStatusItem(int remaining) {
    // Without a tray nothing shows it.
    if (remaining < 1 || !m_statusItem || !m_platform.trays.isPresent())
        return;
    m_statusItemHighlighted = remaining % 2 == 0;
    m_statusItem->setIcon(m_statusItemHighlighted ? m_highlightedIcon : m_icon);
    Q_EMIT statusItemHighlightChanged(m_statusItemHighlighted);
    QTimer::singleShot(flashIntervalMilliseconds, this,
                       [this, remaining] { flashStatusItem(remaining - 1); });
}

void AppDelegate::showSettings() {
    m_settingsWindow->show();
}

void AppDelegate::clearHistory() {
    m_monitor->clearHistory();
}

void AppDelegate::quit() {
    // Not quit(), which first asks the windows to close: the settings window refuses, and only
    // hides.
    QCoreApplication::exit(0);
}

void AppDelegate::perform(AppAction action) {
    switch (action) {
    case AppAction::ShowHistory:
        popup().toggle();
        return;
    case AppAction::Settings:
        showSettings();
        return;
    case AppAction::GettingStarted:
        showWelcomeGuide();
        return;
    case AppAction::ClearHistory:
        clearHistory();
        return;
    case AppAction::Quit:
        quit();
        return;
    }
}
