#pragma once

#include "RuntimeError.h"

#include <optional>
#include <utility>
#include <variant>

// How a step of this program fails: it returns a Result, either the value
// it made or the RuntimeError that says why not (what std::expected<T,
// RuntimeError> is in C++23). The caller looks at it and goes on, passes
// the error up (`return result.error();`) or, in a handler with a label,
// hands it to the ErrorGuard, whose one log line is the description
// followed by the label. A handler with a label tells its own caller only
// true or false: its failure is logged already.
//
// The other ways out each have their own job:
// - std::optional: a value that may be absent, which is no failure (a key
//   missing from a file, a text that is no number).
// - exceptions: only what no step expects (memory running out, a missing
//   code page converter) and the socket's Bind and SendData, which throw
//   RuntimeError as the socket component's contract; the ErrorGuard of the
//   handler around them catches them.
// - errno numbers: inside the log and capture writers, which never fail
//   towards their callers; the number is what their line on standard
//   error tells.
template <typename T = void> class [[nodiscard]] Result {
public:
    Result(T value) : m_outcome(std::in_place_index<0>, std::move(value)) {}
    Result(RuntimeError error) : m_outcome(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_outcome.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The value; only when ok().
    const T &value() const { return std::get<0>(m_outcome); }
    T &value() { return std::get<0>(m_outcome); }
    const T &operator*() const { return value(); }
    T &operator*() { return value(); }
    const T *operator->() const { return &value(); }

    // Why it failed; only when !ok().
    const RuntimeError &error() const { return std::get<1>(m_outcome); }

private:
    std::variant<T, RuntimeError> m_outcome;
};

// A step that makes nothing: success, or why it failed.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(RuntimeError error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }

    // Why it failed; only when !ok().
    const RuntimeError &error() const { return m_error.value(); }

private:
    std::optional<RuntimeError> m_error;
};
