#include "welcome/WelcomeSteps.h"

#include "hotkey/ShortcutFormat.h"
#include "settings/AppSettings.h"
#include "settings/Retention.h"
#include "ui/SwitchButton.h"
#include "ui/UiStyle.h"
#include "welcome/AccessibilityPaneIllustration.h"
#include "welcome/BalancedLabel.h"
#include "welcome/DragToAccessibilityIllustration.h"
#include "welcome/GuideButton.h"
#include "welcome/KeyCap.h"
#include "welcome/MenuBarIllustration.h"
#include "welcome/WelcomeStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace WelcomeSteps {

QString richText(const QString &markdown) {
    static const QRegularExpression bold(QStringLiteral(R"(\*\*(.+?)\*\*)"));
    static const QRegularExpression italic(QStringLiteral(R"(\*(.+?)\*)"));
    static const QRegularExpression code(QStringLiteral(R"(`(.+?)`)"));
    QString html = markdown.toHtmlEscaped();
    html.replace(bold, QStringLiteral("<b>\\1</b>"));
    html.replace(italic, QStringLiteral("<i>\\1</i>"));
    // A command keeps its spaces on one line.
    html.replace(code, QStringLiteral("<code style=\"white-space:pre\">\\1</code>"));
    return html;
}

namespace {

using namespace UiStyle;
using namespace WelcomeStyle;

// A wrapping label whose height follows its width alone: the guess QLabel makes for its
// minimum at an unknown width would otherwise stretch the step beyond its content.
class WrapLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override {
        return wordWrap() ? QSize(0, 0) : QLabel::minimumSizeHint();
    }
};

QLabel *styled(QLabel *label, double points, QFont::Weight weight, const QColor &colour) {
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(font(points, weight));
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, colour);
    label->setPalette(colours);
    return label;
}

QLabel *label(const QString &text, double points, QWidget *parent,
              QFont::Weight weight = QFont::Normal, const QColor &colour = primary(),
              bool markdown = false) {
    auto *result = new WrapLabel(parent);
    // Only the guide's own fixed texts are read as rich text; run-time values stay plain.
    result->setTextFormat(markdown ? Qt::RichText : Qt::PlainText);
    result->setText(markdown ? richText(text) : text);
    result->setWordWrap(true);
    return styled(result, points, weight, colour);
}

QLabel *marked(const QString &text, double points, QWidget *parent,
               const QColor &colour = primary()) {
    return label(text, points, parent, QFont::Normal, colour, true);
}

// A symbol drawn at its size in points, in a cell of `cellWidth`.
class Symbol : public QWidget {
public:
    Symbol(const QString &name, int points, const QColor &colour, QWidget *parent,
           int cellWidth = 0)
        : QWidget(parent)
        , m_name(name)
        , m_points(points)
        , m_colour(colour) {
        setFixedSize(std::max(points, cellWidth), points + 2);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        drawSymbol(painter, m_name, QRectF(rect()).center(), m_points, m_colour);
    }

private:
    QString m_name;
    int m_points;
    QColor m_colour;
};

// A rounded fill behind a column of blocks.
class Card : public QWidget {
public:
    Card(const QColor &fill, double radius, QWidget *parent, bool capsule = false)
        : QWidget(parent)
        , m_fill(fill)
        , m_radius(radius)
        , m_capsule(capsule) {}

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (m_capsule)
            fillCapsule(painter, rect(), m_fill);
        else
            fillRoundedRect(painter, rect(), m_radius, m_fill);
    }

private:
    QColor m_fill;
    double m_radius;
    bool m_capsule;
};

QVBoxLayout *cardColumn(QWidget *card, int padding, int spacing) {
    auto *column = new QVBoxLayout(card);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(spacing);
    return column;
}

QWidget *divider(QWidget *parent) {
    auto *line = new Card(withOpacity(primary(), 0.12), 0, parent);
    line->setFixedHeight(1);
    return line;
}

// A number in an accent circle.
class StepNumber : public QWidget {
public:
    StepNumber(int number, QWidget *parent)
        : QWidget(parent)
        , m_number(number) {
        setFixedSize(17, 17);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(accent());
        painter.drawEllipse(rect());
        drawText(painter, rect(), QString::number(m_number), UiStyle::font(11, QFont::Bold),
                 Qt::white, Qt::AlignHCenter);
    }

private:
    int m_number;
};

void stepHeader(QVBoxLayout *column, QWidget *parent, const QString &title, const QString &subtitle,
                const QString &arrow = {}, bool wrapTitle = false) {
    auto *header = new QVBoxLayout;
    header->setSpacing(6);
    auto *row = new QHBoxLayout;
    row->setSpacing(9);
    // One line unless something beside the header leaves too little room.
    QLabel *titleLabel = wrapTitle ? new BalancedLabel(title, parent) : new QLabel(title, parent);
    titleLabel->setTextFormat(Qt::PlainText);
    styled(titleLabel, 20, QFont::DemiBold, primary());
    row->addWidget(titleLabel, wrapTitle ? 1 : 0, Qt::AlignVCenter);
    if (!arrow.isEmpty())
        row->addWidget(new Symbol(arrow, 18, accent(), parent), 0, Qt::AlignVCenter);
    row->addStretch();
    header->addLayout(row);
    header->addWidget(label(subtitle, 13, parent, QFont::Normal, secondary()));
    column->addLayout(header);
}

QWidget *keyRow(QVBoxLayout *column, QWidget *parent, const QStringList &keys, bool emphasized,
                const QString &markdown) {
    auto *row = new QHBoxLayout;
    row->setSpacing(12);
    auto *cell = new QWidget(parent);
    cell->setMinimumWidth(108);
    auto *caps = new QHBoxLayout(cell);
    caps->setContentsMargins(0, 0, 0, 0);
    caps->setSpacing(4);
    for (const QString &key : keys)
        caps->addWidget(new KeyCap(key, emphasized, KeyCapSize::standard(), cell));
    caps->addStretch();
    row->addWidget(cell, 0, Qt::AlignTop);
    auto *text = marked(markdown, 12.5, parent, emphasized ? primary() : secondary());
    text->setContentsMargins(0, 5, 0, 0); // the first line level with the key labels
    row->addWidget(text, 1, Qt::AlignTop);
    column->addLayout(row);
    return cell;
}

// Key cells side by side start their texts on one line, however wide their caps are.
void alignCells(const QList<QWidget *> &cells) {
    int width = 108;
    for (const QWidget *cell : cells)
        width = std::max(width, cell->sizeHint().width());
    for (QWidget *cell : cells)
        cell->setFixedWidth(width);
}

void numberedStep(QVBoxLayout *column, QWidget *parent, int number, const QString &markdown) {
    auto *row = new QHBoxLayout;
    row->setSpacing(9);
    row->addWidget(new StepNumber(number, parent), 0, Qt::AlignTop);
    row->addWidget(marked(markdown, 12, parent), 1, Qt::AlignTop);
    column->addLayout(row);
}

void numberedSteps(QVBoxLayout *column, QWidget *parent, const QStringList &steps) {
    auto *list = new QVBoxLayout;
    list->setSpacing(9);
    for (int i = 0; i < steps.size(); ++i)
        numberedStep(list, parent, i + 1, steps[i]);
    column->addLayout(list);
}

void noteCard(QVBoxLayout *column, QWidget *parent, const QString &markdown,
              const QString &secondaryLine = {}) {
    auto *card = new Card(withOpacity(primary(), 0.05), 8, parent);
    QVBoxLayout *inside = cardColumn(card, 10, 4);
    inside->addWidget(marked(markdown, 12, card));
    if (!secondaryLine.isEmpty())
        inside->addWidget(label(secondaryLine, 11.5, card, QFont::Normal, secondary()));
    column->addWidget(card);
}

void menuEntryRow(QVBoxLayout *column, QWidget *parent, const QString &symbol, const QString &title,
                  const QString &detail = {}) {
    auto *row = new QHBoxLayout;
    row->setSpacing(9);
    row->addWidget(new Symbol(symbol, 11, accent(), parent, 15), 0, Qt::AlignTop);
    auto *titleLabel = label(title, 12, parent, QFont::Medium);
    titleLabel->setWordWrap(false);
    row->addWidget(titleLabel, 0, Qt::AlignTop);
    if (!detail.isEmpty())
        row->addWidget(
            label(QStringLiteral("— ") + detail, 11.5, parent, QFont::Normal, secondary()), 1,
            Qt::AlignTop);
    else
        row->addStretch(1);
    column->addLayout(row);
}

void statusCard(QVBoxLayout *column, QWidget *parent, bool granted) {
    const QColor state = granted ? green() : orange();
    auto *card = new Card(withOpacity(state, 0.1), 8, parent);
    auto *row = new QHBoxLayout(card);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(10);
    row->addWidget(new Symbol(granted ? QStringLiteral("checkmark.circle.fill")
                                      : QStringLiteral("exclamationmark.circle.fill"),
                              18, state, card),
                   0, Qt::AlignVCenter);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(
        label(granted ? QStringLiteral("Auto-paste is on") : QStringLiteral("Auto-paste is off"),
              13, card, QFont::DemiBold));
    texts->addWidget(
        label(granted ? QStringLiteral("Tallowquill can paste straight into the app you're using.")
                      : QStringLiteral("Tallowquill can copy, but can't paste for you yet."),
              11, card, QFont::Normal, secondary()));
    row->addLayout(texts, 1);
    column->addWidget(card);
}

} // namespace

Controls addMenuBarStep(QVBoxLayout *column, QWidget *parent, const State &state) {
    // Without a tray there is no icon to point at or draw.
    const bool tray = state.tray != TrayPlace::none;
    if (!tray) {
        stepHeader(column, parent, QStringLiteral("Tallowquill runs in the background"),
                   QStringLiteral("No taskbar button, no window — and your desktop shows no "
                                  "tray, so no icon either."));
    } else {
        const bool below = state.tray == TrayPlace::lower;
        stepHeader(column, parent,
                   below ? QStringLiteral("Tallowquill is down here")
                         : QStringLiteral("Tallowquill is up here"),
                   QStringLiteral("No taskbar button, no window — it lives in your panel, as an "
                                  "icon in its tray."),
                   below ? QStringLiteral("arrow.down") : QStringLiteral("arrow.up"));
        column->addWidget(new MenuBarIllustration(32, parent));
    }

    auto *card = new Card(withOpacity(accent(), 0.1), 10, parent);
    QVBoxLayout *inside = cardColumn(card, 16, 12);
    inside->addWidget(
        label(QStringLiteral("How you'll actually use it"), 14, card, QFont::DemiBold));
    const QString display = state.settings.hotKeyDisplay();
    if (state.settings.isDefaultHotKey()) {
        alignCells(
            {keyRow(inside, card, {QStringLiteral("Ctrl"), QStringLiteral("V")}, false,
                    QStringLiteral("The paste you already know.")),
             keyRow(inside, card, {QStringLiteral("⌘"), QStringLiteral("⇧"), QStringLiteral("V")},
                    true,
                    QStringLiteral("**⌘** is your Super key: with **⇧ Shift** and V it opens "
                                   "your clipboard history, in any app."))});
    } else {
        keyRow(inside, card, {display}, true,
               QStringLiteral("Opens your clipboard history, in any app."));
    }
    inside->addWidget(label(QStringLiteral("Reach for ") + display +
                                QStringLiteral(" the way you already reach for Ctrl+V — that's "
                                               "the whole app.") +
                                (tray ? QStringLiteral(" You almost never need to click the panel "
                                                       "icon.")
                                      : QString()),
                            12, card, QFont::Normal, secondary()));
    column->addWidget(card);

    auto *menu = new QVBoxLayout;
    menu->setSpacing(8);
    menu->addWidget(label(tray ? QStringLiteral("Click the icon when you need to:")
                               : QStringLiteral("Right-click Tallowquill in your applications "
                                                "menu when you need to:"),
                          12, parent, QFont::Medium, secondary()));
    auto *entries = new QVBoxLayout;
    entries->setSpacing(6);
    menuEntryRow(entries, parent, QStringLiteral("gearshape"), QStringLiteral("Settings"),
                 QStringLiteral("Change the shortcut or how long history is kept"));
    menuEntryRow(entries, parent, QStringLiteral("trash"), QStringLiteral("Clear History"),
                 QStringLiteral("Drop everything unpinned right now"));
    menuEntryRow(entries, parent, QStringLiteral("book"), QStringLiteral("Getting Started"),
                 QStringLiteral("Reopen this guide"));
    menuEntryRow(entries, parent, QStringLiteral("power"), QStringLiteral("Quit Tallowquill"));
    menu->addLayout(entries);
    column->addLayout(menu);
    return {};
}

Controls addAccessibilityStep(QVBoxLayout *column, QWidget *parent, const State &state) {
    const bool sandboxed = state.sandboxed;
    const bool compositor = state.typist == KeyTypist::virtualKeyboard;
    stepHeader(column, parent, QStringLiteral("Let Tallowquill paste for you"),
               QStringLiteral("Tallowquill pastes by typing Ctrl+V into your window, through ") +
                   (compositor ? QStringLiteral("your compositor's virtual keyboard.")
                               : QStringLiteral("your X session's XTEST extension.")));
    statusCard(column, parent, state.granted);
    Controls controls;
    if (state.granted)
        return controls;

    controls.help =
        new GuideButton(QStringLiteral("Open Auto-Paste Help"),
                        QStringLiteral("arrow.up.forward.app"), !state.openedSettings, parent);
    column->addWidget(controls.help);
    if (sandboxed)
        noteCard(column, parent,
                 QStringLiteral("Tallowquill **probably isn't in the list yet** — dragging it in "
                                "is the easiest way to add it."),
                 QStringLiteral("If it's already there, just switch it on."));
    else
        noteCard(column, parent,
                 compositor ? QStringLiteral("Your compositor offers no **virtual keyboard**, so "
                                             "Tallowquill cannot type for you yet.")
                            : QStringLiteral("Your X session does not offer **XTEST**, so "
                                             "Tallowquill cannot type for you yet."));
    if (sandboxed) {
        controls.reveal = new GuideButton(QStringLiteral("Show Tallowquill in Files"),
                                          QStringLiteral("folder"), state.openedSettings, parent);
        column->addWidget(controls.reveal);
    }
    if (sandboxed) {
        column->addWidget(label(QStringLiteral("With both windows open:"), 12, parent,
                                QFont::Medium, secondary()));
        column->addWidget(new DragToAccessibilityIllustration(140, 12, parent));
        numberedSteps(column, parent,
                      {QStringLiteral("**Drag Tallowquill** from the Files window onto the list "
                                      "of apps."),
                       QStringLiteral("That's it — your desktop adds it *and* turns it on. This "
                                      "window turns green by itself.")});
        auto *trouble = new QVBoxLayout;
        trouble->setSpacing(10);
        trouble->addSpacing(2);
        trouble->addWidget(divider(parent));
        trouble->addSpacing(2);
        trouble->addWidget(label(QStringLiteral("Trouble finding Tallowquill in your apps?"), 13,
                                 parent, QFont::DemiBold));
        trouble->addWidget(marked(QStringLiteral("You can add it with the **+** button instead:"),
                                  12, parent, secondary()));
        trouble->addWidget(new AccessibilityPaneIllustration(
            AccessibilityPaneIllustration::Highlight::plusButton, 30, parent));
        numberedSteps(trouble, parent,
                      {QStringLiteral("Click the **+** button underneath the list."),
                       QStringLiteral("Choose **Applications** on the left, click "
                                      "**Tallowquill**, then click **Open**."),
                       QStringLiteral("Switch Tallowquill **on** if it isn't already.")});
        column->addLayout(trouble);
    } else {
        // What the button opens is the help page, not a list with a switch to point at.
        numberedSteps(column, parent,
                      {QStringLiteral("Open the help page with the button above and follow the "
                                      "steps for your session."),
                       QStringLiteral("This window turns green by itself once auto-paste works.")});
    }
    column->addSpacing(2);
    column->addWidget(label(QStringLiteral("Rather skip? Tallowquill still copies whatever you "
                                           "pick — you'd just press Ctrl+V yourself to paste it."),
                            11.5, parent, QFont::Normal, secondary()));
    return controls;
}

Controls addBasicsStep(QVBoxLayout *column, QWidget *parent, const State &state) {
    auto *top = new QHBoxLayout;
    top->setSpacing(10);
    auto *header = new QVBoxLayout;
    stepHeader(header, parent, QStringLiteral("How it works out of the box"),
               QStringLiteral("All of this is changeable later in Settings."), {}, state.granted);
    top->addLayout(header, 1);
    if (state.granted) {
        auto *badge = new Card(withOpacity(green(), 0.12), 0, parent, true);
        auto *row = new QHBoxLayout(badge);
        row->setContentsMargins(7, 4, 7, 4);
        row->setSpacing(4);
        row->addWidget(new Symbol(QStringLiteral("checkmark.circle.fill"), 10, green(), badge));
        auto *text = label(QStringLiteral("Auto-Paste On"), 10.5, badge, QFont::Medium, green());
        text->setWordWrap(false);
        row->addWidget(text);
        badge->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        top->addWidget(badge, 0, Qt::AlignTop);
    }
    column->addLayout(top);

    auto *card = new Card(withOpacity(accent(), 0.1), 10, parent);
    QVBoxLayout *inside = cardColumn(card, 14, 9);
    auto *caps = new QHBoxLayout;
    caps->setSpacing(7);
    for (const QString &part :
         displayParts(state.settings.hotKeyCode(), state.settings.hotKeyModifiers()))
        caps->addWidget(new KeyCap(part, true, KeyCapSize::large(), card));
    caps->addStretch();
    inside->addLayout(caps);
    inside->addWidget(marked(
        state.shortcutChosenHere
            ? QStringLiteral("**This is how you use Tallowquill.** Press it in any app to open "
                             "your clipboard history.")
            : QStringLiteral("**This is how you use Tallowquill.** Bind it to `tallowquill "
                             "--popup` in your compositor's settings \u2014 then that's the whole "
                             "app."),
        12.5, card));
    column->addWidget(card);

    auto *keys = new Card(withOpacity(primary(), 0.04), 8, parent);
    auto *table = new QVBoxLayout(keys);
    table->setContentsMargins(0, 0, 0, 0);
    table->setSpacing(0);
    auto *heading =
        label(QStringLiteral("Once the popup is open"), 11, keys, QFont::DemiBold, secondary());
    heading->setContentsMargins(12, 10, 12, 2);
    table->addWidget(heading);
    const struct {
        const char *label;
        QStringList keys;
    } rows[] = {
        {"Paste the selected item", {QStringLiteral("⏎")}},
        {"Paste without formatting", {QStringLiteral("⌘"), QStringLiteral("⏎")}},
        {"Pin / unpin", {QStringLiteral("P")}},
        {"Close the popup", {QStringLiteral("esc")}},
    };
    for (const auto &entry : rows) {
        auto *row = new QHBoxLayout;
        row->setContentsMargins(12, 7, 12, 7);
        auto *text = label(QString::fromUtf8(entry.label), 12.5, keys);
        text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        row->addWidget(text, 1, Qt::AlignVCenter);
        row->addSpacing(8);
        auto *caps = new QHBoxLayout;
        caps->setSpacing(5);
        for (const QString &key : entry.keys)
            caps->addWidget(new KeyCap(key, false, KeyCapSize::small(), keys));
        row->addLayout(caps);
        table->addLayout(row);
    }
    auto *line = new QHBoxLayout;
    line->setContentsMargins(12, 0, 12, 0);
    line->addWidget(divider(keys));
    table->addLayout(line);
    auto *retention = new QHBoxLayout;
    retention->setContentsMargins(12, 11, 12, 11);
    retention->addWidget(label(QStringLiteral("Keep recent items for"), 12.5, keys), 1);
    auto *value = label(retentionLabel(state.settings.retentionMinutes()), 12.5, keys,
                        QFont::Medium, secondary());
    value->setWordWrap(false);
    retention->addWidget(value);
    table->addLayout(retention);
    column->addWidget(keys);

    Controls controls;
    auto *launch = new QHBoxLayout;
    auto *launchLabel =
        label(QStringLiteral("Open Tallowquill automatically at login"), 13, parent);
    launchLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    launch->addWidget(launchLabel, 1, Qt::AlignVCenter);
    controls.launchAtLogin = new SwitchButton(parent);
    controls.launchAtLogin->setChecked(state.launchAtLogin);
    launch->addWidget(controls.launchAtLogin, 0, Qt::AlignVCenter);
    column->addLayout(launch);

    column->addWidget(label(QStringLiteral("Pinned items stay until you unpin them and survive a "
                                           "restart. Everything else lives in memory only and is "
                                           "gone when you quit — nothing unpinned is ever written "
                                           "to disk."),
                            11, parent, QFont::Normal, secondary()));
    return controls;
}

} // namespace WelcomeSteps
