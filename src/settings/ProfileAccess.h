#pragma once

#include "core/Result.h"

#include <QString>

// Single values of profile (INI) files in code page 932. Section and key
// names match without regard to letter case; the first of duplicate
// sections or keys counts.

// The value with leading and trailing spaces removed (at most 255 bytes of
// the stored value); "" when the file, the section or the key is missing.
QString GetIniString(const QString &section, const QString &key, const QString &file);

// Creates or replaces exactly that key, leaving every other byte of the
// file as it was; creates the file and the section when missing. A write
// that cannot be done (read-only file or folder, missing folder, full disk)
// leaves the file as it was and returns false.
bool PutIniString(const QString &section, const QString &key, const QString &file, const QString &value);

// The text converted to code page 932, cut to its first n bytes and
// converted back; an incomplete double-byte character at the cut is dropped.
// A negative n is an invalid argument.
Result<QString> CutAnsiBytes(const QString &text, int n);
