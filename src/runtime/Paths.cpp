#include "Paths.h"

#include "Runtime.h"
#include "ToolKinds.h"

#include <QDir>

QString AddBackslash(const QString &path)
{
    const QChar separator = QDir::separator();
    if (path.endsWith(separator))
        return path;
    return path + separator;
}

QString instanceLockFile(const Runtime &runtime)
{
    return AddBackslash(runtime.appDefine.LogPath) +
           QString::fromLatin1(ToolKindTable[static_cast<size_t>(runtime.ToolKind())].toolId) + QStringLiteral(".lock");
}
