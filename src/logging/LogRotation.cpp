#include "LogRotation.h"

#include "core/RuntimeError.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Only plain files count: a folder of the same name is not a log file.
bool fileExists(const QByteArray &path)
{
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QByteArray generationName(const QByteArray &path, int generation)
{
    return path + '.' + QByteArray::number(generation);
}

void removeFile(const QByteArray &path)
{
    if (::unlink(path.constData()) != 0)
        throw RuntimeError::systemCall(QStringLiteral("ファイルを削除できません (%1)").arg(QFile::decodeName(path)),
                                       errno);
}

void renameFile(const QByteArray &from, const QByteArray &to)
{
    // A rename never replaces an existing generation.
    if (fileExists(to))
        throw RuntimeError::fileExists(QFile::decodeName(to));
    if (::rename(from.constData(), to.constData()) != 0)
        throw RuntimeError::systemCall(
            QStringLiteral("ファイル名を変更できません (%1 → %2)").arg(QFile::decodeName(from), QFile::decodeName(to)),
            errno);
}

} // namespace

void RotateLog(const QString &path, int16_t &maxSize, int16_t &generations)
{
    if (maxSize < 1)
        maxSize = DefaultLogMaxSize;
    if (generations < 1)
        generations = DefaultLogGenerations;

    // The path is the same on every call from the datagram path: its native
    // form is kept.
    thread_local QString lastPath;
    thread_local QByteArray lastNative;
    if (path != lastPath) {
        lastNative = QFile::encodeName(path);
        lastPath = path;
    }
    const QByteArray &live = lastNative;
    struct stat st {};
    if (live.isEmpty() || ::stat(live.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return;

    // The limit is a signed 32-bit byte count: 2048 MiB or more overflows.
    const int64_t limit = int64_t {maxSize} * 1024 * 1024;
    if (limit > INT32_MAX)
        throw RuntimeError::overflow();
    if (static_cast<int64_t>(st.st_size) <= limit)
        return;

    const int g = generations;
    const QByteArray oldest = generationName(live, g - 1);
    if (fileExists(oldest))
        removeFile(oldest);
    for (int i = g - 1; i >= 1; --i) {
        const QByteArray from = generationName(live, i);
        if (fileExists(from))
            renameFile(from, generationName(live, i + 1));
    }
    // With a single generation the one older file is replaced each time, so
    // the rotation can never get stuck on an existing ".1".
    const QByteArray first = generationName(live, 1);
    if (g == 1 && fileExists(first))
        removeFile(first);
    if (fileExists(live))
        renameFile(live, first);
}
