#pragma once

#include <QAbstractButton>
#include <QVariantAnimation>

// The guide's full-width button: a symbol and a title on a rounded fill, either prominent (white
// on the accent colour) or plain (primary on a faint fill with a border). Hovering lightens it
// and shows the pointing hand; changes of hover and prominence fade. Clicks arrive as clicked().
class GuideButton : public QAbstractButton {
    Q_OBJECT
public:
    // `symbol` is one of WelcomeStyle's symbol names, e.g. "arrow.up.forward.app".
    GuideButton(const QString &title, const QString &symbol, bool prominent,
                QWidget *parent = nullptr);

    QString title() const { return text(); }
    QString symbol() const { return m_symbol; }
    void setSymbol(const QString &symbol);
    bool isProminent() const { return m_prominent; }
    // Fades to the new look over 0.18 s while shown.
    void setProminent(bool prominent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setHovering(bool hovering);
    void fade(QVariantAnimation &animation, double &value, double target, int milliseconds);

    QString m_symbol;
    bool m_prominent;
    bool m_hovering = false;
    // Drawn values, 0..1, that follow the two states.
    double m_hoverAmount = 0;
    double m_prominence;
    QVariantAnimation m_hoverFade;
    QVariantAnimation m_prominenceFade;
};
