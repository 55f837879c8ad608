#include "platform/LargeBuffer.h"

#include <cstdint>
#include <sys/mman.h>

namespace {
constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
}

namespace LargeBuffer {

QByteArray uninitialized(qsizetype size) {
    QByteArray buffer(size, Qt::Uninitialized);
    if (size < qsizetype(2 * kHugePage))
        return buffer;
    // Only whole, aligned huge pages inside the array can be given; the ends keep small pages.
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer.data());
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + std::uintptr_t(size)) & ~(kHugePage - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
    return buffer;
}

} // namespace LargeBuffer
