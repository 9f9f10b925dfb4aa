#pragma once

struct DataHome;

// The whole program with --headless; returns its exit status: 0 when a
// signal ended it, 1 when it could not start (the reason on standard error).
// Under a service manager (Type=notify) it tells when it is ready, each
// status line and when it stops, and keeps the watchdog it is asked for.
// The receiver itself is HeadlessReceiver.
int RunHeadless(int &argc, char **argv, const DataHome &home);
