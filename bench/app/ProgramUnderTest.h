#pragma once

// The program under test as the driver runs it: started with its standard error on a pipe, each
// line stamped on the monotonic clock as it arrives.

#include "ProcessUsage.h"

#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace benchapp {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void fail(const std::string &message) {
    throw Failure(message);
}

struct Line {
    long long ns; // when it was read from the pipe
    std::string text;
};

struct Recorded {
    long long ns = 0;
    std::string kind;
    long long imageBytes = 0;
    std::string text;
};

// "tallowquill: recorded KIND, N recent, T text bytes, R rtf bytes, I image bytes: TEXT"
std::optional<Recorded> parseRecorded(const Line &line);

// The program under test, its standard error read line by line and each line stamped on the
// monotonic clock as it arrives.
class Program {
public:
    Program(std::string path, std::string logPath)
        : m_path(std::move(path))
        , m_log(logPath, std::ios::app) {}

    void start() {
        int pipe[2];
        if (fd >= 0)
            ::close(fd);
        if (::pipe2(pipe, O_CLOEXEC) != 0)
            fail("no pipe");
        startedNs = monotonicNanoseconds();
        pid = ::fork();
        if (pid == 0) {
            ::dup2(pipe[1], STDERR_FILENO);
            ::execl(m_path.c_str(), m_path.c_str(), static_cast<char *>(nullptr));
            ::_exit(127);
        }
        ::close(pipe[1]);
        fd = pipe[0];
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
        lines.clear();
        m_partial.clear();
        m_log << "--- started " << m_path << '\n';
    }

    const std::string &path() const { return m_path; }

    void read() {
        if (fd < 0)
            return;
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got > 0) {
                const long long now = monotonicNanoseconds();
                m_partial.append(buffer, std::size_t(got));
                for (std::size_t end; (end = m_partial.find('\n')) != std::string::npos;) {
                    lines.push_back({now, m_partial.substr(0, end)});
                    m_log << lines.back().text << '\n';
                    m_partial.erase(0, end + 1);
                }
                continue;
            }
            if (got == 0) {
                ::close(fd);
                fd = -1;
            }
            break;
        }
        m_log.flush();
    }

    bool running() {
        if (pid <= 0)
            return false;
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            pid = 0;
        return pid > 0;
    }

    pid_t pid = 0;
    int fd = -1;
    long long startedNs = 0;
    std::vector<Line> lines;

private:
    std::string m_path;
    std::ofstream m_log;
    std::string m_partial;
};

} // namespace benchapp
