#include "ProcessUsage.h"

#include <dirent.h>

#include <cctype>
#include <ctime>
#include <fstream>
#include <sstream>
#include <tuple>

namespace benchapp {

long long monotonicNanoseconds() {
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

namespace {

std::string readFile(const std::string &path) {
    std::ifstream file(path);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

// The number after "Key:" on the line that starts with it, or -1.
long long field(const std::string &text, const std::string &key) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(key, 0) == 0)
            return std::stoll(line.substr(key.size()));
    }
    return -1;
}

std::string proc(pid_t pid, const std::string &file) {
    return "/proc/" + std::to_string(pid) + "/" + file;
}

} // namespace

Memory memoryOf(pid_t pid) {
    const std::string rollup = readFile(proc(pid, "smaps_rollup"));
    return {double(field(rollup, "Rss:")) / 1024, double(field(rollup, "Pss:")) / 1024,
            double(field(rollup, "Private_Dirty:")) / 1024};
}

double peakRssMb(pid_t pid) {
    return double(field(readFile(proc(pid, "status")), "VmHWM:")) / 1024;
}

bool resetPeakRss(pid_t pid) {
    std::ofstream file(proc(pid, "clear_refs"));
    file << "5";
    file.close();
    return !file.fail();
}

std::map<int, ThreadUsage::Counters> ThreadUsage::read(pid_t pid) {
    std::map<int, Counters> threads;
    const std::string folder = proc(pid, "task");
    DIR *tasks = opendir(folder.c_str());
    if (!tasks)
        return threads;
    while (const dirent *entry = readdir(tasks)) {
        if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0])))
            continue;
        const std::string task = folder + "/" + entry->d_name + "/";
        // A thread ending between the reads leaves empty files: skip it.
        const std::string schedstat = readFile(task + "schedstat");
        const std::string status = readFile(task + "status");
        std::string name = readFile(task + "comm");
        if (schedstat.empty() || status.empty())
            continue;
        if (!name.empty() && name.back() == '\n')
            name.pop_back();
        if (std::stoi(entry->d_name) == pid)
            name += " (main)";
        threads[std::stoi(entry->d_name)] = {name, std::stoll(schedstat),
                                             field(status, "voluntary_ctxt_switches:") +
                                                 field(status, "nonvoluntary_ctxt_switches:")};
    }
    closedir(tasks);
    return threads;
}

void ThreadUsage::start(pid_t pid) {
    m_pid = pid;
    m_first = read(pid);
    m_last = m_first;
}

void ThreadUsage::sample() {
    for (const auto &[tid, counters] : read(m_pid))
        m_last[tid] = counters;
}

std::vector<ThreadUsage::Thread> ThreadUsage::threads() const {
    std::vector<Thread> threads;
    for (const auto &[tid, last] : m_last) {
        const auto first = m_first.find(tid);
        const Counters base = first == m_first.end() ? Counters{} : first->second;
        threads.push_back({last.name, last.cpuNs - base.cpuNs, last.switches - base.switches,
                           first == m_first.end()});
    }
    return threads;
}

long long ThreadUsage::cpuNs() const {
    long long sum = 0;
    for (const Thread &thread : threads())
        sum += thread.cpuNs;
    return sum;
}

long long ThreadUsage::wakeups() const {
    long long sum = 0;
    for (const Thread &thread : threads())
        sum += thread.wakeups;
    return sum;
}

std::pair<long long, long long> MachineLoad::busyAndTotal() {
    std::istringstream line(readFile("/proc/stat"));
    std::string cpu;
    line >> cpu;
    long long total = 0;
    long long idle = 0;
    long long value = 0;
    for (int column = 0; column < 8 && line >> value; ++column) {
        total += value;
        if (column == 3 || column == 4) // idle, iowait
            idle += value;
    }
    return {total - idle, total};
}

void MachineLoad::start() {
    std::tie(m_busy, m_total) = busyAndTotal();
}

double MachineLoad::busyPercent() const {
    const auto [busy, total] = busyAndTotal();
    return total > m_total ? 100.0 * double(busy - m_busy) / double(total - m_total) : 0;
}

} // namespace benchapp
