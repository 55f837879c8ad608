#pragma once

#include "history/ClipboardItem.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The pins file's content: one compact JSON array of entries, each an object with the keys
// "id" (upper-case UUID without braces), "kind", "text", "rtfData" and "imageData" (standard
// Base64, only when present), "containsLink", "copiedAt" and "isPinned". Written and read without
// going through QJsonDocument, which would copy every Base64 field several times over; the
// entries read are exactly those ClipboardItem::fromJson accepts.
namespace PinsJson {

// Hands the encoding of items to sink in pieces of about a megabyte. Stops at the first piece the
// sink refuses (returns false) and then returns false itself.
bool write(const QList<ClipboardItem> &items, const std::function<bool(QByteArrayView)> &sink);
QByteArray encode(const QList<ClipboardItem> &items);

// The entries of a pins file in file order, as they stand (isPinned included). Nothing, with a
// description in *error, when the text is not JSON, its top level is not an array or any one
// element is not an entry.
std::optional<QList<ClipboardItem>> read(QByteArrayView json, QString *error = nullptr);

} // namespace PinsJson
