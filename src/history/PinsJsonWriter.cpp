#include "history/PinsJson.h"

#include "history/formats/Base64.h"

#include <charconv>
#include <cmath>

namespace {

constexpr qsizetype kPieceSize = qsizetype(1) << 20;

class Writer {
public:
    explicit Writer(const std::function<bool(QByteArrayView)> &sink)
        : m_sink(sink) {
        m_buffer.reserve(2 * kPieceSize + 4096);
    }

    void raw(QByteArrayView text) {
        m_buffer.append(text);
        flushIfFull();
    }

    void string(const QString &text) {
        const QByteArray utf8 = text.toUtf8();
        m_buffer.append('"');
        const char *run = utf8.constData();
        const char *const end = run + utf8.size();
        for (const char *at = run; at < end; ++at) {
            const auto c = static_cast<unsigned char>(*at);
            if (c >= 0x20 && c != '"' && c != '\\')
                continue;
            m_buffer.append(run, at - run);
            run = at + 1;
            switch (c) {
            case '"':
                m_buffer.append("\\\"");
                break;
            case '\\':
                m_buffer.append("\\\\");
                break;
            case '\b':
                m_buffer.append("\\b");
                break;
            case '\f':
                m_buffer.append("\\f");
                break;
            case '\n':
                m_buffer.append("\\n");
                break;
            case '\r':
                m_buffer.append("\\r");
                break;
            case '\t':
                m_buffer.append("\\t");
                break;
            default: {
                static constexpr char hex[] = "0123456789abcdef";
                const char escape[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
                m_buffer.append(escape, sizeof escape);
            }
            }
        }
        m_buffer.append(run, end - run);
        m_buffer.append('"');
        flushIfFull();
    }

    void base64(const QByteArray &bytes) {
        m_buffer.append('"');
        // Whole groups of three per piece, so the pieces join into one encoding.
        constexpr qsizetype chunk = kPieceSize / 4 * 3;
        for (qsizetype at = 0; at < bytes.size() && m_ok; at += chunk) {
            const QByteArrayView part =
                QByteArrayView(bytes).sliced(at, qMin(chunk, bytes.size() - at));
            const qsizetype used = m_buffer.size();
            m_buffer.resize(used + Base64::encodedSize(part.size()));
            Base64::encode(part, m_buffer.data() + used);
            flushIfFull();
        }
        m_buffer.append('"');
    }

    void number(double value) {
        // JSON has no NaN or infinity; such a time would make the whole file unreadable.
        if (!std::isfinite(value))
            value = 0;
        char digits[32];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        m_buffer.append(digits, result.ptr - digits);
    }

    void boolean(bool value) { m_buffer.append(value ? "true" : "false"); }

    bool finish() {
        flush();
        return m_ok;
    }

private:
    void flushIfFull() {
        if (m_buffer.size() >= kPieceSize)
            flush();
    }
    void flush() {
        if (m_ok && !m_buffer.isEmpty())
            m_ok = m_sink(m_buffer);
        m_buffer.resize(0); // keeps the capacity
    }

    const std::function<bool(QByteArrayView)> &m_sink;
    QByteArray m_buffer;
    bool m_ok = true;
};

void writeEntry(Writer &out, const ClipboardItem &item) {
    out.raw("{\"id\":\"");
    out.raw(item.id.toByteArray(QUuid::WithoutBraces).toUpper());
    out.raw("\",\"kind\":\"");
    out.raw(kindRawValue(item.kind).toLatin1());
    out.raw("\",\"text\":");
    out.string(item.text);
    if (item.rtfData) {
        out.raw(",\"rtfData\":");
        out.base64(*item.rtfData);
    }
    if (item.imageData) {
        out.raw(",\"imageData\":");
        out.base64(*item.imageData);
    }
    out.raw(",\"containsLink\":");
    out.boolean(item.containsLink);
    out.raw(",\"copiedAt\":");
    out.number(item.copiedAt);
    out.raw(",\"isPinned\":");
    out.boolean(item.isPinned);
    out.raw("}");
}

} // namespace

namespace PinsJson {

bool write(const QList<ClipboardItem> &items, const std::function<bool(QByteArrayView)> &sink) {
    Writer out(sink);
    out.raw("[");
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            out.raw(",");
        writeEntry(out, items.at(i));
    }
    out.raw("]");
    return out.finish();
}

QByteArray encode(const QList<ClipboardItem> &items) {
    QByteArray json;
    write(items, [&json](QByteArrayView piece) {
        json.append(piece);
        return true;
    });
    return json;
}

} // namespace PinsJson
