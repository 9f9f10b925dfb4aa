#include "Phases.h"

#include "LoadGenerator.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <stdexcept>
#include <thread>

namespace {

LoadPlan planFor(const ServerUnderTest &server, int size)
{
    LoadPlan plan;
    plan.port = server.port;
    plan.size = size;
    plan.drainMs = 500;
    return plan;
}

// As fast as possible for `sendMs`; the count only bounds the run.
LoadPlan floodPlan(const ServerUnderTest &server, int size, int sendMs)
{
    LoadPlan plan = planFor(server, size);
    plan.count = std::max(1000, sendMs * 1000);
    plan.sendMs = sendMs;
    plan.maxMs = sendMs + 10000;
    return plan;
}

LoadPlan pacedPlan(const ServerUnderTest &server, int size, double rate, int count)
{
    LoadPlan plan = planFor(server, size);
    plan.rate = rate;
    plan.count = count;
    plan.maxMs = static_cast<int>(std::min(3.6e6, 2000.0 * count / rate + 10000));
    return plan;
}

LoadResult run(const LoadPlan &plan, const char *phase)
{
    LoadResult result = runLoad(plan);
    if (result.echoed == 0)
        throw std::runtime_error(std::string(phase) + ": no echo came back");
    return result;
}

bool nothingLost(const LoadResult &result, int count)
{
    return result.sent == count && result.echoed == count && result.bad == 0;
}

} // namespace

PhaseSettings PhaseSettings::quick()
{
    PhaseSettings quick;
    quick.floodMs = 300;
    quick.searchBurstMs = 200;
    quick.searchSteps = 2;
    quick.burstCount = 1000;
    quick.rttMs = 200;
    quick.cpuMs = 200;
    quick.tickFloodMs = 1600;
    quick.clickWindowMs = 1000;
    quick.pacedCount = 2000;
    quick.warmUpCount = 500;
    return quick;
}

FloodFigures measureFlood(const ServerUnderTest &server, int size, const PhaseSettings &settings)
{
    const LoadResult result = run(floodPlan(server, size, settings.floodMs), "flood");
    return {result.echoRate, result.lossPercent, result.receiveBuffer};
}

double measureLossFreeRate(const ServerUnderTest &server, int size, double floodRate, const PhaseSettings &settings)
{
    double lossFree = 0;
    double lossy = std::max(2000.0, 2 * floodRate);
    for (int step = 0; step < settings.searchSteps; ++step) {
        const double rate = std::round((lossFree + lossy) / 2);
        const int count = std::max(1, static_cast<int>(rate * settings.searchBurstMs / 1000));
        if (nothingLost(runLoad(pacedPlan(server, size, rate, count)), count))
            lossFree = rate;
        else
            lossy = rate;
    }
    return lossFree;
}

double measureBurstLoss(const ServerUnderTest &server, int size, const PhaseSettings &settings)
{
    LoadPlan plan = planFor(server, size);
    plan.count = settings.burstCount;
    plan.maxMs = 30000;
    return run(plan, "burst").lossPercent;
}

RttFigures measureRtt(const ServerUnderTest &server, int size, const PhaseSettings &settings)
{
    // 1,000 per second: one datagram per millisecond.
    const LoadResult result = run(pacedPlan(server, size, 1000, settings.rttMs), "round trips");
    return {result.rttP50us, result.rttP99us};
}

CpuUse measureCpuUse(const ServerUnderTest &server, int size, const PhaseSettings &settings, int turns)
{
    const int64_t before = readCpuMicroseconds(server.pid);
    // 10,000 per second: ten datagrams per millisecond.
    const LoadResult result = run(pacedPlan(server, size, 10000, settings.cpuMs * 10 / turns), "CPU use");
    const int64_t after = readCpuMicroseconds(server.pid);
    if (before < 0 || after < 0)
        throw std::runtime_error("CPU use: cannot read /proc/<pid>/stat");
    return {after - before, result.echoed};
}

double measureCpuPerDatagram(const ServerUnderTest &server, int size, const PhaseSettings &settings)
{
    return measureCpuUse(server, size, settings).perDatagram();
}

TickFigures measureTickGapAndClicks(BenchHost &host, int size, const PhaseSettings &settings)
{
    const LoadPlan plan = floodPlan(host.server(), size, settings.tickFloodMs + settings.clickWindowMs);
    host.resetTickGap();
    std::exception_ptr failure;
    std::thread flood([&] {
        try {
            run(plan, "clock ticks");
        } catch (...) {
            failure = std::current_exception();
        }
    });
    sleepMs(settings.tickFloodMs);
    host.requestClicks();
    flood.join();
    if (failure)
        std::rethrow_exception(failure);

    // Both clicks normally took effect during the flood; wait a bounded while if not.
    std::map<std::string, double> stats;
    for (int attempt = 0; attempt < 50; ++attempt) {
        stats = host.readStats();
        if (stats["clicks_measured"] >= 1)
            break;
        sleepMs(100);
    }
    if (stats["clicks_measured"] < 1 || stats["receiving"] != 1)
        throw std::runtime_error("clicks: the stop and start clicks did not take effect");
    if (stats["ticks"] < 2)
        throw std::runtime_error("clock ticks: fewer than two ticks seen");
    return {stats["tick_gap_ms"], stats["stop_click_ms"], stats["start_click_ms"]};
}

RssFigures measureRss(const ServerUnderTest &server, int size, double rate, const PhaseSettings &settings)
{
    RssFigures figures;
    figures.freshKiB = readRssKiB(server.pid);
    (void)run(pacedPlan(server, size, rate, settings.warmUpCount), "memory warm-up");
    figures.beforeKiB = readRssKiB(server.pid);
    figures.lossPercent = run(pacedPlan(server, size, rate, settings.pacedCount), "memory").lossPercent;
    figures.afterKiB = readRssKiB(server.pid);
    if (figures.freshKiB < 0 || figures.beforeKiB < 0 || figures.afterKiB < 0)
        throw std::runtime_error("memory: cannot read /proc/<pid>/status");
    return figures;
}
