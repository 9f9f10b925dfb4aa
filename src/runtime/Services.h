#pragma once

class Clock;
class ErrorGuard;
class LogWriter;
class MessageBoxService;
struct Runtime;

// What start-up and the windows' handlers work with: the run-time model,
// message boxes, the clock, the log writer and the error guard. The
// program (or a test) owns them and hands them to whoever needs them.
struct Services {
    Runtime &runtime;
    MessageBoxService &boxes;
    Clock &clock;
    LogWriter &log;
    ErrorGuard &guard;
};
