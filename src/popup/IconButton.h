#pragma once

#include <QAbstractButton>
#include <QColor>

// A borderless button that is only its symbol: no bezel, no background, no keyboard focus (the
// list keeps the keys).
class IconButton : public QAbstractButton {
    Q_OBJECT
public:
    IconButton(const QString &symbol, int points, const QColor &colour, QWidget *parent = nullptr);

    QString symbol() const { return m_symbol; }
    QColor colour() const { return m_colour; }
    void setColour(const QColor &colour);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_symbol;
    int m_points;
    QColor m_colour;
};
