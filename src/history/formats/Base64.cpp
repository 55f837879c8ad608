#include "history/formats/Base64.h"

#include "platform/LargeBuffer.h"

#include <QtEndian>

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// One table per position in a group of four, each holding the character's six bits already
// shifted into place; characters outside the alphabet set bit 24, so one test after the loop
// finds them all.
constexpr std::uint32_t kInvalid = 1u << 24;

using DecodeTable = std::array<std::uint32_t, 256>;

constexpr DecodeTable makeTable(int shift) {
    DecodeTable table{};
    for (auto &entry : table)
        entry = kInvalid;
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(kAlphabet[i])] = std::uint32_t(i) << shift;
    return table;
}

constexpr DecodeTable kTable0 = makeTable(18);
constexpr DecodeTable kTable1 = makeTable(12);
constexpr DecodeTable kTable2 = makeTable(6);
constexpr DecodeTable kTable3 = makeTable(0);

inline std::uint32_t quad(const unsigned char *in) {
    return kTable0[in[0]] | kTable1[in[1]] | kTable2[in[2]] | kTable3[in[3]];
}

} // namespace

namespace Base64 {

void encode(QByteArrayView bytes, char *out) {
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype full = bytes.size() / 3 * 3;
    for (qsizetype i = 0; i < full; i += 3) {
        const std::uint32_t group = (std::uint32_t(in[i]) << 16) | (std::uint32_t(in[i + 1]) << 8) |
                                    std::uint32_t(in[i + 2]);
        out[0] = kAlphabet[group >> 18];
        out[1] = kAlphabet[(group >> 12) & 63];
        out[2] = kAlphabet[(group >> 6) & 63];
        out[3] = kAlphabet[group & 63];
        out += 4;
    }
    const qsizetype rest = bytes.size() - full;
    if (rest == 0)
        return;
    const std::uint32_t group =
        (std::uint32_t(in[full]) << 16) | (rest == 2 ? std::uint32_t(in[full + 1]) << 8 : 0);
    out[0] = kAlphabet[group >> 18];
    out[1] = kAlphabet[(group >> 12) & 63];
    out[2] = rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
    out[3] = '=';
}

QByteArray encode(QByteArrayView bytes) {
    QByteArray text = LargeBuffer::uninitialized(encodedSize(bytes.size()));
    encode(bytes, text.data());
    return text;
}

std::optional<QByteArray> decode(QByteArrayView text) {
    const qsizetype size = text.size();
    if (size % 4 != 0)
        return std::nullopt;
    if (size == 0)
        return QByteArray("");
    const auto *in = reinterpret_cast<const unsigned char *>(text.data());
    const int padding = in[size - 1] != '=' ? 0 : in[size - 2] != '=' ? 1 : 2;
    const qsizetype groups = size / 4 - (padding ? 1 : 0);

    QByteArray bytes = LargeBuffer::uninitialized(size / 4 * 3 - padding);
    auto *out = reinterpret_cast<unsigned char *>(bytes.data());
    std::uint32_t seen = 0;
    qsizetype g = 0;
    // Two groups at a time, stored as one eight-byte word whose last two bytes the next store
    // overwrites; the final group is left to the loop below, so nothing is written past the end.
    for (; g + 2 < groups; g += 2) {
        const std::uint32_t first = quad(in + 4 * g);
        const std::uint32_t second = quad(in + 4 * g + 4);
        seen |= first | second;
        const quint64 word = (quint64(first) << 40) | (quint64(second) << 16);
        qToBigEndian(word, out);
        out += 6;
    }
    for (; g < groups; ++g) {
        const std::uint32_t group = quad(in + 4 * g);
        seen |= group;
        out[0] = static_cast<unsigned char>(group >> 16);
        out[1] = static_cast<unsigned char>(group >> 8);
        out[2] = static_cast<unsigned char>(group);
        out += 3;
    }
    if (padding) {
        // The last group with its '=' read as 'A', which adds only zero bits.
        const unsigned char last[4] = {in[size - 4], in[size - 3],
                                       padding == 2 ? (unsigned char)'A' : in[size - 2], 'A'};
        const std::uint32_t group = quad(last);
        seen |= group;
        out[0] = static_cast<unsigned char>(group >> 16);
        if (padding == 1)
            out[1] = static_cast<unsigned char>(group >> 8);
    }
    if (seen & kInvalid)
        return std::nullopt;
    return bytes;
}

} // namespace Base64
