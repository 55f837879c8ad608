// Feeds arbitrary bytes to the RTF reader: it must neither crash nor hang, whatever it gets.

#include "history/formats/RtfReader.h"

#include <QByteArray>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // Most inputs would be refused at the first byte; start them as RTF so the parser runs.
    QByteArray rtf = "{\\rtf1 ";
    rtf.append(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto document = documentFromRtf(rtf))
        (void)document->toHtml();
    // And as given, to cover the check for the header itself.
    (void)documentFromRtf(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
