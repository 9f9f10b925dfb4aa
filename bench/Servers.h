#pragma once

#include "Processes.h"

#include <csignal>

#include <map>
#include <string>

// An echo server under test: a running process on a loopback port.
struct ServerUnderTest {
    pid_t pid = -1;
    uint16_t port = 0;
    int receiveBuffer = 0; // granted to its socket, bytes
};

// udprecv_benchhost in a fresh program folder: the real main window with
// reception on in echo mode.
class BenchHost {
public:
    BenchHost(const std::string &binaryFolder, const std::string &programFolder, int maxSeconds);
    const ServerUnderTest &server() const { return m_server; }

    // See ControlSignals.h for what each signal does.
    void ResetTickGap() const { m_process.Signal(SIGUSR1); }
    void RequestClicks() const { m_process.Signal(SIGHUP); }
    // The host's "key value" stats; throws when they do not come.
    std::map<std::string, double> ReadStats();
    void Stop() { m_process.Stop(); }

private:
    std::string m_folder;
    ChildProcess m_process;
    ServerUnderTest m_server;
};

// udprecv_refserver with its log in `folder`; or, as a bare echo, with no
// work but receiving and sending back.
class ReferenceServer {
public:
    enum class Work { Mandatory, EchoOnly };
    ReferenceServer(const std::string &binaryFolder, const std::string &folder, int maxSeconds,
                    Work work = Work::Mandatory);
    const ServerUnderTest &server() const { return m_server; }
    void Stop() { m_process.Stop(); }

private:
    ServerUnderTest m_server; // before the process: its port is chosen first
    ChildProcess m_process;
};
