#pragma once

#include "PhaseSettings.h"
#include "Servers.h"

#include <cstdint>

// The measurements of the benchmark, each one run against one server.
// Every phase is bounded in datagrams and time and throws
// std::runtime_error when nothing came back.

struct FloodFigures {
    double rate = 0;
    double lossPercent = 0;
    int generatorBuffer = 0; // receive buffer granted to the load generator
};
FloodFigures measureFlood(const ServerUnderTest &server, int size, const PhaseSettings &settings);

// The highest rate whose burst came back whole, found by bisection below
// twice the flood echo rate; 0 when even the lowest rate tried lost some.
double measureLossFreeRate(const ServerUnderTest &server, int size, double floodRate, const PhaseSettings &settings);

double measureBurstLoss(const ServerUnderTest &server, int size, const PhaseSettings &settings);

struct RttFigures {
    double p50us = 0;
    double p99us = 0;
};
RttFigures measureRtt(const ServerUnderTest &server, int size, const PhaseSettings &settings);

// CPU time a server spent on the datagrams it echoed at 10,000 per second.
struct CpuUse {
    int64_t microseconds = 0;
    int64_t datagrams = 0;
    double perDatagram() const
    {
        return datagrams > 0 ? static_cast<double>(microseconds) / static_cast<double>(datagrams) : 0;
    }
    CpuUse &operator+=(const CpuUse &more)
    {
        microseconds += more.microseconds;
        datagrams += more.datagrams;
        return *this;
    }
};
// One of `turns` equal turns of the CPU phase (settings.cpuMs in all).
CpuUse measureCpuUse(const ServerUnderTest &server, int size, const PhaseSettings &settings, int turns = 1);
// The whole phase in one turn, per datagram.
double measureCpuPerDatagram(const ServerUnderTest &server, int size, const PhaseSettings &settings);

struct TickFigures {
    double tickGapMs = 0;
    double stopClickMs = 0;
    double startClickMs = 0;
};
// The host's largest clock-tick gap during a flood, then a stop click and a
// start click posted near the flood's end. Reception is on again afterwards.
TickFigures measureTickGapAndClicks(BenchHost &host, int size, const PhaseSettings &settings);

struct RssFigures {
    long freshKiB = 0;  // reception on, no datagram yet
    long beforeKiB = 0; // after the warm-up
    long afterKiB = 0;
    double lossPercent = 0;
};
// Resident memory of a fresh host, then before and after settings.pacedCount
// datagrams at `rate`, the first reading after settings.warmUpCount datagrams
// have put the caches of a first display in place.
RssFigures measureRss(const ServerUnderTest &server, int size, double rate, const PhaseSettings &settings);
