#pragma once

// The lengths of the benchmark's phases; the table's labels name them.
struct PhaseSettings {
    int floodMs = 4000;       // flood echo rate: offered as fast as possible for this long
    int searchBurstMs = 2000; // loss-free rate: length of each burst
    int searchSteps = 7;      // loss-free rate: bursts in the bisection
    int burstCount = 10000;   // datagrams of the burst sent as fast as possible
    int rttMs = 2000;         // round trips at 1,000 per second
    int cpuMs = 2000;         // CPU use at 10,000 per second
    int tickFloodMs = 10000;  // flood during which the clock ticks are watched
    int clickWindowMs = 3000; // further flood while the clicks are measured
    int pacedCount = 1000000; // datagrams between the two memory readings
    int warmUpCount = 10000;  // datagrams before the first of them

    // Short phases for a smoke run.
    static PhaseSettings quick();
};
