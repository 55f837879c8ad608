#include "history/formats/CodePageDecoder.h"

namespace {

// 0x80-0x9F of windows-1252. The five holes map to the C1 controls, as browsers do.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isWindows1252Label(const QByteArray &name) {
    const QByteArray n = name.toLower();
    return n.isEmpty() || n == "windows-1252" || n == "cp1252" || n == "x-cp1252";
}

QByteArray nameOfCodePage(int codePage) {
    switch (codePage) {
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 10000:
        return "macintosh";
    case 20127:
        return "US-ASCII";
    case 28591:
        return "windows-1252";
    case 65001:
        return "UTF-8";
    default:
        break;
    }
    if (codePage == 874 || (codePage >= 1250 && codePage <= 1258))
        return "windows-" + QByteArray::number(codePage);
    return "cp" + QByteArray::number(codePage);
}

} // namespace

QString decodeWindows1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *out++ = (b >= 0x80 && b < 0xA0) ? kWindows1252High[b - 0x80] : char16_t(b);
    }
    return text;
}

CodePageDecoder::CodePageDecoder(const QByteArray &name) {
    if (isWindows1252Label(name))
        return;
    auto decoder =
        std::make_shared<QStringDecoder>(name.constData(), QStringDecoder::Flag::Stateless);
    if (decoder->isValid())
        m_decoder = std::move(decoder);
}

CodePageDecoder CodePageDecoder::forCodePage(int codePage) {
    return CodePageDecoder(nameOfCodePage(codePage));
}

int CodePageDecoder::codePageOfCharset(int charset) {
    switch (charset) {
    case 0:
        return 1252;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0; // 1 (default), 2 (symbol) and unknown ones follow the document's code page
    }
}

QString CodePageDecoder::decode(QByteArrayView bytes) const {
    if (!m_decoder)
        return decodeWindows1252(bytes);
    return m_decoder->decode(bytes);
}
