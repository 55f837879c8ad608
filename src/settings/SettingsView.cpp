#include "settings/SettingsView.h"

#include "hotkey/HotKeyManager.h"
#include "settings/AppSettings.h"
#include "settings/HotKeyRecorderView.h"
#include "settings/Retention.h"
#include "system/AutoPaste.h"
#include "system/AutoPasteHelp.h"
#include "system/LaunchAtLogin.h"
#include "ui/SwitchButton.h"
#include "ui/UiStyle.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QColor dimmed(const QWidget &widget, double opacity) {
    QColor colour = widget.palette().color(QPalette::WindowText);
    colour.setAlphaF(opacity);
    return colour;
}

// One titled section's rounded group of rows, lighter than the window behind it.
class FormGroup : public QWidget {
public:
    explicit FormGroup(QWidget *parent)
        : QWidget(parent)
        , m_rows(new QVBoxLayout(this)) {
        m_rows->setContentsMargins(10, 0, 10, 0);
        m_rows->setSpacing(0);
    }

    void addRow(const QString &label, QWidget *control) {
        if (m_rows->count() > 0) {
            auto *line = new QWidget(this);
            line->setFixedHeight(1);
            line->setAutoFillBackground(true);
            QPalette colours = line->palette();
            colours.setColor(QPalette::Window, dimmed(*this, 0.1));
            line->setPalette(colours);
            m_rows->addWidget(line);
        }
        auto *row = new QWidget(this);
        row->setMinimumHeight(40);
        auto *layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 4, 0, 4);
        layout->setSpacing(8);
        // A label wraps rather than squeeze its control, whatever the desktop's font size.
        auto *text = new QLabel(label, row);
        text->setWordWrap(true);
        layout->addWidget(text, 1);
        control->setParent(row);
        control->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        layout->addWidget(control, 0, Qt::AlignVCenter | Qt::AlignRight);
        m_rows->addWidget(row);
    }

    void addWidget(QWidget *widget) { m_rows->addWidget(widget); }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(dimmed(*this, 0.12), 1));
        painter.setBrush(palette().color(QPalette::Base));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    }

private:
    QVBoxLayout *m_rows;
};

// The 8 × 8 status light.
class Dot : public QWidget {
public:
    explicit Dot(QWidget *parent)
        : QWidget(parent) {
        setFixedSize(8, 8);
    }
    void setColour(const QColor &colour) {
        m_colour = colour;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_colour);
        painter.drawEllipse(rect());
    }

private:
    QColor m_colour;
};

// Small secondary text under a row, as a note.
QLabel *caption(const QString &text, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    QPalette secondary = label->palette();
    secondary.setColor(QPalette::WindowText, dimmed(*parent, 0.55));
    label->setPalette(secondary);
    return label;
}

FormGroup *addSection(QVBoxLayout *form, const QString &title, QWidget *parent) {
    // Between sections only: below the last one, the space is left to a larger font.
    if (form->count() > 0)
        form->addSpacing(14);
    auto *heading = new QLabel(title, parent);
    QFont bold = heading->font();
    bold.setWeight(QFont::DemiBold);
    heading->setFont(bold);
    heading->setContentsMargins(4, 0, 0, 0);
    form->addWidget(heading);
    form->addSpacing(6);
    auto *group = new FormGroup(parent);
    form->addWidget(group);
    return group;
}

} // namespace

SettingsView::SettingsView(AppSettings &settings, HotKeyManager &hotKeys, LoginItem &loginItem,
                           AutoPaste &autoPaste, AutoPasteHelp &help, QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_loginItem(loginItem)
    , m_autoPaste(autoPaste)
    , m_launchAtLogin(::launchAtLogin(loginItem))
    , m_accessibilityGranted(autoPaste.isProcessTrusted())
    , m_recorder(new HotKeyRecorderView(settings, hotKeys, this))
    , m_retention(new QComboBox(this))
    , m_launchSwitch(new SwitchButton(this))
    , m_permissionDot(new Dot(this))
    , m_permissionStatus(new QLabel(this))
    , m_helpButton(new QPushButton(QStringLiteral("Open Auto-Paste Help"), this))
    , m_permissionNote(caption(
          QStringLiteral("Without this, items are still copied \u2014 paste them yourself with "
                         "Ctrl+V. Auto-paste needs ") +
              (autoPaste.typist() == KeyTypist::virtualKeyboard
                   ? QStringLiteral("a compositor that offers a virtual keyboard.")
                   : QStringLiteral("the XTEST extension of your X session.")),
          this)) {
    auto *form = new QVBoxLayout(this);
    form->setContentsMargins(16, 18, 16, 4);
    form->setSpacing(0);

    FormGroup *hotKey = addSection(form, QStringLiteral("Hotkey"), this);
    hotKey->addRow(QStringLiteral("Show clipboard history"), m_recorder);
    // Where the desktop keeps the shortcut, under the key field.
    if (const QString keeper = hotKeys.keeper(); !keeper.isEmpty()) {
        m_keeperCaption = caption(keeper, this);
        m_keeperCaption->setAlignment(Qt::AlignRight);
        m_keeperCaption->setContentsMargins(0, 0, 0, 8);
        hotKey->addWidget(m_keeperCaption);
    }

    FormGroup *general = addSection(form, QStringLiteral("General"), this);
    for (const qint64 minutes : retentionChoices)
        m_retention->addItem(retentionLabel(minutes), minutes);
    general->addRow(QStringLiteral("Keep recent items for"), m_retention);
    general->addRow(QStringLiteral("Launch Tallowquill at login"), m_launchSwitch);

    auto *status = new QWidget(this);
    auto *statusLayout = new QHBoxLayout(status);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    statusLayout->setSpacing(8);
    statusLayout->addWidget(m_permissionDot, 0, Qt::AlignVCenter);
    statusLayout->addWidget(m_permissionStatus, 0, Qt::AlignVCenter);
    statusLayout->addWidget(m_helpButton, 0, Qt::AlignVCenter);
    FormGroup *permissions = addSection(form, QStringLiteral("Permissions"), this);
    permissions->addRow(QStringLiteral("Auto-paste"), status);
    m_permissionNote->setContentsMargins(0, 0, 0, 10);
    permissions->addWidget(m_permissionNote);
    form->addStretch(1);

    QPalette secondary = m_permissionStatus->palette();
    secondary.setColor(QPalette::WindowText, dimmed(*this, 0.55));
    m_permissionStatus->setPalette(secondary);

    m_launchSwitch->setChecked(m_launchAtLogin);
    connect(m_launchSwitch, &SwitchButton::toggled, this, &SettingsView::setLaunchAtLogin);
    connect(m_retention, &QComboBox::activated, this, [this](int index) {
        m_settings.setRetentionMinutes(m_retention->itemData(index).toLongLong());
    });
    connect(&m_settings, &AppSettings::changed, this, &SettingsView::showRetention);
    connect(m_helpButton, &QPushButton::clicked, this, [&help] { help.openHelpPage(); });

    // Qt's timers fire while a menu is open or a dialog runs, like the rest of the program's.
    m_permissionTick.setInterval(1000);
    connect(&m_permissionTick, &QTimer::timeout, this, &SettingsView::checkPermission);
    m_permissionTick.start();

    showRetention();
    m_accessibilityGranted = !m_accessibilityGranted; // so that the first check lays out
    checkPermission();
}

void SettingsView::showRetention() {
    const qint64 minutes = m_settings.retentionMinutes();
    const int index = m_retention->findData(minutes);
    // A time set by hand that is no choice shows its own words, and adds no choice to the list.
    m_retention->setPlaceholderText(index < 0 ? retentionLabel(minutes) : QString());
    m_retention->setCurrentIndex(index);
}

void SettingsView::setLaunchAtLogin(bool wanted) {
    // The switch ends on the real state; putting it back runs this again, which finds the item
    // as wanted and makes no second change.
    m_launchAtLogin = ::setLaunchAtLogin(wanted, m_loginItem);
    if (m_launchSwitch->isChecked() != m_launchAtLogin)
        m_launchSwitch->setChecked(m_launchAtLogin);
}

void SettingsView::checkPermission() {
    const bool granted = m_autoPaste.isProcessTrusted();
    if (granted == m_accessibilityGranted)
        return;
    m_accessibilityGranted = granted;
    static_cast<Dot *>(m_permissionDot)->setColour(granted ? UiStyle::green() : UiStyle::orange());
    m_permissionStatus->setText(granted ? QStringLiteral("Granted")
                                        : QStringLiteral("Not granted"));
    m_helpButton->setVisible(!granted);
    m_permissionNote->setVisible(!granted);
    const int keeperHeight = m_keeperCaption ? m_keeperCaption->sizeHint().height() : 0;
    const QSize size(viewWidth, (granted ? grantedHeight : notGrantedHeight) + keeperHeight);
    setFixedSize(size);
    Q_EMIT sizeChanged(size);
}
