#pragma once

#include <QString>

#include <stdexcept>

// A run-time error of this program: a description a person can act on.
// Steps return it in a Result (see Result.h); it never crosses a guarded
// procedure: the guard logs the description followed by the procedure's
// label and discards the error.
class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(const QString &description);

    const QString &description() const noexcept { return m_description; }

    // The standard descriptions used across the program.
    static RuntimeError overflow();
    static RuntimeError typeMismatch();
    static RuntimeError invalidArgument();
    static RuntimeError subscriptOutOfRange();
    static RuntimeError fileExists(const QString &path);
    // `what` names the failed operation; the system's reason for `err` (errno) follows it.
    static RuntimeError systemCall(const QString &what, int err);
    // A failure with nothing to describe (a step that refused and said why
    // in its own box, or refused silently): the guard's line is the bare label.
    static RuntimeError undescribed();
    // What the guard makes of the exceptions no step expects.
    static RuntimeError outOfMemory();
    static RuntimeError unexpected();

private:
    QString m_description;
};
