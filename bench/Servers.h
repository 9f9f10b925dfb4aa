#pragma once

#include "Processes.h"

#include <atomic>
#include <csignal>
#include <thread>

#include <map>
#include <string>

// An echo server under test: a running process on a loopback port.
struct ServerUnderTest {
    pid_t pid = -1;
    uint16_t port = 0;
    int receiveBuffer = 0; // granted to its socket, bytes
};

// udprecv_benchhost in a fresh program folder: the real main window with
// reception on in echo mode; `option` is the host's: "--capture" turns the
// capture file on, "--custom" answers by response rules instead; the
// metrics endpoint listens on 127.0.0.1:`metricsPort` when one is given.
class BenchHost {
public:
    BenchHost(const std::string &binaryFolder, const std::string &programFolder, int maxSeconds,
              const std::string &option = {}, uint16_t metricsPort = 0);
    const ServerUnderTest &server() const { return m_server; }

    // See ControlSignals.h for what each signal does.
    void resetTickGap() const { m_process.signal(SIGUSR1); }
    void requestClicks() const { m_process.signal(SIGHUP); }
    // The host's "key value" stats; throws when they do not come.
    std::map<std::string, double> readStats();
    void stop() { m_process.stop(); }

private:
    std::string m_folder;
    ChildProcess m_process;
    ServerUnderTest m_server;
};

// Asks GET /metrics of 127.0.0.1:port every second on a thread of its own
// until stopped, as Prometheus scrapes a rig.
class MetricsScraper {
public:
    explicit MetricsScraper(uint16_t port);
    ~MetricsScraper();
    MetricsScraper(const MetricsScraper &) = delete;
    MetricsScraper &operator=(const MetricsScraper &) = delete;
    // Stops; the scrapes answered with 200.
    int stop();

private:
    uint16_t m_port;
    std::atomic<bool> m_stop {false};
    std::atomic<int> m_answered {0};
    std::thread m_thread;
};

// A reference server with its log in `folder`: the mandatory work in a
// plain loop (udprecv_refserver), the same work on Qt's event loop
// (udprecv_qtrefserver), or a bare echo that only receives and sends back.
class ReferenceServer {
public:
    enum class Variant { PlainLoop, QtEventLoop, BareEcho };
    ReferenceServer(const std::string &binaryFolder, const std::string &folder, int maxSeconds,
                    Variant variant = Variant::PlainLoop);
    const ServerUnderTest &server() const { return m_server; }
    void stop() { m_process.stop(); }

private:
    ServerUnderTest m_server; // before the process: its port is chosen first
    ChildProcess m_process;
};
