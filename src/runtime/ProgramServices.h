#pragma once

#include "Runtime.h"
#include "Services.h"
#include "core/Clock.h"
#include "logging/ErrorGuard.h"
#include "logging/LogWriter.h"

// The services of a running program, made and owned together: the
// run-time model (its folder still to be set), the system clock, the log
// writer and the error guard, handed out as `services` with the caller's
// message boxes (a display's, or standard error's without one).
struct ProgramServices {
    explicit ProgramServices(MessageBoxService &boxes)
        : log(runtime.logging, clock), guard(log, UdpReceiverKind), services {runtime, boxes, clock, log, guard}
    {
    }
    ProgramServices(const ProgramServices &) = delete;
    ProgramServices &operator=(const ProgramServices &) = delete;

    Runtime runtime;
    SystemClock clock;
    LogWriter log;
    ErrorGuard guard;
    const Services services;
};
