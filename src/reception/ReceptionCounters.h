#pragma once

#include <cstdint>
#include <ctime>

// What the datagram road counts as it goes: plain increments, no locks and
// no allocation, read between datagrams by whoever reports on the
// receiver (the metrics endpoint, the headless status line).
struct ReceptionCounters {
    uint64_t received = 0;      // datagrams handled, the too short ones included
    uint64_t tooShort = 0;      // 0 or 1 byte: logged as an error, neither shown nor answered
    uint64_t answered = 0;      // echoes sent
    uint64_t bytesReceived = 0; // payload bytes
    uint64_t bytesSent = 0;
    timespec lastReceived {}; // real time of the last datagram; zero before the first
};

// The receiver's state at one moment, for a report.
struct ReceptionReport {
    ReceptionCounters counters;
    uint64_t systemDropped = 0; // by the system, the receive buffer full, over every start of reception
    bool on = false;
    int32_t port = 0; // the configured receive port
    uint64_t logLinesLost = 0;
    uint64_t captureRecordsLost = 0;
    uint64_t logRotations = 0;
    uint64_t captureRotations = 0;
};
