#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Offers datagrams to a UDP echo service on loopback and checks what comes
// back. Every datagram carries a sequence number and its send time; every
// echo is checked byte for byte and for its source port.
struct LoadPlan {
    std::string host = "127.0.0.1";
    uint16_t port = 0;
    int count = 1000;         // datagrams to offer
    int size = 64;            // bytes each, at least 16
    double rate = 0;          // datagrams per second, 0: as fast as possible
    int sendMs = 0;           // stop offering after this long, 0: no limit but maxMs
    int drainMs = 1000;       // how long to wait for late echoes after the last send
    int maxMs = 60000;        // hard limit of the whole run
    bool expectEchoes = true; // false: only offer
};

struct LoadResult {
    int sent = 0;
    int echoed = 0;      // good echoes, each sequence counted once
    int bad = 0;         // echoes with wrong bytes or from a wrong port
    double seconds = 0;  // first send to last echo (or last send without echoes)
    double echoRate = 0; // echoes per second over `seconds`
    double lossPercent = 0;
    double rttP50us = 0;
    double rttP99us = 0;
    int receiveBuffer = 0; // granted to the generator's socket
};

LoadResult runLoad(const LoadPlan &plan);

// The number of nanoseconds of a monotonic clock.
int64_t nowNs();
double percentile(std::vector<double> values, double p);
