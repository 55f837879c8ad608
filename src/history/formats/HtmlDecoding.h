#pragma once

#include <QByteArray>
#include <QString>

// The text of an HTML flavour: decoded by its byte-order mark (UTF-8, UTF-16 LE/BE), else by
// its <meta charset>, else as UTF-8. A trailing NUL byte, as some programs send, is dropped.
QString decodeHtml(const QByteArray &html);
