#pragma once

#include "history/formats/RtfGroupState.h"

#include <QByteArray>
#include <QString>
#include <QTextCursor>

#include <memory>

class CodePageDecoderCache;
class QTextBlockFormat;
class QTextDocument;
class RtfColorTable;
class RtfFieldList;
class RtfFontTable;

// Builds the document from the body text of an RTF stream. Text of one format is gathered into a
// run and inserted in one piece, and bytes in one code page are decoded together, so that
// multi-byte characters split over several \'hh escapes come out whole.
class RtfDocumentBuilder {
public:
    // The tables are read when a run is inserted; they must outlive the builder.
    RtfDocumentBuilder(const RtfFontTable &fonts, const RtfColorTable &colors,
                       const RtfFieldList &fields, CodePageDecoderCache &decoders);
    ~RtfDocumentBuilder();

    void appendText(const RtfRunKey &key, QStringView text);
    void appendBytes(const RtfRunKey &key, QByteArrayView bytes, int codePage);
    // Ends the current paragraph, which takes the given paragraph format.
    void breakParagraph(const RtfParagraphState &paragraph);
    std::unique_ptr<QTextDocument> finish(const RtfParagraphState &lastParagraph);

private:
    void setRunKey(const RtfRunKey &key);
    void decodePending();
    void flushRun();
    QTextCharFormat charFormat(const RtfRunKey &key) const;
    static QTextBlockFormat blockFormat(const RtfParagraphState &paragraph);

    const RtfFontTable &m_fonts;
    const RtfColorTable &m_colors;
    const RtfFieldList &m_fields;
    CodePageDecoderCache &m_decoders;

    std::unique_ptr<QTextDocument> m_document;
    QTextCursor m_cursor;
    RtfRunKey m_runKey;
    QString m_run;
    QByteArray m_pendingBytes;
    int m_pendingCodePage = 0;
};
