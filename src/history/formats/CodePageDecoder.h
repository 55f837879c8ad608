#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <memory>

// Text in a legacy byte encoding (a Windows code page, Shift_JIS, ...). Windows-1252 is built in,
// so the most common legacy text decodes even where Qt has no converter for it; any other
// encoding comes from Qt's converters and falls back to windows-1252 when Qt lacks it.
class CodePageDecoder {
public:
    // name: an encoding label such as "windows-1253"; empty means windows-1252.
    explicit CodePageDecoder(const QByteArray &name = {});

    // The decoder for a Windows code page number as RTF names it (\ansicpg1253, \cpg932).
    static CodePageDecoder forCodePage(int codePage);
    // The Windows code page of an RTF font charset (\fcharset161 = Greek = 1253); 0 if none.
    static int codePageOfCharset(int charset);

    // Each call is independent: a multi-byte sequence must not be split between calls.
    QString decode(QByteArrayView bytes) const;

private:
    std::shared_ptr<QStringDecoder> m_decoder; // null: built-in windows-1252
};

// Windows-1252: Latin-1 with printable characters in 0x80-0x9F.
QString decodeWindows1252(QByteArrayView bytes);
