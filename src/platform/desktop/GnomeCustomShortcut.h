#pragma once

#include "platform/HotKeyGrab.h"

#include <QObject>
#include <QString>

#include <memory>

struct _GSettings;

// The shortcut as one of GNOME's custom shortcuts, which runs the program with --popup: GNOME
// holds the keys in X11 and Wayland sessions alike, and the program grabs none itself. The
// entry is the program's own, beside the user's others, which are never touched; it stays in
// the user's settings when the program quits, so the keys still start it. A binding the user
// changes in GNOME's settings is reported, and the one held from then on.
class GnomeCustomShortcut final : public QObject, public HotKeyGrab {
    Q_OBJECT
public:
    // The entry's place in GNOME's settings.
    static const char *const entryPath;

    // Nothing when GNOME's shortcut schemas are not installed (GLib ends a process that opens
    // settings without their schema). `command` is the program's absolute path and --popup.
    static std::unique_ptr<GnomeCustomShortcut> create(const QString &command);
    ~GnomeCustomShortcut() override;

    // The first grab keeps a binding the user gave the entry in GNOME's settings, and reports it
    // as changed; later ones replace it.
    bool grab(const KeyChord &chord) override;
    // Empties the entry's binding, so that its keys reach the window in front.
    void ungrab() override;
    QString keeper() const override;

private:
    struct Unref {
        void operator()(_GSettings *settings) const;
    };
    using Settings = std::unique_ptr<_GSettings, Unref>;

    GnomeCustomShortcut(Settings list, Settings entry, const QString &command);
    void writeBinding(const QString &binding);
    void bindingChanged();
    static void onBindingChanged(_GSettings *, const char *, void *self);

    Settings m_list;  // the list of custom shortcuts
    Settings m_entry; // ours
    QString m_command;
    QString m_written; // the entry's binding as the program last wrote or read it
    bool m_started = false;
};
