// Offers datagrams to an echo service and prints what came back.
//
// usage: udprecv_loadgen <port> <count> <size> [rate per second, 0 = flood]

#include "LoadGenerator.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <port> <count> <size> [rate]\n", argv[0]);
        return 2;
    }
    LoadPlan plan;
    plan.port = static_cast<uint16_t>(std::atoi(argv[1]));
    plan.count = std::atoi(argv[2]);
    plan.size = std::atoi(argv[3]);
    plan.rate = argc > 4 ? std::atof(argv[4]) : 0;
    const LoadResult r = runLoad(plan);
    std::printf("sent %d echoed %d bad %d loss %.2f%% rate %.0f/s rtt p50 %.1fus p99 %.1fus rcvbuf %d\n", r.sent,
                r.echoed, r.bad, r.lossPercent, r.echoRate, r.rttP50us, r.rttP99us, r.receiveBuffer);
    return 0;
}
