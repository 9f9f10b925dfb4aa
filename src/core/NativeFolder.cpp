#include "NativeFolder.h"

#include <fcntl.h>

FolderAndName splitNativePath(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return {slash > 0 ? path.first(slash) : slash == 0 ? QByteArray("/") : QByteArray("."), path.sliced(slash + 1)};
}

int openFolderNoFollow(const char *path) noexcept
{
    return ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

int openFolder(const char *path) noexcept
{
    return ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}
