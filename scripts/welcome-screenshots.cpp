// Pictures of the guide, every step and variant, and of its drawings and controls, for people
// to look at: run by scripts/welcome-screenshots, which gives it a private X server. Writes PNGs
// to the folder named by its first argument, each in a light and a dark palette. With
// --screen FILE it saves the whole screen instead (scripts/welcome-desktop-screenshots).
#include "settings/AppSettings.h"
#include "support/FakeKeyPoster.h"
#include "support/FakeLoginItem.h"
#include "support/FakeWorkspace.h"
#include "support/MemoryDefaultsStore.h"
#include "system/AutoPaste.h"
#include "system/AutoPasteHelp.h"
#include "ui/UiStyle.h"
#include "welcome/AccessibilityPaneIllustration.h"
#include "welcome/DragToAccessibilityIllustration.h"
#include "welcome/GuideButton.h"
#include "welcome/KeyCap.h"
#include "welcome/MenuBarIllustration.h"
#include "welcome/WelcomeStyle.h"
#include "welcome/WelcomeView.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QList>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <cstdio>
#include <functional>

namespace {

// The guide is 480 wide with 28 on either side.
constexpr int kContentWidth = 424;

QString g_folder;
QString g_suffix;

// Lays `fill` out in a window as wide as the guide's content, on the guide's background, shows
// it, runs `shown` on it, and saves it.
void save(const QString &name, const std::function<void(QWidget *, QVBoxLayout *)> &fill,
          const std::function<void(QWidget *)> &shown = {}) {
    QWidget window;
    window.setAutoFillBackground(true);
    auto *column = new QVBoxLayout(&window); // owned by the window
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);
    fill(&window, column);
    window.setFixedWidth(kContentWidth + 48);
    window.show();
    if (shown)
        shown(&window);
    QTest::qWait(250); // fades settle: time for people, not a test
    const QString file = g_folder + QLatin1Char('/') + name + g_suffix + QStringLiteral(".png");
    if (!window.grab().save(file))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
}

void hover(QWidget *widget) {
    const QPointF inside(5, 5);
    QEnterEvent enter(inside, inside, widget->mapToGlobal(inside));
    QCoreApplication::sendEvent(widget, &enter);
}

QHBoxLayout *keyRow(QVBoxLayout *column, const QStringList &labels, bool emphasized,
                    KeyCapSize size, QWidget *parent) {
    auto *row = new QHBoxLayout;
    row->setSpacing(4);
    for (const QString &label : labels)
        row->addWidget(new KeyCap(label, emphasized, size, parent));
    row->addStretch();
    column->addLayout(row);
    return row;
}

QPalette darkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2a, 0x2a, 0x2c));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Base, QColor(0x1c, 0x1c, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3c));
    dark.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0x8f, 0xe8));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    return dark;
}

// Every symbol the guide draws, small as used and large to judge the drawing.
class SymbolSheet : public QWidget {
public:
    explicit SymbolSheet(QWidget *parent)
        : QWidget(parent) {
        setFixedHeight(static_cast<int>(WelcomeStyle::symbolNames().size() + 5) / 6 * 56);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        const QStringList names = WelcomeStyle::symbolNames();
        for (int i = 0; i < names.size(); ++i) {
            const QPointF cell((i % 6) * 70.0 + 35, (i / 6) * 56.0 + 20);
            WelcomeStyle::drawSymbol(painter, names[i], cell + QPointF(-16, 0), 13,
                                     UiStyle::primary());
            WelcomeStyle::drawSymbol(painter, names[i], cell + QPointF(14, 0), 32,
                                     UiStyle::accent());
        }
    }
};

// The whole guide as its window shows it, at the height it asks for.
struct GuideShot {
    const char *name;
    WelcomeView::Step step;
    bool trusted = false;
    bool sandboxed = false;
    bool customShortcut = false;
    TrayPlace tray = TrayPlace::upper;
    bool openedHelp = false;
    bool countdown = false;
    bool scrolledToEnd = false;
};

void saveGuide(const GuideShot &shot) {
    tqtest::FakeKeyPoster keys;
    keys.trusted = shot.trusted && !shot.countdown;
    tqtest::FakeLoginItem loginItem;
    tqtest::FakeWorkspace workspace;
    AppSettings settings(std::make_unique<MemoryDefaultsStore>());
    if (shot.customShortcut)
        settings.setHotKey(3, 4096 | 2048); // F
    AutoPaste autoPaste(keys);
    AutoPasteHelp help(workspace);
    if (shot.sandboxed)
        qputenv("APP_SANDBOX_CONTAINER_ID", "pictures");
    WelcomeView view({settings, loginItem, autoPaste, help}, {}, {}, shot.tray);
    view.show();
    for (int i = 0; i < static_cast<int>(shot.step); ++i)
        view.move(+1);
    if (shot.openedHelp && !view.guideButtons().isEmpty())
        view.guideButtons().first()->click();
    if (shot.countdown) {
        keys.trusted = true; // turned on while the permission step shows
        view.checkPermission();
    }
    view.resize(WelcomeView::viewWidth, view.contentHeight());
    QTest::qWait(300); // fades settle: time for people, not a test
    if (shot.countdown)
        view.holdAutoAdvanceProgress(0.4);
    if (shot.scrolledToEnd) {
        QScrollBar *bar = view.findChild<QScrollArea *>()->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
    const QString file = g_folder + QStringLiteral("/guide-") + QString::fromUtf8(shot.name) +
                         g_suffix + QStringLiteral(".png");
    if (!view.grab().save(file))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    qunsetenv("APP_SANDBOX_CONTAINER_ID");
}

void saveGuides() {
    using Step = WelcomeView::Step;
    const GuideShot shots[] = {
        {"1-panel", Step::menuBar},
        {"1-panel-custom-shortcut", Step::menuBar, false, false, true},
        {"1-panel-icon-below", Step::menuBar, false, false, false, TrayPlace::lower},
        {"1-no-tray", Step::menuBar, false, false, false, TrayPlace::none},
        {"2-permission-off", Step::accessibility},
        {"2-permission-off-help-opened", Step::accessibility, false, false, false, TrayPlace::upper,
         true},
        {"2-permission-off-sandboxed", Step::accessibility, false, true},
        {"2-permission-off-sandboxed-help-opened", Step::accessibility, false, true, false,
         TrayPlace::upper, true},
        {"2-permission-off-sandboxed-end", Step::accessibility, false, true, false,
         TrayPlace::upper, false, false, true},
        {"2-permission-on", Step::accessibility, true},
        {"2-permission-countdown", Step::accessibility, true, false, false, TrayPlace::upper, false,
         true},
        {"3-basics", Step::basics},
        {"3-basics-on-custom-shortcut", Step::basics, true, false, true},
    };
    for (const GuideShot &shot : shots)
        saveGuide(shot);
}

void saveAll() {
    saveGuides();
    save(QStringLiteral("symbols"),
         [](QWidget *window, QVBoxLayout *column) { column->addWidget(new SymbolSheet(window)); });
    using Highlight = AccessibilityPaneIllustration::Highlight;
    save(QStringLiteral("menu-bar"), [](QWidget *window, QVBoxLayout *column) {
        column->addWidget(new MenuBarIllustration(32, window));
    });
    save(QStringLiteral("pane-existing-row"), [](QWidget *window, QVBoxLayout *column) {
        column->addWidget(new AccessibilityPaneIllustration(Highlight::existingRow, 30, window));
    });
    save(QStringLiteral("pane-plus-button"), [](QWidget *window, QVBoxLayout *column) {
        column->addWidget(new AccessibilityPaneIllustration(Highlight::plusButton, 30, window));
    });
    for (const double seconds : {0.3, 1.0, 2.0}) {
        save(
            QStringLiteral("drag-%1s").arg(seconds, 0, 'f', 1),
            [](QWidget *window, QVBoxLayout *column) {
                column->addWidget(new DragToAccessibilityIllustration(140, 12, window));
            },
            [seconds](QWidget *window) {
                window->findChild<DragToAccessibilityIllustration *>()->holdAt(seconds);
            });
    }
    // A prominent and a plain button, then the same two with the pointer over them.
    save(
        QStringLiteral("buttons"),
        [](QWidget *window, QVBoxLayout *column) {
            for (int i = 0; i < 2; ++i) {
                column->addWidget(new GuideButton(QStringLiteral("Open Auto-Paste Help"),
                                                  QStringLiteral("arrow.up.forward.app"), true,
                                                  window));
                column->addWidget(new GuideButton(QStringLiteral("Show Tallowquill in Files"),
                                                  QStringLiteral("folder"), false, window));
            }
        },
        [](QWidget *window) {
            const QList<GuideButton *> buttons = window->findChildren<GuideButton *>();
            for (GuideButton *button : buttons.mid(2))
                hover(button);
        });
    save(QStringLiteral("key-caps"), [](QWidget *window, QVBoxLayout *column) {
        keyRow(column, {QStringLiteral("Ctrl"), QStringLiteral("V")}, false, KeyCapSize::standard(),
               window);
        keyRow(column, {QStringLiteral("⌘"), QStringLiteral("⇧"), QStringLiteral("V")}, true,
               KeyCapSize::standard(), window);
        keyRow(column, {QStringLiteral("⌃⌥⌘⇧F12")}, true, KeyCapSize::standard(), window);
        keyRow(column, {QStringLiteral("⌘"), QStringLiteral("⇧"), QStringLiteral("V")}, true,
               KeyCapSize::large(), window)
            ->setSpacing(7);
        keyRow(column,
               {QStringLiteral("⏎"), QStringLiteral("⌘"), QStringLiteral("⏎"), QStringLiteral("P"),
                QStringLiteral("esc")},
               false, KeyCapSize::small(), window)
            ->setSpacing(5);
    });
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    // For scripts/welcome-desktop-screenshots: the whole screen as it is, into one file.
    if (argc > 2 && qstrcmp(argv[1], "--screen") == 0) {
        const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
        return screen.save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("welcome-screenshots");
    QDir().mkpath(g_folder);

    g_suffix = QStringLiteral("-light");
    saveAll();
    QApplication::setPalette(darkPalette());
    g_suffix = QStringLiteral("-dark");
    saveAll();
    return 0;
}
