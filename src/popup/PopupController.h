#pragma once

#include "history/ClipboardItem.h"
#include "platform/Workspace.h"
#include "popup/ClipboardListView.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <memory>
#include <optional>

class AutoPaste;
class ClipboardMonitor;
class PopupPanel;

// The floating history popup. Its window and list are built at the first showing and kept hidden
// in between, so that an opening costs no more than a frame; every showing still lists the
// history as it is then, from its top with the first row selected, remembers the window the user
// was working in and centres the popup on the pointer's screen. It closes when
// it stops being the active window, on Escape and before a paste. Choosing an entry puts it on
// the clipboard, brings the remembered window back and types the paste there a moment later;
// without the permission to type, a notice says how to paste by hand.
class PopupController : public QObject {
    Q_OBJECT
public:
    static constexpr int panelWidth = 380;
    static constexpr int panelHeight = 440;
    static constexpr std::chrono::milliseconds autoPasteDelay{120};

    // The monitor, workspace and auto-paste must outlive the controller.
    PopupController(ClipboardMonitor &monitor, Workspace &workspace, AutoPaste &autoPaste,
                    QObject *parent = nullptr);
    ~PopupController() override;

    // Lists the history afresh, places and opens the popup; an open one is refreshed in place.
    void show();
    // Closes the popup if open; the remembered window stays remembered.
    void close();
    // The shortcut: closes an open popup, opens a closed one.
    void toggle();

    bool isOpen() const;
    PopupPanel *panel() const;
    ClipboardListView *listView() const { return m_listView; }
    std::optional<Workspace::WindowId> previousWindow() const { return m_previousWindow; }

Q_SIGNALS:
    // The popup has drawn its first frame after show().
    void shownAndPainted();
    // An open popup went away.
    void closed();

private:
    void paste(ClipboardItem item, bool plainText);
    void buildPanel();

    ClipboardMonitor &m_monitor;
    Workspace &m_workspace;
    AutoPaste &m_autoPaste;
    std::unique_ptr<PopupPanel> m_panel;
    QPointer<ClipboardListView> m_listView; // a child of the panel
    std::optional<Workspace::WindowId> m_previousWindow;
};
