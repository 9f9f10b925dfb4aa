#include "Folders.h"

#include "core/NativeFolder.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Result<> MakeFolder(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0)
        return {}; // a file or folder of that name exists
    // A folder that another process made in the meantime counts as made.
    if (::mkdir(native.constData(), 0777) != 0 && errno != EEXIST) {
        const int error = errno;
        return RuntimeError::systemCall(QStringLiteral("フォルダを作成できません（%1）").arg(path), error);
    }
    return {};
}

bool ClearFolder(const QString &path, uint8_t keepFolder)
{
    // The folder itself is opened without following a link, and every entry
    // is looked at and deleted relative to that handle: a link in its place,
    // or swapped in while we work, never leads the deletion anywhere else.
    const QByteArray native = QFile::encodeName(path);
    const int dirFd = openFolderNoFollow(native.constData());
    if (dirFd < 0)
        return false;
    DIR *dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return false;
    }
    bool ok = true;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat st {};
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(st.st_mode))
            continue; // subfolders are not touched
        if (::unlinkat(dirFd, name, 0) != 0)
            ok = false;
    }
    ::closedir(dir); // closes dirFd
    if (keepFolder == 0 && ::rmdir(native.constData()) != 0)
        ok = false;
    return ok;
}
