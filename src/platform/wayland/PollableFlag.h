#pragma once

#include "platform/wayland/UniqueFd.h"

#include <atomic>
#include <cstdint>
#include <sys/eventfd.h>

// A flag set once from any thread, which a thread blocked in poll() on fd() sees at once.
class PollableFlag {
public:
    PollableFlag()
        : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

    void set() {
        if (m_set.exchange(true))
            return;
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(m_fd.get(), &one, sizeof one);
    }
    bool isSet() const { return m_set; }
    // Readable once set; -1 when no eventfd could be had, which poll() skips (the flag is then
    // seen only when a wait ends).
    int fd() const { return m_fd.get(); }

private:
    UniqueFd m_fd;
    std::atomic<bool> m_set = false;
};
