#include "WaylandCopier.h"

#include "ProcessUsage.h"
#include "ProgramUnderTest.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

extern char **environ;

namespace benchapp {

namespace {

// Closes the descriptor when it goes out of scope, also when a copy fails.
struct Fd {
    int fd = -1;
    Fd() = default;
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
    void close() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

struct FileActions {
    posix_spawn_file_actions_t actions{};
    FileActions() { posix_spawn_file_actions_init(&actions); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions); }
    FileActions(const FileActions &) = delete;
    FileActions &operator=(const FileActions &) = delete;
};

} // namespace

WaylandCopier::~WaylandCopier() {
    clear();
}

int WaylandCopier::copy(const std::string &type, std::shared_ptr<const std::string> data) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        fail("no pipe");
    Fd readEnd;
    Fd writeEnd;
    readEnd.fd = ends[0];
    writeEnd.fd = ends[1];

    // A short text goes as an argument: from standard input wl-copy starts a cat of its own to
    // read it, and without a type an xdg-mime too, which would count in the copy's time.
    const bool asArgument =
        type.empty() && data->size() <= 4096 && data->find('\0') == std::string::npos;
    std::vector<std::string> command{"wl-copy", "--foreground", "--type",
                                     type.empty() ? "text/plain;charset=utf-8" : type};
    if (asArgument)
        command.insert(command.end(), {"--", *data});
    std::vector<char *> argv;
    for (const std::string &argument : command)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    // Its standard output would land in the driver's results.
    FileActions files;
    posix_spawn_file_actions_adddup2(&files.actions, readEnd.fd, STDIN_FILENO);
    posix_spawn_file_actions_addopen(&files.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);

    Copy copy;
    copy.startedNs = monotonicNanoseconds();
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], &files.actions, nullptr, argv.data(), environ) != 0)
        fail("cannot start wl-copy");
    m_owners.push_back(pid);
    readEnd.close();
    for (std::size_t sent = 0; !asArgument && sent < data->size();) {
        const ssize_t wrote = ::write(writeEnd.fd, data->data() + sent, data->size() - sent);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            fail("wl-copy did not take its input");
        sent += std::size_t(wrote);
    }
    writeEnd.close();
    copy.writtenNs = monotonicNanoseconds();
    m_copies.push_back(copy);
    return int(m_copies.size()) - 1;
}

long long WaylandCopier::listTypesNs() {
    char program[] = "wl-paste";
    char option[] = "--list-types";
    char *const argv[] = {program, option, nullptr};
    FileActions files;
    posix_spawn_file_actions_addopen(&files.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const long long started = monotonicNanoseconds();
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], &files.actions, nullptr, argv, environ) != 0)
        fail("cannot start wl-paste");
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail("wl-paste --list-types failed");
    return monotonicNanoseconds() - started;
}

void WaylandCopier::reap() {
    std::erase_if(m_owners, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) == pid; });
}

void WaylandCopier::clear() {
    for (const pid_t pid : m_owners) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    m_owners.clear();
}

} // namespace benchapp
