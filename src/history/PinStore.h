#pragma once

#include "history/ClipboardItem.h"

#include <QList>
#include <QString>

#include <optional>

// The pinned entries across restarts: "pins.json" in $XDG_DATA_HOME/Tallowquill (by default
// ~/.local/share/Tallowquill), a JSON array of entries, most recently pinned first.
// Failures are logged to the system log and never reach the caller.
class PinStore {
public:
    // Finds the folder afresh on every call, from the environment.
    PinStore() = default;
    // Uses this folder; an empty string means there is no location at all.
    explicit PinStore(QString folder);

    // The pinned entries in file order, all marked pinned; empty when there is nothing to load
    // or the file cannot be read. An existing folder left open to others is made private first.
    QList<ClipboardItem> loadPins();
    // Replaces the file with the whole list, atomically.
    void savePins(const QList<ClipboardItem> &items);

    static QString defaultFolder();
    QString folder() const;

private:
    std::optional<QString> m_folder;
    bool m_lastLoadFailed = false;
};
