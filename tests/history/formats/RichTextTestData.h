#pragma once

#include "support/TestEnvironment.h"

// The bytes of a payload in tests/data/clipboard/rich (copies of real clipboard contents).
inline QByteArray richTextData(const char *name) {
    return tqtest::testData(QStringLiteral("rich/") + QString::fromUtf8(name));
}
