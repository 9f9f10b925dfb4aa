#include "Processes.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char **environ;

namespace {

std::array<std::atomic<pid_t>, 8> g_children {};
// The CPU of the children started after placeOnCpus.
cpu_set_t g_childCpus;
bool g_childCpusSet = false;

int registerChild(pid_t pid)
{
    for (size_t i = 0; i < g_children.size(); ++i) {
        pid_t empty = 0;
        if (g_children[i].compare_exchange_strong(empty, pid))
            return static_cast<int>(i);
    }
    return -1;
}

std::runtime_error systemError(const std::string &what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

std::string readWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

CpuPlacement placeOnCpus()
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0 || CPU_COUNT(&allowed) < 2)
        return {};
    int first = -1;
    int last = -1;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (!CPU_ISSET(cpu, &allowed))
            continue;
        if (first < 0)
            first = cpu;
        last = cpu;
    }
    cpu_set_t driver;
    CPU_ZERO(&driver);
    CPU_SET(first, &driver);
    if (::sched_setaffinity(0, sizeof driver, &driver) != 0)
        return {};
    CPU_ZERO(&g_childCpus);
    CPU_SET(last, &g_childCpus);
    g_childCpusSet = true;
    return {first, last};
}

ChildProcess::ChildProcess(const std::vector<std::string> &argv, std::string outputFile)
    : m_outputFile(std::move(outputFile))
{
    // Everything the child needs is prepared before fork: after it, only
    // async-signal-safe calls.
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char *> env;
    static char platform[] = "QT_QPA_PLATFORM=offscreen";
    env.push_back(platform);
    for (char **e = environ; *e; ++e)
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0)
            env.push_back(*e);
    env.push_back(nullptr);
    const int output = ::open(m_outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (output < 0)
        throw systemError("cannot create " + m_outputFile);
    const pid_t parent = ::getpid();

    m_pid = ::fork();
    if (m_pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        ::dup2(output, STDOUT_FILENO);
        ::dup2(output, STDERR_FILENO);
        if (g_childCpusSet)
            ::sched_setaffinity(0, sizeof g_childCpus, &g_childCpus);
        ::execve(args[0], args.data(), env.data());
        ::_exit(127);
    }
    ::close(output);
    if (m_pid < 0)
        throw systemError("cannot start " + argv.front());
    m_slot = registerChild(m_pid);
}

ChildProcess::~ChildProcess()
{
    stop();
}

bool ChildProcess::running()
{
    if (m_pid <= 0)
        return false;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == 0)
        return true;
    if (m_slot >= 0)
        g_children[static_cast<size_t>(m_slot)] = 0;
    m_pid = -1;
    return false;
}

void ChildProcess::signal(int signo) const
{
    if (m_pid > 0)
        ::kill(m_pid, signo);
}

void ChildProcess::stop()
{
    if (!running())
        return;
    ::kill(m_pid, SIGTERM);
    for (int i = 0; i < 500 && running(); ++i)
        sleepMs(10);
    if (running()) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        if (m_slot >= 0)
            g_children[static_cast<size_t>(m_slot)] = 0;
        m_pid = -1;
    }
}

std::string ChildProcess::outputTail() const
{
    const std::string text = readWholeFile(m_outputFile);
    return text.size() > 2000 ? text.substr(text.size() - 2000) : text;
}

void killAllChildren()
{
    for (std::atomic<pid_t> &child : g_children) {
        const pid_t pid = child.load();
        if (pid > 0)
            ::kill(pid, SIGKILL);
    }
}

int64_t readCpuMicroseconds(pid_t pid)
{
    // The scheduler's time on a CPU (nanoseconds, first field of each
    // thread's schedstat) is exact; the tick counts of stat are the fallback.
    // Threads that end between two readings drop out of the sum; the
    // servers measured keep theirs for their whole life.
    const std::string process = "/proc/" + std::to_string(pid);
    std::error_code error;
    int64_t nanoseconds = 0;
    bool anyThread = false;
    for (const auto &task : std::filesystem::directory_iterator(process + "/task", error)) {
        std::istringstream schedstat(readWholeFile(task.path().string() + "/schedstat"));
        long long onCpu = 0;
        if (schedstat >> onCpu) {
            nanoseconds += onCpu;
            anyThread = true;
        }
    }
    if (anyThread)
        return nanoseconds / 1000;

    // Fields 14 and 15 (utime, stime) come after the command name in parentheses.
    const std::string stat = readWholeFile(process + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string skipped;
    for (int field = 3; field < 14; ++field)
        fields >> skipped;
    long long utime = 0;
    long long stime = 0;
    if (!(fields >> utime >> stime))
        return -1;
    return (utime + stime) * 1000000 / ::sysconf(_SC_CLK_TCK);
}

long readRssKiB(pid_t pid)
{
    std::istringstream status(readWholeFile("/proc/" + std::to_string(pid) + "/status"));
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

uint16_t freeUdpPort()
{
    // Bound on all addresses as the tool binds, then released.
    const int fd = ::socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw systemError("socket");
    const int off = 0;
    ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
    sockaddr_in6 address {};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_any;
    socklen_t length = sizeof address;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
                    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0;
    ::close(fd);
    if (!ok)
        throw systemError("cannot find a free UDP port");
    return ntohs(address.sin6_port);
}

uint16_t freeTcpPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw systemError("socket");
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
                    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0;
    ::close(fd);
    if (!ok)
        throw systemError("cannot find a free TCP port");
    return ntohs(address.sin_port);
}

std::string waitForLine(const std::string &path, ChildProcess &child, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        const std::string text = readWholeFile(path);
        if (const size_t end = text.find('\n'); end != std::string::npos)
            return text.substr(0, end);
        if (!child.running())
            throw std::runtime_error("the process ended early:\n" + child.outputTail());
        sleepMs(10);
    }
    throw std::runtime_error("no answer in " + path + " after " + std::to_string(timeoutMs) + " ms");
}

std::string executableFolder()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    const std::string exe(path, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/'));
}

void sleepMs(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
