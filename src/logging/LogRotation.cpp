#include "LogRotation.h"

#include "core/NativeFolder.h"
#include "core/RuntimeError.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Generations are handled relative to the opened Log folder (a link in its
// place is followed once, to open it): only the generations' own names in
// that folder are deleted or renamed, never through a link of such a name,
// even when a link is swapped in while the rotation runs.
class GenerationFolder {
public:
    explicit GenerationFolder(const QByteArray &live) : m_path(splitNativePath(live)) {}
    ~GenerationFolder()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    GenerationFolder(const GenerationFolder &) = delete;
    GenerationFolder &operator=(const GenerationFolder &) = delete;

    Result<> open()
    {
        m_fd = openFolder(m_path.folder.constData());
        if (m_fd < 0) {
            const int error = errno;
            return RuntimeError::systemCall(
                QStringLiteral("ログフォルダを開けません（%1）").arg(QFile::decodeName(m_path.folder)), error);
        }
        return {};
    }

    const QByteArray &live() const { return m_path.name; }
    QByteArray generation(int number) const { return m_path.name + '.' + QByteArray::number(number); }

    // Only plain files count: a folder or a link of the same name is not a log file.
    bool exists(const QByteArray &name) const
    {
        struct stat st {};
        return ::fstatat(m_fd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
    }

    Result<> remove(const QByteArray &name) const
    {
        if (::unlinkat(m_fd, name.constData(), 0) != 0) {
            const int error = errno;
            return RuntimeError::systemCall(QStringLiteral("ファイルを削除できません（%1）").arg(path(name)), error);
        }
        return {};
    }

    // A rename never replaces an existing generation.
    Result<> rename(const QByteArray &from, const QByteArray &to) const
    {
        if (exists(to))
            return RuntimeError::fileExists(path(to));
        if (::renameat(m_fd, from.constData(), m_fd, to.constData()) != 0) {
            const int error = errno;
            return RuntimeError::systemCall(
                QStringLiteral("ファイル名を変更できません（%1 → %2）").arg(path(from), path(to)), error);
        }
        return {};
    }

private:
    QString path(const QByteArray &name) const { return QFile::decodeName(m_path.folder + '/' + name); }

    FolderAndName m_path;
    int m_fd = -1;
};

} // namespace

Result<> RotateLog(const QString &path, int16_t &maxSize, int16_t &generations)
{
    return LogRotation().check(path, maxSize, generations);
}

Result<> LogRotation::check(const QString &path, int16_t &maxSize, int16_t &generations)
{
    if (maxSize < 1)
        maxSize = DefaultLogMaxSize;
    if (generations < 1)
        generations = DefaultLogGenerations;

    if (!path.isSharedWith(m_path) && path != m_path) {
        m_native = QFile::encodeName(path);
        m_path = path;
    }
    const QByteArray &live = m_native;
    struct stat st {};
    if (live.isEmpty() || ::lstat(live.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};

    // The limit is a signed 32-bit byte count: 2048 MiB or more overflows.
    const int64_t limit = int64_t {maxSize} * 1024 * 1024;
    if (limit > INT32_MAX)
        return RuntimeError::overflow();
    if (static_cast<int64_t>(st.st_size) <= limit)
        return {};

    GenerationFolder folder(live);
    if (Result<> opened = folder.open(); !opened)
        return opened;
    const int g = generations;
    const QByteArray oldest = folder.generation(g - 1);
    if (folder.exists(oldest)) {
        if (Result<> removed = folder.remove(oldest); !removed)
            return removed;
    }
    for (int i = g - 1; i >= 1; --i) {
        const QByteArray from = folder.generation(i);
        if (!folder.exists(from))
            continue;
        if (Result<> moved = folder.rename(from, folder.generation(i + 1)); !moved)
            return moved;
    }
    // With a single generation the one older file is replaced each time, so
    // the rotation can never get stuck on an existing ".1".
    const QByteArray first = folder.generation(1);
    if (g == 1 && folder.exists(first)) {
        if (Result<> removed = folder.remove(first); !removed)
            return removed;
    }
    if (!folder.exists(folder.live()))
        return {};
    Result<> moved = folder.rename(folder.live(), first);
    if (moved)
        ++m_rotations;
    return moved;
}
