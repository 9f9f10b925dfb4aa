#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Reading and writing single values of INI files on their raw bytes (code
// page 932). Lines end in CR LF, LF or CR; a UTF-8 byte-order mark at the
// start is skipped. "[name]" opens a section, "key=value" gives a value
// (key and value trimmed of spaces and tabs), lines starting with ";" are
// comments. Names are trimmed of blanks, in the file and when asked for,
// and match without regard to ASCII letter case (double-byte characters
// compare exactly). The first of duplicate sections or keys counts, and a
// key is looked up only in the first matching section.
namespace ini {

// Files beyond this size are neither read nor rewritten.
constexpr qsizetype MaxFileSize = 16 * 1024 * 1024;

// Whether the byte starts a double-byte character of code page 932.
bool isLeadByte(char c);

// The value of the key, cut at its first NUL byte; nullopt when the
// section or the key is missing.
std::optional<QByteArray> findValue(QByteArrayView content, QByteArrayView section, QByteArrayView key);

// Whether a write can store the names and the value as one line each: no
// line breaks or NUL bytes anywhere, no "]" in the section, no "=" in the
// key, and a key that does not start with ";" or "[".
bool isStorable(QByteArrayView section, QByteArrayView key, QByteArrayView value);

// The content with the key created or replaced; every other byte stays.
// nullopt when isStorable() is false.
std::optional<QByteArray> withValue(QByteArrayView content, QByteArrayView section, QByteArrayView key,
                                    QByteArrayView value);

// findValue() on the file; nullopt when the file is missing, unreadable,
// not a regular file or too large.
std::optional<QByteArray> readValue(const QString &path, QByteArrayView section, QByteArrayView key);

// withValue() on the file, which is created when missing (its folder must
// exist). The new content goes to a temporary file in the same folder that
// replaces the original only once fully written, so a failed write leaves
// the original intact. A read-only file (no write permission bit, or not
// writable for this process) is left alone. False when nothing was stored.
bool writeValue(const QString &path, QByteArrayView section, QByteArrayView key, QByteArrayView value);

} // namespace ini
