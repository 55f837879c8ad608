#pragma once

#include <QWidget>

// The popup's window: frameless, translucent, above other windows, on every workspace (the
// controller marks it so), drawing its own rounded background with a thin border. Reports when
// it stops being the active window and when it has first been painted, anew for every showing.
class PopupPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int cornerRadius = 12;

    explicit PopupPanel(QSize size);

    // Takes the widget as the panel's only content (the panel becomes its parent).
    void setContent(QWidget *content);

    // With a compositor the corners are translucent (the default). Without one they would show
    // black, so the window is cut to its rounded shape instead and drawn opaque.
    void setComposited(bool composited);

Q_SIGNALS:
    // The panel was active and no longer is.
    void deactivated();
    // The first frame since it was shown has been drawn.
    void firstPainted();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    bool m_composited = true;
    bool m_wasActive = false;
    bool m_painted = false;
};
