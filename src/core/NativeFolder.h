#pragma once

#include <QByteArray>

// The folder and the last name of a native path: "." for a bare name, "/"
// for a name at the root.
struct FolderAndName {
    QByteArray folder;
    QByteArray name;
};
FolderAndName splitNativePath(const QByteArray &path);

// Opens a folder for the *at calls; a link in its place is not followed.
// -1 with errno set on failure.
int openFolderNoFollow(const char *path) noexcept;

// Opens a folder for the *at calls, following a link in its place to the
// folder it names. -1 with errno set on failure.
int openFolder(const char *path) noexcept;
