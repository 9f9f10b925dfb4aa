#pragma once

#include "LogWriter.h"
#include "core/Result.h"
#include "core/RuntimeError.h"

#include <QString>

#include <exception>
#include <new>
#include <type_traits>
#include <utility>

// The shape every guarded procedure shares: the body runs; a failure it
// returns (a failed Result) or throws leaves it at once, one log line made
// of the error's description followed directly by the label is written,
// the error is discarded and the procedure returns normally. The guard
// stands at the edges, around the body of a procedure with a label; the
// steps inside return Results.
class ErrorGuard {
public:
    ErrorGuard(LogWriter &log, int16_t toolKind) : m_log(log), m_toolKind(toolKind) {}

    // Runs `body` (returning nothing or a Result<>); true when it ran to its
    // end. A handler's step after its line (a box) follows a false.
    template <typename Body> bool run(const QString &label, Body &&body) noexcept
    {
        const Result<> outcome = attempt(std::forward<Body>(body));
        if (!outcome)
            report(label, outcome.error());
        return outcome.ok();
    }

    // Runs `body` (returning nothing, or a Result) and gives what it
    // returned, an exception it threw turned into a failure: for a handler
    // with a step before its line, which reports the failure itself.
    template <typename Body> static auto attempt(Body &&body) noexcept
    {
        using Returned = std::invoke_result_t<Body &>;
        using Outcome = std::conditional_t<std::is_void_v<Returned>, Result<>, Returned>;
        try {
            if constexpr (std::is_void_v<Returned>) {
                body();
                return Outcome();
            } else {
                return Outcome(body());
            }
        } catch (const RuntimeError &error) {
            return Outcome(error);
        } catch (const std::bad_alloc &) {
            return Outcome(RuntimeError::outOfMemory());
        } catch (const std::exception &error) {
            return Outcome(RuntimeError(QString::fromLocal8Bit(error.what())));
        } catch (...) {
            return Outcome(RuntimeError::unexpected());
        }
    }

    // The handler's line: the error's description followed by the label
    // (the bare label for an undescribed failure).
    void report(const QString &label, const RuntimeError &error) noexcept;

    LogWriter &log() const { return m_log; }
    int16_t toolKind() const { return m_toolKind; }

private:
    LogWriter &m_log;
    int16_t m_toolKind;
};
