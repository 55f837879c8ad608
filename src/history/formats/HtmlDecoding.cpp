#include "history/formats/HtmlDecoding.h"

#include "history/formats/CodePageDecoder.h"

#include <QStringDecoder>

#include <optional>

namespace {

// How far into the bytes a <meta> declaration is looked for; browsers look at the first 1024
// bytes, but pages with long inline styles push it further.
constexpr qsizetype kMetaScanLimit = 4096;

QString decodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    return decoder.decode(bytes);
}

// The length of the byte-order mark Qt recognised. The mark is sliced off before decoding: Qt's
// UTF-16 decoder reads a lone trailing byte differently when a mark precedes it.
qsizetype markLength(QStringConverter::Encoding encoding) {
    switch (encoding) {
    case QStringConverter::Utf8:
        return 3;
    case QStringConverter::Utf32:
    case QStringConverter::Utf32LE:
    case QStringConverter::Utf32BE:
        return 4;
    default:
        return 2;
    }
}

// UTF-16 without a byte-order mark still shows up (side targets of some browsers): markup
// starts with ASCII, so every other byte of the first characters is zero.
std::optional<QStringConverter::Encoding> sniffUtf16(QByteArrayView bytes) {
    if (bytes.size() < 4)
        return std::nullopt;
    const bool zeroAt[4] = {bytes[0] == 0, bytes[1] == 0, bytes[2] == 0, bytes[3] == 0};
    if (!zeroAt[0] && zeroAt[1] && !zeroAt[2] && zeroAt[3])
        return QStringConverter::Utf16LE;
    if (zeroAt[0] && !zeroAt[1] && zeroAt[2] && !zeroAt[3])
        return QStringConverter::Utf16BE;
    return std::nullopt;
}

std::optional<qsizetype> headerValue(QByteArrayView header, QByteArrayView key) {
    const qsizetype at = header.indexOf(key);
    if (at < 0)
        return std::nullopt;
    qsizetype i = at + key.size();
    qsizetype end = i;
    while (end < header.size() &&
           (header[end] == '-' || (header[end] >= '0' && header[end] <= '9')))
        ++end;
    bool ok = false;
    const qsizetype value = header.sliced(i, end - i).toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

// The clipboard format of another desktop ("Version:0.9", "StartHTML:...") sometimes reaches
// text/html through compatibility layers: keep only the HTML that its offsets point at.
QByteArrayView withoutHtmlEnvelope(QByteArrayView bytes) {
    if (!bytes.startsWith("Version:"))
        return bytes;
    const qsizetype firstTag = bytes.indexOf('<');
    const QByteArrayView header = bytes.first(firstTag < 0 ? bytes.size() : firstTag);
    const auto start = headerValue(header, "StartHTML:");
    const auto end = headerValue(header, "EndHTML:");
    if (start && *start >= header.size() && *start < bytes.size()) {
        const qsizetype stop = (end && *end > *start && *end <= bytes.size()) ? *end : bytes.size();
        return bytes.sliced(*start, stop - *start);
    }
    return firstTag < 0 ? QByteArrayView() : bytes.sliced(firstTag);
}

bool isLabelChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
           c == ':';
}

// The charset named by the first <meta charset=...> or <meta http-equiv content="...;
// charset=..."> in the head of the bytes, lower-cased; empty if there is none.
QByteArray metaCharset(QByteArrayView bytes) {
    const QByteArray head = bytes.first(qMin(bytes.size(), kMetaScanLimit)).toByteArray().toLower();
    qsizetype at = 0;
    while ((at = head.indexOf("<meta", at)) >= 0) {
        qsizetype tagEnd = head.indexOf('>', at);
        if (tagEnd < 0)
            tagEnd = head.size();
        const QByteArrayView tag = QByteArrayView(head).sliced(at, tagEnd - at);
        at = tagEnd;
        const qsizetype key = tag.indexOf("charset");
        if (key < 0)
            continue;
        qsizetype i = key + 7;
        auto skipSpaces = [&] {
            while (i < tag.size() &&
                   (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '\n' || tag[i] == '\r'))
                ++i;
        };
        skipSpaces();
        if (i >= tag.size() || tag[i] != '=')
            continue;
        ++i;
        skipSpaces();
        if (i < tag.size() && (tag[i] == '"' || tag[i] == '\''))
            ++i;
        const qsizetype begin = i;
        while (i < tag.size() && isLabelChar(tag[i]))
            ++i;
        if (i > begin)
            return tag.sliced(begin, i - begin).toByteArray();
    }
    return {};
}

// Labels that browsers read as windows-1252, whatever they literally say.
bool meansWindows1252(const QByteArray &label) {
    static const char *const labels[] = {
        "windows-1252", "cp1252",      "x-cp1252",       "iso-8859-1",
        "iso8859-1",    "iso_8859-1",  "latin1",         "l1",
        "us-ascii",     "ascii",       "cp819",          "ibm819",
        "iso-ir-100",   "csisolatin1", "ansi_x3.4-1968", "iso_8859-1:1987"};
    for (const char *known : labels) {
        if (label == known)
            return true;
    }
    return false;
}

QString decodeDeclared(QByteArrayView bytes) {
    const QByteArray label = metaCharset(bytes);
    // A declaration of UTF-16 in bytes that are readable as ASCII cannot be true.
    if (label.isEmpty() || label == "utf-8" || label == "utf8" || label.startsWith("utf-16") ||
        label.startsWith("utf-32"))
        return decodeWith(QStringConverter::Utf8, bytes);
    if (meansWindows1252(label))
        return decodeWindows1252(bytes);
    QStringDecoder decoder(label.constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return decodeWith(QStringConverter::Utf8, bytes);
    return decoder.decode(bytes);
}

} // namespace

QString decodeHtml(const QByteArray &html) {
    const QByteArrayView bytes = html;
    QString text;
    // Qt's reading of a byte-order mark, the first step of QStringDecoder::decoderForHtml. Its
    // meta step is not used: it takes "latin1" literally and believes a UTF-16 label on ASCII.
    if (const auto marked = QStringConverter::encodingForData(bytes))
        text = decodeWith(*marked, bytes.sliced(markLength(*marked)));
    else if (const auto utf16 = sniffUtf16(bytes))
        text = decodeWith(*utf16, bytes);
    else
        text = decodeDeclared(withoutHtmlEnvelope(bytes));

    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isNull())
        --end;
    text.truncate(end);
    return text;
}
