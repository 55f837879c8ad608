#pragma once

#include "support/TestEnvironment.h"

// The bytes of a payload in tests/data/richtext (copies of real clipboard contents).
inline QByteArray richTextData(const char *name) {
    return tqtest::testData(QStringLiteral("richtext/") + QString::fromUtf8(name));
}
