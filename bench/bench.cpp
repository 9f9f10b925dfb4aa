// The benchmark: the real program path (udprecv_benchhost) and the
// reference server (udprecv_refserver) under the same loads on loopback,
// both running side by side and each phase run on one right after the
// other; each figure measured several times; prints one table of medians
// with the targets.
//
// usage: udprecv_bench [--quick] [--sizes 64,1400,3000] [--reps 3] [--modes]
// --modes: only the flood and CPU phases, each on a fresh host in echo mode
// and on one answering by ten response rules, one right after the other.

#include "Phases.h"
#include "Report.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

struct Options {
    bool quick = false;
    bool modes = false;
    int reps = 3;
    std::vector<int> sizes {64, 1400, 3000};
};

constexpr int ChildMaxSeconds = 3600;
constexpr int CpuTurns = 4;
// The capture's flood phase is taken in this many turns on each host.
constexpr int CaptureFloodTurns = 2;

bool parseOptions(int argc, char **argv, Options &options)
{
    bool repsGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            options.quick = true;
        } else if (arg == "--modes") {
            options.modes = true;
        } else if (arg == "--reps" && i + 1 < argc) {
            options.reps = std::atoi(argv[++i]);
            repsGiven = true;
            if (options.reps < 1 || options.reps > 20)
                return false;
        } else if (arg == "--sizes" && i + 1 < argc) {
            options.sizes.clear();
            std::istringstream list(argv[++i]);
            for (std::string item; std::getline(list, item, ',');) {
                const int size = std::atoi(item.c_str());
                if (size < 16 || size > 65507)
                    return false;
                options.sizes.push_back(size);
            }
            if (options.sizes.empty())
                return false;
        } else {
            return false;
        }
    }
    if (options.quick && !repsGiven)
        options.reps = 1;
    return true;
}

// What an interrupted run leaves behind, told from the signal handler.
char g_interruptNote[512] = "udprecv_bench: interrupted\n";
size_t g_interruptNoteLength = std::strlen(g_interruptNote);

void onInterrupt(int)
{
    killAllChildren();
    (void)!::write(STDERR_FILENO, g_interruptNote, g_interruptNoteLength);
    ::_exit(130);
}

// Runs one phase; a failure is reported and leaves its figures out.
class PhaseRunner {
public:
    bool run(const std::string &what, const std::function<void()> &phase)
    {
        std::fprintf(stderr, "  %s\n", what.c_str());
        try {
            phase();
            return true;
        } catch (const std::exception &e) {
            std::fprintf(stderr, "  FAILED %s: %s\n", what.c_str(), e.what());
            m_failures++;
            return false;
        }
    }
    int failures() const { return m_failures; }

private:
    int m_failures = 0;
};

struct Buffers {
    int tool = 0;
    int reference = 0;
    int generator = 0;
};

// A server in a run, with what one phase leaves for the next.
struct Contender {
    const ServerUnderTest &server;
    Server who;
    BenchHost *host = nullptr; // the tool's, for its event loop's trace
    double floodRate = 0;
};

const char *nameOf(Server who)
{
    switch (who) {
    case Server::Tool:
        return "tool";
    case Server::Reference:
        return "reference";
    case Server::QtReference:
        return "reference on Qt's event loop";
    case Server::BareEcho:
        return "bare echo";
    }
    return "?";
}

// A server measured for the round trips and the CPU use only, to show
// where the tool's figures stand.
struct Yardstick {
    const ServerUnderTest &server;
    Server who;
    bool cpu; // the CPU use too
};

// Every echo phase, each measured on both servers one right after the
// other, so that the two figures compared see the same machine; the round
// trips and the CPU use then also on the yardsticks.
void runEchoPhases(const std::vector<Contender *> &contenders, const std::vector<Yardstick> &yardsticks, int size,
                   const PhaseSettings &settings, Results &results, Buffers &buffers, PhaseRunner &runner)
{
    const auto each = [&](const char *phase, const std::function<void(Contender &)> &measure) {
        for (Contender *c : contenders)
            runner.run(std::string(phase) + ", " + nameOf(c->who), [&] { measure(*c); });
    };
    const auto roundTrips = [&](const ServerUnderTest &server, Server who) {
        const RttFigures rtt = measureRtt(server, size, settings);
        results.add(size, Figure::RttP50, who, rtt.p50us);
        results.add(size, Figure::RttP99, who, rtt.p99us);
    };
    each("flood", [&](Contender &c) {
        const FloodFigures flood = measureFlood(c.server, size, settings);
        c.floodRate = flood.rate;
        buffers.generator = flood.generatorBuffer;
        results.add(size, Figure::FloodRate, c.who, flood.rate);
        results.add(size, Figure::FloodLoss, c.who, flood.lossPercent);
    });
    each("loss-free rate", [&](Contender &c) {
        results.add(size, Figure::LossFreeRate, c.who, measureLossFreeRate(c.server, size, c.floodRate, settings));
    });
    each("burst", [&](Contender &c) {
        results.add(size, Figure::BurstLoss, c.who, measureBurstLoss(c.server, size, settings));
    });
    each("round trips", [&](Contender &c) {
        if (c.host)
            c.host->resetTickGap();
        roundTrips(c.server, c.who);
        if (!c.host)
            return;
        // The same round trips judged against Qt's loop, and what held the tool's loop meanwhile.
        results.add(size, Figure::RttP50QtLoop, c.who, *results.last(size, Figure::RttP50, c.who));
        results.add(size, Figure::RttP99QtLoop, c.who, *results.last(size, Figure::RttP99, c.who));
        std::map<std::string, double> stats = c.host->readStats();
        results.add(size, Figure::HandlerP50, c.who, stats["handler_p50_us"]);
        results.add(size, Figure::HandlerP99, c.who, stats["handler_p99_us"]);
        results.add(size, Figure::HandlerMax, c.who, stats["handler_max_us"]);
        std::fprintf(stderr, "    event loop: handler p50 %.1f p99 %.1f max %.1f us (%.0f); paint p50 %.1f p99 %.1f max "
                             "%.1f us (%.0f); timer p99 %.1f max %.1f us (%.0f); other p99 %.1f max %.1f us (%.0f)\n",
                     stats["handler_p50_us"], stats["handler_p99_us"], stats["handler_max_us"], stats["handler_count"],
                     stats["paint_p50_us"], stats["paint_p99_us"], stats["paint_max_us"], stats["paint_count"],
                     stats["timer_p99_us"], stats["timer_max_us"], stats["timer_count"], stats["other_p99_us"],
                     stats["other_max_us"], stats["other_count"]);
    });
    for (const Yardstick &y : yardsticks)
        runner.run(std::string("round trips, ") + nameOf(y.who), [&] { roundTrips(y.server, y.who); });
    // The CPU use in turns, each server a quarter of the datagrams in every
    // turn, so that a drift of the machine's speed during the phase (a
    // virtual machine's neighbours) weighs on all of them alike.
    struct CpuTaker {
        const ServerUnderTest &server;
        Server who;
        CpuUse use;
        bool whole = true; // no turn failed
    };
    std::vector<CpuTaker> takers;
    for (const Contender *c : contenders)
        takers.push_back({c->server, c->who, {}});
    for (const Yardstick &y : yardsticks)
        if (y.cpu)
            takers.push_back({y.server, y.who, {}});
    for (int turn = 1; turn <= CpuTurns; ++turn)
        for (CpuTaker &t : takers)
            t.whole = runner.run("CPU use, " + std::string(nameOf(t.who)) + ", turn " + std::to_string(turn) + " of " +
                                     std::to_string(CpuTurns),
                                 [&] { t.use += measureCpuUse(t.server, size, settings, CpuTurns); }) &&
                      t.whole;
    for (const CpuTaker &t : takers) {
        if (!t.whole)
            continue;
        results.add(size, Figure::CpuPerDatagram, t.who, t.use.perDatagram());
        if (t.who == Server::Tool)
            results.add(size, Figure::CpuQtLoop, t.who, t.use.perDatagram());
    }
}

// Every figure the run was to produce is there.
bool complete(const Results &results, const std::vector<int> &sizes, const PhaseSettings &settings)
{
    for (const int size : sizes)
        for (const FigureRow &row : figureRows(settings))
            if (!results.median(size, row.figure, Server::Tool) ||
                (row.hasReference && !results.median(size, row.figure, Server::Reference)))
                return false;
    return true;
}

// A fresh folder for the program folders and logs, removed at the end.
class WorkFolder {
public:
    WorkFolder()
    {
        const char *tmp = std::getenv("TMPDIR");
        m_path = std::string(tmp && *tmp ? tmp : "/tmp") + "/udprecv_bench.XXXXXX";
        if (!::mkdtemp(m_path.data()))
            throw std::runtime_error("cannot create a work folder like " + m_path);
        const int length = std::snprintf(g_interruptNote, sizeof g_interruptNote,
                                         "udprecv_bench: interrupted, work folder left: %s\n", m_path.c_str());
        g_interruptNoteLength = std::min(sizeof g_interruptNote - 1, static_cast<size_t>(std::max(length, 0)));
    }
    ~WorkFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    WorkFolder(const WorkFolder &) = delete;
    WorkFolder &operator=(const WorkFolder &) = delete;
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

// The 1-minute load average: other work on the machine skews every figure.
double loadAverage()
{
    double load[1] = {-1};
    return ::getloadavg(load, 1) == 1 ? load[0] : -1;
}

std::string describe(const Options &options, const Buffers &buffers, double loadBefore, const CpuPlacement &placement)
{
    utsname system {};
    ::uname(&system);
    char cpus[80] = "";
    if (placement.driver >= 0)
        std::snprintf(cpus, sizeof cpus, " (load generator on CPU %d, servers on CPU %d)", placement.driver,
                      placement.children);
    char text[600];
    std::snprintf(text, sizeof text,
                  "Tavo_UdpRecv benchmark%s: loopback, echo mode, median of %d run%s, %ld CPUs%s, Linux %s\n"
                  "receive buffer granted (bytes): tool %d, reference %d, load generator %d\n"
                  "load average (1 min): %.2f before, %.2f after\n",
                  options.quick ? " (--quick: short phases, not comparable)" : "", options.reps,
                  options.reps == 1 ? "" : "s", ::sysconf(_SC_NPROCESSORS_ONLN), cpus, system.release, buffers.tool,
                  buffers.reference, buffers.generator, loadBefore, loadAverage());
    return text;
}

// Each figure of every run, then median and range per mode.
std::string formatModes(const std::map<std::string, std::vector<double>> &values)
{
    std::string text;
    char line[256];
    for (const auto &[name, list] : values) {
        std::string runs;
        for (const double v : list) {
            char one[40];
            std::snprintf(one, sizeof one, "%s%.2f", runs.empty() ? "" : ", ", v);
            runs += one;
        }
        std::snprintf(line, sizeof line, "%-40s median %10.2f  min %10.2f  max %10.2f  (%s)\n", name.c_str(),
                      median(list).value_or(0), *std::min_element(list.begin(), list.end()),
                      *std::max_element(list.begin(), list.end()), runs.c_str());
        text += line;
    }
    return text;
}

// Echo mode against the custom response, fresh hosts side by side in time.
int runModes(const Options &options)
{
    const PhaseSettings settings = options.quick ? PhaseSettings::quick() : PhaseSettings {};
    const std::string binaries = executableFolder();
    const WorkFolder work;
    PhaseRunner runner;
    int folderNumber = 0;
    std::map<std::string, std::vector<double>> values;
    for (const int size : options.sizes) {
        for (int rep = 1; rep <= options.reps; ++rep) {
            const std::vector<std::string> order =
                rep % 2 == 1 ? std::vector<std::string> {"", "--custom"} : std::vector<std::string> {"--custom", ""};
            for (const std::string &option : order) {
                const std::string mode = std::to_string(size) + " bytes, " + (option.empty() ? "echo" : "custom");
                runner.run(mode + ", run " + std::to_string(rep), [&] {
                    const double loadBefore = loadAverage();
                    BenchHost host(binaries, work.path() + "/run" + std::to_string(++folderNumber), ChildMaxSeconds,
                                   option);
                    const double rate = measureFlood(host.server(), size, settings).rate;
                    const double cpu = measureCpuPerDatagram(host.server(), size, settings);
                    values[mode + ": flood rate (/s)"].push_back(rate);
                    values[mode + ": CPU per datagram (us)"].push_back(cpu);
                    std::fprintf(stderr, "    flood %.0f/s, CPU %.2f us; load average %.2f before, %.2f after\n", rate,
                                 cpu, loadBefore, loadAverage());
                });
            }
        }
    }
    std::printf("Tavo_UdpRecv benchmark, echo mode against ten response rules, %d run%s\n%s", options.reps,
                options.reps == 1 ? "" : "s", formatModes(values).c_str());
    return runner.failures() > 0 ? 3 : 0;
}

int runBenchmark(const Options &options)
{
    const CpuPlacement placement = placeOnCpus();
    if (placement.driver >= 0)
        std::fprintf(stderr, "load generator on CPU %d, servers on CPU %d\n", placement.driver, placement.children);
    if (options.modes)
        return runModes(options);
    const PhaseSettings settings = options.quick ? PhaseSettings::quick() : PhaseSettings {};
    const std::string binaries = executableFolder();
    const WorkFolder work;
    const auto started = std::chrono::steady_clock::now();
    const double loadBefore = loadAverage();
    Results results;
    Buffers buffers;
    PhaseRunner runner;
    int folderNumber = 0;
    auto nextFolder = [&] { return work.path() + "/run" + std::to_string(++folderNumber); };

    for (const int size : options.sizes) {
        for (int rep = 1; rep <= options.reps; ++rep) {
            std::fprintf(stderr, "%d bytes, run %d of %d\n", size, rep, options.reps);
            runner.run("start the tool and the reference", [&] {
                BenchHost host(binaries, nextFolder(), ChildMaxSeconds);
                ReferenceServer reference(binaries, nextFolder(), ChildMaxSeconds);
                ReferenceServer qtReference(binaries, nextFolder(), ChildMaxSeconds,
                                            ReferenceServer::Variant::QtEventLoop);
                ReferenceServer bareEcho(binaries, nextFolder(), ChildMaxSeconds, ReferenceServer::Variant::BareEcho);
                buffers.tool = host.server().receiveBuffer;
                buffers.reference = reference.server().receiveBuffer;
                Contender tool {host.server(), Server::Tool, &host};
                Contender plain {reference.server(), Server::Reference};
                // Who goes first alternates from run to run.
                const std::vector<Contender *> order =
                    rep % 2 == 1 ? std::vector<Contender *> {&tool, &plain} : std::vector<Contender *> {&plain, &tool};
                const std::vector<Yardstick> yardsticks {{qtReference.server(), Server::QtReference, true},
                                                         {bareEcho.server(), Server::BareEcho, false}};
                runEchoPhases(order, yardsticks, size, settings, results, buffers, runner);
                reference.stop();
                qtReference.stop();
                bareEcho.stop();
                runner.run("clock ticks and clicks", [&] {
                    const TickFigures ticks = measureTickGapAndClicks(host, size, settings);
                    results.add(size, Figure::TickGap, Server::Tool, ticks.tickGapMs);
                    results.add(size, Figure::StopClick, Server::Tool, ticks.stopClickMs);
                    results.add(size, Figure::StartClick, Server::Tool, ticks.startClickMs);
                });
            });
            // The capture's own rows: a fresh host with Capture=1 against a
            // fresh one without, in turns, so that a drift of the machine's
            // speed weighs on both alike (a slow spell between the main
            // phases and these once made the ratio 0.7).
            runner.run("flood and CPU use with Capture=1 and without, in turns", [&] {
                BenchHost off(binaries, nextFolder(), ChildMaxSeconds);
                BenchHost on(binaries, nextFolder(), ChildMaxSeconds, "--capture");
                PhaseSettings turnSettings = settings;
                turnSettings.floodMs = settings.floodMs / CaptureFloodTurns;
                double offRate = 0;
                double onRate = 0;
                for (int turn = 0; turn < CaptureFloodTurns; ++turn) {
                    offRate += measureFlood(off.server(), size, turnSettings).rate / CaptureFloodTurns;
                    onRate += measureFlood(on.server(), size, turnSettings).rate / CaptureFloodTurns;
                }
                CpuUse offCpu;
                CpuUse onCpu;
                for (int turn = 0; turn < CpuTurns; ++turn) {
                    offCpu += measureCpuUse(off.server(), size, settings, CpuTurns);
                    onCpu += measureCpuUse(on.server(), size, settings, CpuTurns);
                }
                results.add(size, Figure::CaptureOffFloodRate, Server::Tool, offRate);
                results.add(size, Figure::CaptureFloodRate, Server::Tool, onRate);
                results.add(size, Figure::CaptureOffCpuPerDatagram, Server::Tool, offCpu.perDatagram());
                results.add(size, Figure::CaptureCpuPerDatagram, Server::Tool, onCpu.perDatagram());
            });
            // The metrics endpoint's rows: a fresh host with --metrics, scraped every second meanwhile.
            runner.run("flood and CPU use with --metrics scraped", [&] {
                const uint16_t metricsPort = freeTcpPort();
                BenchHost host(binaries, nextFolder(), ChildMaxSeconds, {}, metricsPort);
                MetricsScraper scraper(metricsPort);
                const double rate = measureFlood(host.server(), size, settings).rate;
                const double cpu = measureCpuPerDatagram(host.server(), size, settings);
                if (scraper.stop() == 0)
                    throw std::runtime_error("no scrape of the metrics endpoint was answered");
                results.add(size, Figure::MetricsFloodRate, Server::Tool, rate);
                results.add(size, Figure::MetricsCpuPerDatagram, Server::Tool, cpu);
            });
            runner.run("flood and CPU use with ten response rules", [&] {
                BenchHost host(binaries, nextFolder(), ChildMaxSeconds, "--custom");
                results.add(size, Figure::CustomFloodRate, Server::Tool,
                            measureFlood(host.server(), size, settings).rate);
                results.add(size, Figure::CustomCpuPerDatagram, Server::Tool,
                            measureCpuPerDatagram(host.server(), size, settings));
            });
        }
        // Paced below both the loss-free rate of a burst and the rate the
        // tool's CPU time per datagram sustains, so that every datagram is
        // processed.
        const double sustained =
            1e6 / std::max(1.0, results.median(size, Figure::CpuPerDatagram, Server::Tool).value_or(80));
        const double pacedRate = std::clamp(
            0.8 * std::min(results.median(size, Figure::LossFreeRate, Server::Tool).value_or(12500), sustained), 2000.0,
            1e5);
        for (int rep = 1; rep <= options.reps; ++rep) {
            std::fprintf(stderr, "%d bytes, run %d of %d: tool memory at %.0f/s\n", size, rep, options.reps, pacedRate);
            runner.run("memory", [&] {
                BenchHost host(binaries, nextFolder(), ChildMaxSeconds);
                const RssFigures rss = measureRss(host.server(), size, pacedRate, settings);
                results.add(size, Figure::RssFresh, Server::Tool, static_cast<double>(rss.freshKiB));
                results.add(size, Figure::RssBefore, Server::Tool, static_cast<double>(rss.beforeKiB));
                results.add(size, Figure::RssAfter, Server::Tool, static_cast<double>(rss.afterKiB));
                results.add(size, Figure::RssGrowth, Server::Tool, static_cast<double>(rss.afterKiB - rss.beforeKiB));
                results.add(size, Figure::PacedLoss, Server::Tool, rss.lossPercent);
            });
        }
    }

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%s\n%s\n%s\n(%.0f s)\n", describe(options, buffers, loadBefore, placement).c_str(),
                formatTable(results, options.sizes, settings).c_str(), formatYardsticks(results, options.sizes).c_str(),
                seconds);
    std::fflush(stdout);
    if (runner.failures() > 0 || !complete(results, options.sizes, settings)) {
        std::fprintf(stderr, "udprecv_bench: incomplete, %d phase(s) failed\n", runner.failures());
        return 3;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s [--quick] [--sizes 64,1400,3000] [--reps 1..20] [--modes]\n", argv[0]);
        return 2;
    }
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    std::signal(SIGPIPE, SIG_IGN);
    try {
        return runBenchmark(options);
    } catch (const std::exception &e) {
        killAllChildren();
        std::fprintf(stderr, "udprecv_bench: %s\n", e.what());
        return 1;
    }
}
