#pragma once

#include <QWidget>

class AppSettings;
class HotKeyManager;
class QPushButton;

// Shows the global shortcut and records a new one by pressing it. While recording, every key
// press that reaches the program is taken by an application-wide filter and none reaches a
// window: Escape cancels; a key with none of Super, Shift, Alt and Ctrl (or one the shortcut
// cannot name) is passed over; any other becomes the shortcut (the mask is stored first, then
// the key). The global grab is released meanwhile, or pressing the current shortcut would open
// the popup instead of being recorded. Hiding the view cancels a recording.
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
    void hideEvent(QHideEvent *event) override;

private:
    void refresh();

    AppSettings &m_settings;
    HotKeyManager &m_hotKeys;
    bool m_isRecording = false;
    QWidget *m_field = nullptr;
    QPushButton *m_button = nullptr;
};
