#pragma once

#include <QByteArrayView>

// One lexical element of an RTF stream.
struct RtfToken {
    enum class Type {
        End,
        GroupOpen,
        GroupClose,
        ControlWord,   // \word or \wordN: word, parameter, hasParameter
        ControlSymbol, // \ followed by one non-letter: symbol ('\n' for a backslash-newline)
        Text,          // a run of literal bytes without \ { } CR LF: data
        HexByte,       // \'hh: byte
        Binary,        // the N raw bytes after \binN: data
    };

    Type type = Type::End;
    QByteArrayView word;
    int parameter = 0;
    bool hasParameter = false;
    char symbol = 0;
    unsigned char byte = 0;
    QByteArrayView data;
};

// Splits RTF bytes into tokens without copying them. Never reads past the end, whatever the
// input; malformed escapes become the nearest sensible token.
class RtfTokenizer {
public:
    explicit RtfTokenizer(QByteArrayView input)
        : m_input(input) {}

    RtfToken next();
    // Moves past the '}' that closes the group the last token lay in, without tokenizing what
    // is inside (pictures can be megabytes of hex). Returns false when the input ends first.
    bool skipGroup();

private:
    RtfToken controlWord();
    int readParameter(bool *present);

    QByteArrayView m_input;
    qsizetype m_pos = 0;
};
