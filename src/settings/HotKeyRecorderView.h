#pragma once

#include <QWidget>

class AppSettings;
class HotKeyManager;
class QPushButton;

// Shows the global shortcut and records a new one by pressing it. While recording, every key
// press sent to the view's window is taken and reaches no widget (keys for the program's other
// windows, such as an open menu, are left alone): Escape cancels; a key with none of Super,
// Shift, Alt and Ctrl (or one the shortcut cannot name) is passed over; any other becomes the
// shortcut. The global grab is released meanwhile, or pressing the current shortcut would open
// the popup instead of being recorded. Hiding the view or its window losing activation cancels
// a recording, and the stored shortcut is grabbed again.
class HotKeyRecorderView : public QWidget {
    Q_OBJECT
public:
    // The stored key code of Escape, which always cancels.
    static constexpr quint32 escapeKeyCode = 53;

    HotKeyRecorderView(AppSettings &settings, HotKeyManager &hotKeys, QWidget *parent = nullptr);
    ~HotKeyRecorderView() override;

    bool isRecording() const { return m_isRecording; }
    // The key field's text: "…" while recording, else the shortcut's symbols.
    QString shownShortcut() const;
    QPushButton *button() const { return m_button; }

    void startRecording();
    void stopRecording();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void refresh();

    AppSettings &m_settings;
    HotKeyManager &m_hotKeys;
    bool m_isRecording = false;
    QWidget *m_field = nullptr;
    QPushButton *m_button = nullptr;
};
