#pragma once

// The benchmark's other application on Wayland: each copy is a wl-copy of its own, left in the
// foreground as the clipboard's owner until the next copy takes the clipboard from it.

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace benchapp {

class WaylandCopier {
public:
    struct Copy {
        long long startedNs = 0; // wl-copy started: its start is part of the copy
        long long writtenNs = 0; // all of the data handed to it
    };

    WaylandCopier() = default;
    ~WaylandCopier();
    WaylandCopier(const WaylandCopier &) = delete;
    WaylandCopier &operator=(const WaylandCopier &) = delete;

    // Starts wl-copy with the data, of that MIME type (text when empty).
    // Returns the copy's index.
    int copy(const std::string &type, std::shared_ptr<const std::string> data);
    const Copy &copy(int index) const { return m_copies.at(std::size_t(index)); }
    // Waits for the owners that lost the clipboard and ended.
    void reap();
    // Ends every owner, for the next program to start with an empty clipboard.
    void clear();
    // A wl-paste --list-types from start to end, in nanoseconds: what a wl-clipboard process
    // takes to start and reach the compositor, most of a copy's time to be recorded.
    long long listTypesNs();

private:
    std::vector<pid_t> m_owners;
    std::vector<Copy> m_copies;
};

} // namespace benchapp
