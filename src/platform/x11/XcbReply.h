#pragma once

#include <cstdlib>
#include <memory>

// Owns an xcb reply (or any malloc'd xcb result) from the moment it arrives.
struct XcbFree {
    void operator()(void *p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;
