#pragma once

#include "history/ClipboardItem.h"

#include <QByteArray>
#include <QString>

// What the duplicate test of the history needs from one entry, worked out once when the entry
// joins a list, so that comparing a new copy against a full history stays cheap however large
// the entries are. Two keys are equal exactly when their entries have the same content:
// - two images when both lack their bytes, or both bytes are identical;
// - two non-images (text and rich alike) when their texts are canonically equivalent, or, for
//   texts with a run of more than maxCombiningRun combining marks, identical;
// - an image and a non-image never.
class ContentKey {
public:
    // Normalising sorts each run of combining marks in time quadratic in its length. Unicode's
    // stream-safe text format (UAX #15) allows at most 30 in a row: a longer run is no writing.
    static constexpr int maxCombiningRun = 30;

    // Normalises the text: heavy work, for the capture worker.
    explicit ContentKey(const ClipboardItem &item);

    // Memory the key holds that it does not share with the entry.
    qint64 ownBytes() const { return m_ownBytes; }

    friend bool operator==(const ContentKey &a, const ContentKey &b);

private:
    bool m_isImage = false;
    bool m_hasBytes = false;
    size_t m_hash = 0;
    qint64 m_ownBytes = 0;
    QString m_text;     // NFC; shares the entry's text when that is already NFC
    QByteArray m_bytes; // shares the entry's image bytes
};
