#include "Servers.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

constexpr int StartTimeoutMs = 30000;
constexpr int StatsTimeoutMs = 5000;

// The command line of a host in a fresh program folder.
std::vector<std::string> hostCommand(const std::string &binaryFolder, const std::string &folder, int maxSeconds,
                                     const std::string &option, uint16_t metricsPort)
{
    std::filesystem::create_directories(folder);
    std::vector<std::string> command {binaryFolder + "/udprecv_benchhost", folder, std::to_string(freeUdpPort()),
                                      std::to_string(maxSeconds)};
    if (!option.empty())
        command.push_back(option);
    if (metricsPort != 0) {
        command.emplace_back("--metrics");
        command.push_back(std::to_string(metricsPort));
    }
    return command;
}

std::vector<std::string> referenceCommand(const std::string &binaryFolder, const std::string &folder, uint16_t port,
                                          int maxSeconds, ReferenceServer::Variant variant)
{
    // The log goes where the tool's goes, under the same name, so that both
    // resolve paths of the same depth and length.
    std::filesystem::create_directories(folder + "/Log");
    std::filesystem::remove(folder + "/ready");
    using V = ReferenceServer::Variant;
    const std::string program = variant == V::QtEventLoop ? "/udprecv_qtrefserver" : "/udprecv_refserver";
    const std::string log = variant == V::BareEcho ? "-" : folder + "/Log/Tavo_UdpRcvLog.txt";
    return {binaryFolder + program, std::to_string(port), log, std::to_string(maxSeconds), folder + "/ready"};
}

} // namespace

BenchHost::BenchHost(const std::string &binaryFolder, const std::string &programFolder, int maxSeconds,
                     const std::string &option, uint16_t metricsPort)
    : m_folder(programFolder), m_process(hostCommand(binaryFolder, programFolder, maxSeconds, option, metricsPort),
                                         programFolder + "/host-output.txt")
{
    std::istringstream ready(waitForLine(m_folder + "/bench.ready", m_process, StartTimeoutMs));
    int port = 0;
    ready >> port >> m_server.receiveBuffer;
    m_server.port = static_cast<uint16_t>(port);
    m_server.pid = m_process.pid();
}

std::map<std::string, double> BenchHost::readStats()
{
    const std::string path = m_folder + "/bench.stats";
    std::filesystem::remove(path);
    m_process.signal(SIGUSR2);
    waitForLine(path, m_process, StatsTimeoutMs);
    std::ifstream in(path);
    std::map<std::string, double> stats;
    std::string key;
    double value = 0;
    while (in >> key >> value)
        stats[key] = value;
    return stats;
}

ReferenceServer::ReferenceServer(const std::string &binaryFolder, const std::string &folder, int maxSeconds,
                                 Variant variant)
    : m_server {.port = freeUdpPort()},
      m_process(referenceCommand(binaryFolder, folder, m_server.port, maxSeconds, variant), folder + "/ref-output.txt")
{
    m_server.receiveBuffer = std::stoi(waitForLine(folder + "/ready", m_process, StartTimeoutMs));
    m_server.pid = m_process.pid();
}

namespace {

// One GET /metrics on a fresh connection: true when answered with 200.
bool scrape(uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    timeval timeout {2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    const char request[] = "GET /metrics HTTP/1.1\r\nHost: bench\r\n\r\n";
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::send(fd, request, sizeof request - 1, MSG_NOSIGNAL) > 0) {
        char buffer[4096];
        for (ssize_t n; answer.size() < 1 << 20 && (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            answer.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return answer.rfind("HTTP/1.1 200 ", 0) == 0;
}

} // namespace

MetricsScraper::MetricsScraper(uint16_t port) : m_port(port)
{
    m_thread = std::thread([this] {
        // At most an hour; every second until stopped.
        for (int second = 0; second < 3600 && !m_stop; ++second) {
            if (scrape(m_port))
                ++m_answered;
            for (int tick = 0; tick < 100 && !m_stop; ++tick)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
}

MetricsScraper::~MetricsScraper()
{
    stop();
}

int MetricsScraper::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    return m_answered;
}
