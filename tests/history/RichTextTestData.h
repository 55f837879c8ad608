#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The bytes of a payload in tests/data/richtext (copies of real clipboard contents).
inline QByteArray richTextData(const char *name) {
    QFile file(QStringLiteral(TQ_TEST_DATA_DIR "/richtext/") + QString::fromUtf8(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
