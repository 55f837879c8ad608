#pragma once

#include <QLabel>

// A short text, a title, that wraps only when its width makes it, and then into lines of even
// length: never a last word left alone on a line of its own.
class BalancedLabel : public QLabel {
public:
    explicit BalancedLabel(const QString &text, QWidget *parent = nullptr);

    // Narrow down to its longest word.
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QString m_text;
};
