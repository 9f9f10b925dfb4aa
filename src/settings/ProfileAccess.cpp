#include "ProfileAccess.h"

#include "IniFile.h"
#include "core/Cp932.h"
#include "core/TextTrim.h"

namespace {

// The platform's read buffer holds 256 bytes, the terminating NUL included.
constexpr qsizetype ReadBufferValueBytes = 255;

// The first n bytes; a double-byte character that the cut would split is
// dropped whole.
QByteArrayView cutCp932(QByteArrayView bytes, qsizetype n)
{
    if (n >= bytes.size())
        return bytes;
    qsizetype kept = 0;
    while (kept < n) {
        const qsizetype width = ini::isLeadByte(bytes[kept]) ? 2 : 1;
        if (kept + width > n)
            break;
        kept += width;
    }
    return bytes.first(kept);
}

// Spaces only: tabs and other characters stay.
QString trimSpaces(const QString &text)
{
    return trimmedView(QStringView(text), [](QChar c) { return c == u' '; }).toString();
}

} // namespace

QString GetIniString(const QString &section, const QString &key, const QString &file)
{
    const std::optional<QByteArray> value = ini::readValue(file, cp932::encode(section), cp932::encode(key));
    if (!value || value->isEmpty())
        return {};
    return trimSpaces(cp932::decode(cutCp932(*value, ReadBufferValueBytes)));
}

bool PutIniString(const QString &section, const QString &key, const QString &file, const QString &value)
{
    return ini::writeValue(file, cp932::encode(section), cp932::encode(key), cp932::encode(value));
}

Result<QString> CutAnsiBytes(const QString &text, int n)
{
    if (n < 0)
        return RuntimeError::invalidArgument();
    return cp932::decode(cutCp932(cp932::encode(text), n));
}
