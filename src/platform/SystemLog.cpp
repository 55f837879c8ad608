#include "platform/SystemLog.h"

#include <cstdio>
#include <mutex>
#include <syslog.h>

namespace {
// Lines come from the capture worker too.
std::mutex g_mutex;
SystemLog::Capture *g_capture = nullptr;
} // namespace

void SystemLog::write(const QString &line) {
    const std::lock_guard lock(g_mutex);
    const QByteArray utf8 = line.toUtf8();
    static const bool opened = [] {
        openlog("tallowquill", LOG_PID, LOG_USER);
        return true;
    }();
    Q_UNUSED(opened);
    syslog(LOG_WARNING, "%s", utf8.constData());
    std::fprintf(stderr, "%s\n", utf8.constData());
    std::fflush(stderr);
    if (g_capture)
        g_capture->m_lines.append(line);
}

SystemLog::Capture::Capture() {
    const std::lock_guard lock(g_mutex);
    m_previous = g_capture;
    g_capture = this;
}

SystemLog::Capture::~Capture() {
    const std::lock_guard lock(g_mutex);
    g_capture = m_previous;
}

QStringList SystemLog::Capture::lines() const {
    const std::lock_guard lock(g_mutex);
    return m_lines;
}
