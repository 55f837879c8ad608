#include "popup/PopupController.h"

#include "history/ClipboardMonitor.h"
#include "history/PasteboardWriter.h"
#include "popup/ClipboardListView.h"
#include "popup/PopupPanel.h"
#include "popup/PopupPlacement.h"
#include "system/AutoPaste.h"
#include "system/AutoPasteHelp.h"
#include "system/PasteChords.h"
#include "system/PasteNotice.h"
#include "ui/ScreenArea.h"

#include <QTimer>

PopupController::PopupController(ClipboardMonitor &monitor, Workspace &workspace,
                                 AutoPaste &autoPaste, QObject *parent)
    : QObject(parent)
    , m_monitor(monitor)
    , m_workspace(workspace)
    , m_autoPaste(autoPaste) {}

PopupController::~PopupController() {
    if (m_panel)
        disconnect(m_panel.get(), nullptr, this, nullptr); // its hiding must not call back
}

PopupPanel *PopupController::panel() const {
    return m_panel.get();
}

bool PopupController::isOpen() const {
    return m_panel && m_panel->isVisible();
}

void PopupController::toggle() {
    if (isOpen())
        close();
    else
        show();
}

void PopupController::show() {
    m_monitor.prune();

    // While open, the window in front is the popup itself: keep the one it came from.
    const std::optional<Workspace::WindowId> active = m_workspace.activeWindow();
    if (!(m_panel && active == m_panel->winId()))
        m_previousWindow = active;

    if (!m_panel)
        buildPanel();
    m_listView->reset();
    m_panel->setComposited(m_workspace.isCompositing());
    // The desktop forgets the mark when the window is withdrawn.
    if (!m_panel->isVisible())
        m_workspace.showOnAllWorkspaces(m_panel->winId());

    qsizetype primary = -1;
    const QList<ScreenArea> screens = currentScreens(&primary);
    if (const auto origin = popupOrigin(m_workspace.pointerPosition(), screens, primary,
                                        QSize(panelWidth, panelHeight)))
        m_panel->move(*origin);

    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
    m_workspace.activateWindow(m_panel->winId());
    m_listView->setFocus(Qt::ActiveWindowFocusReason);
}

void PopupController::buildPanel() {
    const QPointer<PopupController> self(this);
    auto *list = new ClipboardListView(
        m_monitor,
        [self](const ClipboardItem &item) {
            if (self)
                self->paste(item, false);
        },
        [self](const ClipboardItem &item) {
            if (self)
                self->paste(item, true);
        },
        [self](const QUuid &id) {
            if (self)
                self->m_monitor.togglePin(id);
        },
        [self] {
            if (self)
                self->close();
        });
    m_panel = std::make_unique<PopupPanel>(QSize(panelWidth, panelHeight));
    m_panel->setContent(list);
    m_listView = list;
    connect(m_panel.get(), &PopupPanel::deactivated, this, &PopupController::close);
    connect(m_panel.get(), &PopupPanel::firstPainted, this, &PopupController::shownAndPainted);
}

// Hidden, not deleted: this may run inside one of the panel's own event handlers, and the next
// showing reuses it.
void PopupController::close() {
    if (!isOpen())
        return;
    m_panel->hide();
    Q_EMIT closed();
}

void PopupController::paste(ClipboardItem item, bool plainText) {
    close();
    writeItem(item, m_monitor, plainText);
    const PasteChord chord = PasteChords::forWindow(m_workspace, m_previousWindow);
    // Keys typed with no window of ours in front could land anywhere, or nowhere.
    if (!m_autoPaste.isProcessTrusted() || (!m_previousWindow && !m_workspace.seesEveryWindow())) {
        AutoPasteHelp help(m_workspace);
        showPasteNotice(help, chord, m_autoPaste.typist());
        return;
    }
    if (m_previousWindow)
        m_workspace.activateWindow(*m_previousWindow);
    // Holds only the auto-paste, which lives as long as the program.
    AutoPaste *autoPaste = &m_autoPaste;
    QTimer::singleShot(autoPasteDelay, [autoPaste, chord] { autoPaste->autoPaste(chord); });
}
