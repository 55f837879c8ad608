#pragma once

#include "platform/HotKeyGrab.h"

#include <QAbstractNativeEventFilter>

#include <xcb/xcb.h>

#include <optional>
#include <vector>

// Grabs the key on the root windows of Qt's own X connection and reports its presses through a
// native event filter, so they arrive on the main thread with the rest of Qt's events.
class XcbHotKeyGrab final : public HotKeyGrab, public QAbstractNativeEventFilter {
public:
    // `connection` is Qt's (QNativeInterface::QX11Application) and must outlive the grab, unless
    // the application object is gone by the time the grab is destroyed.
    explicit XcbHotKeyGrab(xcb_connection_t *connection);
    ~XcbHotKeyGrab() override;
    XcbHotKeyGrab(const XcbHotKeyGrab &) = delete;
    XcbHotKeyGrab &operator=(const XcbHotKeyGrab &) = delete;

    bool grab(const KeyChord &chord) override;
    void ungrab() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    quint16 numLockMask() const;
    bool isRoot(xcb_window_t window) const;

    xcb_connection_t *m_connection;
    std::vector<xcb_window_t> m_roots;
    xcb_keycode_t m_keycode = 0; // 0 while nothing is grabbed
    quint16 m_modifiers = 0;
    quint16 m_lockMasks = 0;
    std::vector<quint16> m_grabbedMasks;
    bool m_held = false;
    std::optional<xcb_timestamp_t> m_lastRelease;
};
