#include "platform/ClipboardTargets.h"

#include <QStringDecoder>

namespace ClipboardTargets {

QByteArrayList text() {
    return {QByteArrayLiteral("UTF8_STRING"), QByteArrayLiteral("text/plain;charset=utf-8"),
            QByteArrayLiteral("text/plain;charset=UTF-8"), QByteArrayLiteral("text/plain"),
            QByteArrayLiteral("STRING")};
}

QByteArrayList rtf() {
    return {QByteArrayLiteral("text/rtf"), QByteArrayLiteral("text/richtext"),
            QByteArrayLiteral("application/rtf")};
}

QByteArrayList html() {
    return {QByteArrayLiteral("text/html")};
}

QByteArrayList images(const QByteArrayList &offered) {
    static const QByteArrayList preferred{
        QByteArrayLiteral("image/png"),      QByteArrayLiteral("image/jpeg"),
        QByteArrayLiteral("image/jpg"),      QByteArrayLiteral("image/bmp"),
        QByteArrayLiteral("image/x-bmp"),    QByteArrayLiteral("image/x-MS-bmp"),
        QByteArrayLiteral("image/x-ms-bmp"), QByteArrayLiteral("image/x-win-bitmap"),
        QByteArrayLiteral("image/gif"),      QByteArrayLiteral("image/webp"),
        QByteArrayLiteral("image/tiff"),
    };
    QByteArrayList images;
    for (const QByteArray &target : preferred) {
        if (offered.contains(target))
            images.append(target);
    }
    for (const QByteArray &target : offered) {
        if (target.startsWith("image/") && !images.contains(target))
            images.append(target);
    }
    return images;
}

QString decodeText(const QByteArray &target, const QByteArray &bytes) {
    if (target != "STRING")
        return QString::fromUtf8(bytes);
    // STRING is Latin-1 by the book, yet some applications put UTF-8 there.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

} // namespace ClipboardTargets
