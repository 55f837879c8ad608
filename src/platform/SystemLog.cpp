#include "platform/SystemLog.h"

#include <cstdio>
#include <syslog.h>

namespace {
SystemLog::Capture *g_capture = nullptr;
}

void SystemLog::write(const QString &line) {
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

SystemLog::Capture::Capture()
    : m_previous(g_capture) {
    g_capture = this;
}

SystemLog::Capture::~Capture() {
    g_capture = m_previous;
}
