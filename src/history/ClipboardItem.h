#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <memory>
#include <optional>

struct ItemDetails;

// One entry of the clipboard history: a plain value record. Two entries are equal exactly when
// their ids are equal; equal content is a different test (the monitor's duplicate rule).
struct ClipboardItem {
    enum class Kind { text, rich, image };

    QUuid id;
    Kind kind = Kind::text;
    QString text;                        // "Image" for image entries
    std::optional<QByteArray> rtfData;   // an RTF document; rich entries only
    std::optional<QByteArray> imageData; // a PNG file; image entries only
    bool containsLink = false;
    double copiedAt = 0; // seconds since 2001-01-01 00:00:00 UTC
    bool isPinned = false;
    // Worked out from the content on the capture worker (ItemDetails.h); empty until then. Not
    // part of the value: copies share it, the pins file never holds it.
    mutable std::shared_ptr<const ItemDetails> details;

    // A row shows one line: the label never holds more than this many characters, and no more
    // than the first previewScan characters of the text are looked at for it.
    static constexpr qsizetype maxPreviewLength = 1000;
    static constexpr qsizetype previewScan = 64 * 1024;

    // The one-line label of a row: the first non-empty line of the trimmed text, with the
    // white space inside it (also at its end) kept; of a text longer than previewScan, of its
    // first previewScan characters.
    QString preview() const;

    // Reads one element of the pins file (its format is in PinsJson.h).
    // Fails (nullopt, with a description in *error) on a missing required key, a wrong JSON type,
    // an unknown kind, a malformed UUID or malformed Base64. Unknown keys are ignored.
    static std::optional<ClipboardItem> fromJson(const QJsonObject &object,
                                                 QString *error = nullptr);

    // A new entry with an id of its own, unpinned, with no bytes and no link yet.
    static ClipboardItem make(Kind kind, const QString &text, double copiedAt);

    // The current time in the form of copiedAt.
    static double now();

    friend bool operator==(const ClipboardItem &a, const ClipboardItem &b) { return a.id == b.id; }
};

QString kindRawValue(ClipboardItem::Kind kind);
std::optional<ClipboardItem::Kind> kindFromRawValue(const QString &raw);

// Whether c belongs to the whitespace-and-newline set: Zs, Zl, Zp, U+0009..U+000D and U+0085.
bool isWhitespaceOrNewline(QChar c);
// text without leading and trailing characters of the whitespace-and-newline set.
QString trimmedWhitespaceAndNewlines(const QString &text);
