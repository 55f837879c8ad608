#include "settings/HotKeyRecorderView.h"

#include "hotkey/HotKeyManager.h"
#include "hotkey/KeyCodeTranslation.h"
#include "hotkey/ShortcutFormat.h"
#include "settings/AppSettings.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

namespace {

// X key codes are evdev codes + 8.
constexpr int kEvdevOffset = 8;

// The shortcut as key caps on a tinted, rounded plate; not interactive.
class KeyField : public QWidget {
public:
    KeyField(const HotKeyRecorderView &recorder, QWidget *parent)
        : QWidget(parent)
        , m_recorder(recorder) {
        QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        mono.setPointSizeF(QApplication::font().pointSizeF());
        setFont(mono);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {std::max(56, metrics.horizontalAdvance(m_recorder.shownShortcut()) + 20),
                metrics.height() + 8};
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor tint = m_recorder.isRecording() ? palette().color(QPalette::Highlight)
                                               : palette().color(QPalette::WindowText);
        tint.setAlphaF(m_recorder.isRecording() ? 0.18 : 0.12);
        painter.setPen(Qt::NoPen);
        painter.setBrush(tint);
        painter.drawRoundedRect(QRectF(rect()), 6, 6);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignCenter, m_recorder.shownShortcut());
    }

private:
    const HotKeyRecorderView &m_recorder;
};

bool isCancel(const QKeyEvent &key, std::optional<quint32> code) {
    return code == HotKeyRecorderView::escapeKeyCode || key.key() == Qt::Key_Escape;
}

} // namespace

HotKeyRecorderView::HotKeyRecorderView(AppSettings &settings, HotKeyManager &hotKeys,
                                       QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_hotKeys(hotKeys)
    , m_field(new KeyField(*this, this))
    , m_button(new QPushButton(this)) {
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(m_field, 0, Qt::AlignVCenter);
    layout->addWidget(m_button, 0, Qt::AlignVCenter);
    // Focus on the button would let Space or Return restart a recording meant to be over.
    m_button->setFocusPolicy(Qt::TabFocus);
    connect(m_button, &QPushButton::clicked, this, [this] {
        if (m_isRecording)
            stopRecording();
        else
            startRecording();
    });
    // The keys are chosen where they are bound.
    m_button->setEnabled(m_hotKeys.isChosenHere());
    connect(&m_settings, &AppSettings::changed, this, &HotKeyRecorderView::refresh);
    refresh();
}

HotKeyRecorderView::~HotKeyRecorderView() {
    if (m_isRecording)
        qApp->removeEventFilter(this);
}

QString HotKeyRecorderView::shownShortcut() const {
    return m_isRecording ? QStringLiteral("\u2026") : m_settings.hotKeyDisplay();
}

void HotKeyRecorderView::startRecording() {
    if (m_isRecording)
        return;
    m_isRecording = true;
    qApp->installEventFilter(this);
    m_hotKeys.unregisterHotKey();
    refresh();
}

void HotKeyRecorderView::stopRecording() {
    if (!m_isRecording)
        return;
    m_isRecording = false;
    qApp->removeEventFilter(this);
    // Whatever ended the recording, the stored shortcut is the one held again.
    m_hotKeys.registerHotKey(m_settings.hotKeyCode(), m_settings.hotKeyModifiers());
    refresh();
}

bool HotKeyRecorderView::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return QWidget::eventFilter(watched, event);
    // Only keys sent to this window: another one's (an open menu's) stay theirs. Its QWindow,
    // no widget, hands each key on to the focus widget, where it is taken.
    const auto *receiver = qobject_cast<const QWidget *>(watched);
    if (!receiver || receiver->window() != window())
        return false;
    if (type == QEvent::ShortcutOverride) {
        // Claimed, so that no shortcut of the program's own fires; the press follows.
        event->accept();
        return true;
    }
    if (type == QEvent::KeyRelease)
        return true;
    const auto &key = static_cast<const QKeyEvent &>(*event);
    const std::optional<quint32> code = shortcutKeyCode(int(key.nativeScanCode()) - kEvdevOffset);
    if (isCancel(key, code)) {
        stopRecording();
        return true;
    }
    const quint32 mask = carbonModifiers(key.modifiers());
    if (mask == 0 || !code)
        return true;
    // Recording ends first, so that storing the shortcut registers it as any change does.
    m_isRecording = false;
    qApp->removeEventFilter(this);
    m_settings.setHotKey(*code, mask);
    refresh();
    return true;
}

bool HotKeyRecorderView::event(QEvent *event) {
    // Another program has the keyboard now: no key of the recording can come, and the released
    // shortcut would be missing from the whole desktop meanwhile.
    if (event->type() == QEvent::WindowDeactivate)
        stopRecording();
    return QWidget::event(event);
}

void HotKeyRecorderView::hideEvent(QHideEvent *event) {
    stopRecording();
    QWidget::hideEvent(event);
}

void HotKeyRecorderView::refresh() {
    m_button->setText(m_isRecording ? QStringLiteral("Press keys (esc to cancel)")
                                    : QStringLiteral("Change\u2026"));
    m_field->updateGeometry();
    m_field->update();
}
