#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// Moves the log file at `path` to its first older generation when it is
// larger than `maxSize` MiB; older generations move up by one and the
// oldest is deleted. A limit below 1 is replaced by its default (3 MiB, 10
// generations) in the caller's variable. A failure stops the rotation where
// it is: files already moved stay moved.
Result<> RotateLog(const QString &path, int16_t &maxSize, int16_t &generations);

// The same check for one caller that runs it again and again, as the
// datagram path does for every datagram.
class LogRotation {
public:
    Result<> check(const QString &path, int16_t &maxSize, int16_t &generations);
    // The files this check moved to their first older generation.
    uint64_t rotations() const { return m_rotations; }

private:
    uint64_t m_rotations = 0;
    // The path's native form is kept: the same path comes on every call.
    QString m_path;
    QByteArray m_native;
};

constexpr int16_t DefaultLogMaxSize = 3;
constexpr int16_t DefaultLogGenerations = 10;
