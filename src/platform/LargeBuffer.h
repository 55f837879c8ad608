#pragma once

#include <QByteArray>

namespace LargeBuffer {

// A byte array of this size with unspecified contents. Arrays of several megabytes are backed by
// huge pages where the kernel allows: on some machines touching fresh memory one small page at a
// time costs more than filling it.
QByteArray uninitialized(qsizetype size);

} // namespace LargeBuffer
