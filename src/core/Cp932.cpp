#include "Cp932.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

// One conversion descriptor per direction and thread, opened on first use.
class Converter {
public:
    Converter(const char *to, const char *from) : m_cd(iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("iconv cannot convert between code page 932 and UTF-8");
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    // Converts `input`; on a sequence that cannot be converted, appends
    // `replacement` and skips `skip(remaining input)` bytes.
    template <typename Skip> QByteArray convert(QByteArrayView input, QByteArrayView replacement, Skip skip)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        QByteArray out;
        out.resize(input.size() * 2 + 16);
        char *in = const_cast<char *>(input.data());
        size_t inLeft = static_cast<size_t>(input.size());
        char *dst = out.data();
        size_t outLeft = static_cast<size_t>(out.size());
        while (inLeft > 0) {
            if (iconv(m_cd, &in, &inLeft, &dst, &outLeft) != static_cast<size_t>(-1))
                break;
            const qsizetype used = dst - out.data();
            if (errno == E2BIG || outLeft < static_cast<size_t>(replacement.size())) {
                out.resize(out.size() * 2);
                dst = out.data() + used;
                outLeft = static_cast<size_t>(out.size() - used);
                continue;
            }
            // EILSEQ or EINVAL: an unconvertible or truncated sequence.
            memcpy(dst, replacement.data(), static_cast<size_t>(replacement.size()));
            dst += replacement.size();
            outLeft -= static_cast<size_t>(replacement.size());
            const size_t n = std::min(inLeft, skip(reinterpret_cast<const unsigned char *>(in), inLeft));
            in += n;
            inLeft -= n;
        }
        out.resize(dst - out.data());
        return out;
    }

private:
    iconv_t m_cd;
};

size_t utf8SequenceLength(const unsigned char *p, size_t)
{
    if (*p < 0x80)
        return 1;
    if ((*p & 0xE0) == 0xC0)
        return 2;
    if ((*p & 0xF0) == 0xE0)
        return 3;
    if ((*p & 0xF8) == 0xF0)
        return 4;
    return 1;
}

size_t oneByte(const unsigned char *, size_t)
{
    return 1;
}

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

namespace cp932 {

QByteArray encode(QStringView text)
{
    bool ascii = true;
    for (QChar c : text)
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return text.toLatin1();
    thread_local Converter toCp932("CP932", "UTF-8");
    return toCp932.convert(text.toUtf8(), "?", utf8SequenceLength);
}

QString decode(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    thread_local Converter fromCp932("UTF-8", "CP932");
    return QString::fromUtf8(fromCp932.convert(bytes, "\xEF\xBF\xBD", oneByte));
}

} // namespace cp932
