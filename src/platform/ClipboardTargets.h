#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

// Which clipboard targets stand for each flavour the history reads, best first. X11 targets and
// the MIME types Wayland clients offer share these names (toolkits offer both on both).
namespace ClipboardTargets {

// Plain text: the targets real applications fill faithfully with UTF-8 come first; a bare
// text/plain or STRING is escaped or Latin-1 in some of them.
QByteArrayList text();
QByteArrayList rtf();
QByteArrayList html();
// The image targets among `offered`: PNG, then formats in the order they are likely to be
// decodable, then any other image/* target in the owner's order.
QByteArrayList images(const QByteArrayList &offered);

// The text in the bytes of a text target.
QString decodeText(const QByteArray &target, const QByteArray &bytes);

inline const QByteArray passwordManagerHint = QByteArrayLiteral("x-kde-passwordManagerHint");

} // namespace ClipboardTargets
