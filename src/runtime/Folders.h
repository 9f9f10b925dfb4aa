#pragma once

#include "core/Result.h"

#include <QString>

#include <cstdint>

// Creates the folder when nothing of that name exists (made meanwhile by
// another process counts as made).
Result<> MakeFolder(const QString &path);

// Deletes every file in the folder (subfolders stay); false on an error.
// A link in place of the folder is not followed: nothing is deleted, false.
bool ClearFolder(const QString &path, uint8_t keepFolder);
