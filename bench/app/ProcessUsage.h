#pragma once

// What /proc tells about another process: its memory, and the CPU time and context switches of
// each of its threads.

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace benchapp {

long long monotonicNanoseconds();

struct Memory {
    double rssMb = 0;
    double pssMb = 0;
    // What the process wrote and no other process maps (heap, stacks): unlike PSS, not moved by
    // other processes mapping the same libraries.
    double privateDirtyMb = 0;
};
Memory memoryOf(pid_t pid);

// VmHWM, and setting it back to the present RSS (clear_refs 5).
double peakRssMb(pid_t pid);
bool resetPeakRss(pid_t pid);

// CPU time and context switches of every thread over a stretch of time, threads that start or
// end within it included: the kernel forgets an ended thread, so each is kept as last sampled.
class ThreadUsage {
public:
    struct Thread {
        std::string name;
        long long cpuNs = 0;
        long long wakeups = 0; // voluntary and involuntary context switches
        bool started = false;  // within the stretch
    };

    void start(pid_t pid);
    void sample();
    std::vector<Thread> threads() const;
    long long cpuNs() const;
    long long wakeups() const;

private:
    struct Counters {
        std::string name;
        long long cpuNs = 0;
        long long switches = 0;
    };
    static std::map<int, Counters> read(pid_t pid);

    pid_t m_pid = 0;
    std::map<int, Counters> m_first;
    std::map<int, Counters> m_last;
};

// How busy the whole machine was between start() and busyPercent(): other work skews latencies.
class MachineLoad {
public:
    void start();
    double busyPercent() const;

private:
    static std::pair<long long, long long> busyAndTotal();
    long long m_busy = 0;
    long long m_total = 0;
};

} // namespace benchapp
