#pragma once

#include <QString>

#include <cstdint>

// Moves the log file at `path` to its first older generation when it is
// larger than `maxSize` MiB; older generations move up by one and the
// oldest is deleted. A limit below 1 is replaced by its default (3 MiB, 10
// generations) in the caller's variable. Failures are thrown as
// RuntimeError; files already moved stay moved.
void RotateLog(const QString &path, int16_t &maxSize, int16_t &generations);

constexpr int16_t DefaultLogMaxSize = 3;
constexpr int16_t DefaultLogGenerations = 10;
