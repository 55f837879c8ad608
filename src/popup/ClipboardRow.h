#pragma once

#include "history/ClipboardItem.h"
#include "popup/IconButton.h"

#include <QFutureWatcher>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <functional>

// One history entry in the popup: a one-line preview (or a thumbnail for an image), a link
// marker, the plain-paste control on rich rows, the pin control, on an accent highlight when
// selected. Decides nothing: it reports its controls' presses, and a click anywhere else on it
// as clicked(). An image row starts decoding its picture when built, never before, unless it is
// given the picture decoded already.
class ClipboardRow : public QWidget {
    Q_OBJECT
public:
    // onPastePlain empty: no plain-paste control. `decoded`: the thumbnail() of an earlier row
    // of the entry, if any.
    ClipboardRow(ClipboardItem item, bool isSelected, std::function<void()> onTogglePin,
                 std::function<void()> onPastePlain, QWidget *parent = nullptr,
                 QImage decoded = {});
    ~ClipboardRow() override;

    // The height a row of this entry takes, known without decoding any image.
    static int heightFor(const ClipboardItem &item);

    const ClipboardItem &item() const { return m_item; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    // What the row shows: the preview text, or "Image" beside a thumbnail.
    bool showsThumbnail() const;
    QString leadingText() const;
    // The thumbnail's pixels once decoded; null before.
    QImage thumbnail() const { return m_thumbnail; }
    QRect thumbnailRect() const;
    bool showsLinkMarker() const { return m_item.containsLink; }
    QColor textColour() const;
    QColor linkColour() const;
    IconButton *pinButton() const { return m_pinButton; }
    IconButton *plainPasteButton() const { return m_plainButton; }

Q_SIGNALS:
    void clicked();
    void thumbnailDecoded();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void restyle();
    void placeControls();
    QColor pinColour() const;
    QColor plainColour() const;
    int leadingRight() const;

    ClipboardItem m_item;
    bool m_selected;
    std::function<void()> m_onTogglePin;
    std::function<void()> m_onPastePlain;
    QSize m_thumbnailSize; // empty: shown as text
    QImage m_thumbnail;
    bool m_pressed = false;
    QFutureWatcher<QImage> m_decoding;
    // Children of the row.
    QPointer<IconButton> m_pinButton;
    QPointer<IconButton> m_plainButton;
};
