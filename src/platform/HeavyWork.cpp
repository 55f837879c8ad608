#include "platform/HeavyWork.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace HeavyWork {

namespace {
std::atomic<std::thread::id> g_forbidden{};
} // namespace

void forbidOnThisThread() {
    g_forbidden = std::this_thread::get_id();
}

void check([[maybe_unused]] const char *what) {
#ifdef TQ_CHECK_UI_THREAD
    if (std::this_thread::get_id() == g_forbidden.load()) {
        std::fprintf(stderr, "tallowquill: %s on the user-interface thread\n", what);
        std::abort();
    }
#endif
}

} // namespace HeavyWork
