#pragma once

#include "history/formats/CodePageDecoder.h"

#include <QHash>

// Decoders by code page, made on first use. Bounded, since every \cpgN of a document may name
// another one.
class CodePageDecoderCache {
public:
    const CodePageDecoder &forCodePage(int codePage) {
        auto found = m_decoders.find(codePage);
        if (found == m_decoders.end()) {
            if (m_decoders.size() >= kMaxDecoders)
                m_decoders.clear();
            found = m_decoders.insert(codePage, CodePageDecoder::forCodePage(codePage));
        }
        return *found;
    }

private:
    static constexpr qsizetype kMaxDecoders = 16;

    QHash<int, CodePageDecoder> m_decoders;
};
