#pragma once

#include <QByteArray>
#include <QString>

// Conversion between the program's strings and code page 932 (Shift-JIS),
// the encoding of the settings and log files.
namespace cp932 {

// Characters that code page 932 cannot represent become '?'.
QByteArray encode(QStringView text);
// Byte sequences that are not valid code page 932 become U+FFFD.
QString decode(QByteArrayView bytes);

} // namespace cp932
