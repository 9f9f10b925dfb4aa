#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// A child process of the benchmark driver, ended by its pid: on stop, on
// destruction, from killAllChildren, and by the system when the driver dies.
class ChildProcess {
public:
    // Starts argv[0] with QT_QPA_PLATFORM=offscreen, stdout and stderr going
    // to `outputFile`. Throws std::runtime_error.
    ChildProcess(const std::vector<std::string> &argv, std::string outputFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    pid_t pid() const { return m_pid; }
    bool running();
    void signal(int signo) const;
    // SIGTERM, up to 5 s to end, then SIGKILL; reaps the child.
    void stop();
    // The end of the child's output, for error messages.
    std::string outputTail() const;

private:
    pid_t m_pid = -1;
    int m_slot = -1;
    std::string m_outputFile;
};

// Ends every child still running; async-signal-safe.
void killAllChildren();

// Where the benchmark runs: with two CPUs or more allowed, the driver (and
// so the load generator) on the first and every child started afterwards
// on the last, so that no phase depends on where the scheduler happens to
// put the sender and the server (on a virtual machine the same server's
// CPU time per datagram differed by a third between placements). Returns
// the two CPUs, or {-1, -1} where there is one CPU or placing failed.
struct CpuPlacement {
    int driver = -1;
    int children = -1;
};
CpuPlacement placeOnCpus();

// User plus system CPU time of a process, in microseconds; -1 when unknown.
int64_t readCpuMicroseconds(pid_t pid);
// Resident memory of a process in KiB; -1 when unknown.
long readRssKiB(pid_t pid);
// A UDP port that nothing binds on this computer right now.
uint16_t freeUdpPort();
// A TCP port free on 127.0.0.1 at the moment.
uint16_t freeTcpPort();
// Waits until `path` holds a complete line and returns it; throws when the
// child ends first or `timeoutMs` passes.
std::string waitForLine(const std::string &path, ChildProcess &child, int timeoutMs);
// The folder of the running executable.
std::string executableFolder();
void sleepMs(int milliseconds);
