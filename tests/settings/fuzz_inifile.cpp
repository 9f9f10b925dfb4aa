// libFuzzer entry point for the INI reader and writer. The first bytes of
// the input choose the section, key and value; the rest is the file.
#include "settings/IniFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// A name of up to 7 bytes taken from the front of the input.
QByteArrayView takeName(QByteArrayView &input)
{
    if (input.isEmpty())
        return {};
    const qsizetype length = std::min<qsizetype>(input.front() & 7, input.size() - 1);
    const QByteArrayView name = input.sliced(1, length);
    input = input.sliced(length + 1);
    return name;
}

QByteArrayView trimBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArrayView input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QByteArrayView section = takeName(input);
    const QByteArrayView key = takeName(input);
    const QByteArrayView value = takeName(input);

    (void)ini::findValue(input, section, key);
    const std::optional<QByteArray> updated = ini::withValue(input, section, key, value);
    if (updated.has_value() != ini::isStorable(section, key, value))
        std::abort();
    if (updated && ini::findValue(*updated, section, key) != trimBlanks(value))
        std::abort();
    return 0;
}
