#pragma once

#include "platform/Workspace.h"

#include <QHash>
#include <QList>
#include <QStringList>

namespace tqtest {

// The desktop in memory: the test sets the window in front, the windows' classes and whether a
// compositor runs, and reads back which windows were asked to come forward and what was opened.
class FakeWorkspace : public Workspace {
public:
    std::optional<WindowId> active;
    QHash<WindowId, QStringList> classes;
    bool compositing = true;
    bool seesEvery = true;
    QList<WindowId> activated;
    QList<WindowId> onAllWorkspaces;
    QList<QUrl> opened;

    std::optional<WindowId> activeWindow() override { return active; }
    void activateWindow(WindowId window) override { activated << window; }
    QStringList windowClass(WindowId window) override { return classes.value(window); }
    bool seesEveryWindow() const override { return seesEvery; }
    bool placesWindows() const override { return places; }
    bool places = true;
    bool isCompositing() override { return compositing; }
    void showOnAllWorkspaces(WindowId window) override { onAllWorkspaces << window; }
    QMargins frameExtents(WindowId) override { return {}; } // as without a window manager
    QPoint pointerPosition() const override { return {}; }
    void openLocation(const QUrl &location) override { opened << location; }
    void revealFile(const QString &) override {}
};

} // namespace tqtest
