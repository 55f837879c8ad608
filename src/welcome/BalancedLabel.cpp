#include "welcome/BalancedLabel.h"

#include <QFontMetrics>

#include <algorithm>

namespace {

// Greedy: each line takes words while they fit; a word wider than `width` gets a line alone.
QStringList wrap(const QStringList &words, const QFontMetrics &metrics, int width) {
    QStringList lines;
    for (const QString &word : words) {
        if (!lines.isEmpty() &&
            metrics.horizontalAdvance(lines.last() + QLatin1Char(' ') + word) <= width)
            lines.last() += QLatin1Char(' ') + word;
        else
            lines.append(word);
    }
    return lines;
}

// `text` broken at spaces into as few lines as fit `width`, each as short as that many lines
// allow.
QString balancedLines(const QString &text, const QFontMetrics &metrics, int width) {
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const qsizetype count = wrap(words, metrics, width).size();
    // The narrowest width that still needs no more lines.
    int low = 0;
    int high = width;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (wrap(words, metrics, middle).size() <= count)
            high = middle;
        else
            low = middle + 1;
    }
    return wrap(words, metrics, high).join(QLatin1Char('\n'));
}

} // namespace

BalancedLabel::BalancedLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
    , m_text(text) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

QSize BalancedLabel::minimumSizeHint() const {
    int widest = 0;
    for (const QString &word : m_text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        widest = std::max(widest, fontMetrics().horizontalAdvance(word));
    return {widest, QLabel::minimumSizeHint().height()};
}

void BalancedLabel::resizeEvent(QResizeEvent *event) {
    QLabel::resizeEvent(event);
    // Lines are chosen for the width the layout gave; the text's new hint does not change it,
    // as the label takes the room its row leaves.
    const QString lines = balancedLines(m_text, fontMetrics(), width());
    if (lines != text())
        setText(lines);
}
