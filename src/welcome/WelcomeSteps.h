#pragma once

#include "platform/KeyPoster.h"

#include <QString>

class AppSettings;
class GuideButton;
class QVBoxLayout;
class QWidget;
class SwitchButton;

// Where the program's icon is, as the first step tells it: in a tray in the upper half of its
// screen (or somewhere unknown), in the lower half, or nowhere, the desktop showing no tray.
enum class TrayPlace { upper, lower, none };

// The blocks of the guide's three steps, added to a step's column.
namespace WelcomeSteps {

// A fixed guide text with **bold** and *italic* spans, as rich text for a label: the asterisks
// go, everything else is escaped. Never for text that comes from outside the program.
QString richText(const QString &markdown);

struct State {
    const AppSettings &settings;
    bool granted = false;
    bool openedSettings = false;
    bool sandboxed = false;
    bool launchAtLogin = false;
    TrayPlace tray = TrayPlace::upper;
    bool shortcutChosenHere = true;
    KeyTypist typist = KeyTypist::xtest;
};

// The controls a step hands back for the guide to wire; null where the step has none.
struct Controls {
    GuideButton *help = nullptr;
    GuideButton *reveal = nullptr;
    SwitchButton *launchAtLogin = nullptr;
};

Controls addMenuBarStep(QVBoxLayout *column, QWidget *parent, const State &state);
Controls addAccessibilityStep(QVBoxLayout *column, QWidget *parent, const State &state);
Controls addBasicsStep(QVBoxLayout *column, QWidget *parent, const State &state);

} // namespace WelcomeSteps
