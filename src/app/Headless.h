#pragma once

struct CommandLine;
struct DataHome;

// The whole program with --headless; returns its exit status: 0 when a
// signal ended it, 1 when it could not start (the reason on standard error).
// Under a service manager (Type=notify) it tells when it is ready, each
// status line and when it stops, and keeps the watchdog it is asked for.
// Its events go to the journal under systemd, its counters to the metrics
// endpoint the command line or the settings ask for (see ProgramReports).
// The receiver itself is HeadlessReceiver.
int runHeadless(int &argc, char **argv, const DataHome &home, const CommandLine &commandLine);
