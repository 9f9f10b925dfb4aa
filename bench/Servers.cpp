#include "Servers.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

constexpr int StartTimeoutMs = 30000;
constexpr int StatsTimeoutMs = 5000;

// The command line of a host in a fresh program folder.
std::vector<std::string> HostCommand(const std::string &binaryFolder, const std::string &folder, int maxSeconds,
                                     const std::string &option)
{
    std::filesystem::create_directories(folder);
    std::vector<std::string> command {binaryFolder + "/udprecv_benchhost", folder, std::to_string(FreeUdpPort()),
                                      std::to_string(maxSeconds)};
    if (!option.empty())
        command.push_back(option);
    return command;
}

std::vector<std::string> ReferenceCommand(const std::string &binaryFolder, const std::string &folder, uint16_t port,
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
                     const std::string &option)
    : m_folder(programFolder),
      m_process(HostCommand(binaryFolder, programFolder, maxSeconds, option), programFolder + "/host-output.txt")
{
    std::istringstream ready(WaitForLine(m_folder + "/bench.ready", m_process, StartTimeoutMs));
    int port = 0;
    ready >> port >> m_server.receiveBuffer;
    m_server.port = static_cast<uint16_t>(port);
    m_server.pid = m_process.pid();
}

std::map<std::string, double> BenchHost::ReadStats()
{
    const std::string path = m_folder + "/bench.stats";
    std::filesystem::remove(path);
    m_process.Signal(SIGUSR2);
    WaitForLine(path, m_process, StatsTimeoutMs);
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
    : m_server {.port = FreeUdpPort()},
      m_process(ReferenceCommand(binaryFolder, folder, m_server.port, maxSeconds, variant), folder + "/ref-output.txt")
{
    m_server.receiveBuffer = std::stoi(WaitForLine(folder + "/ready", m_process, StartTimeoutMs));
    m_server.pid = m_process.pid();
}
