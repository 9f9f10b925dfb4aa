#include "LogWriter.h"

#include "core/Clock.h"
#include "core/Cp932.h"
#include "core/NativeFolder.h"

#include <QFile>

#include <charconv>

namespace {

void appendDecimal(std::string &out, int value)
{
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// The decimal value, preceded by "0" when it is 9 or less.
void appendTwoDigits(std::string &out, int value)
{
    if (value <= 9)
        out += '0';
    appendDecimal(out, value);
}

void appendTenths(std::string &out, int milliseconds)
{
    if (milliseconds <= 99) {
        out += '0';
        return;
    }
    char digits[16];
    std::to_chars(digits, digits + sizeof digits, milliseconds);
    out += digits[0];
}

// The code with the pattern "0000".
void appendCode(std::string &out, int code)
{
    if (code < 0) {
        out += '-';
        code = -code;
    }
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, code);
    for (auto n = result.ptr - digits; n < 4; ++n)
        out += '0';
    out.append(digits, result.ptr);
}

} // namespace

QString FormatTwoDigits(int16_t value)
{
    std::string out;
    appendTwoDigits(out, value);
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

QString FormatTenths(int16_t milliseconds)
{
    std::string out;
    appendTenths(out, milliseconds);
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

std::string formatLogStamp(const LocalTime &t)
{
    std::string out;
    appendLogStamp(out, t);
    return out;
}

void appendLogStamp(std::string &out, const LocalTime &t)
{
    const auto twoDigits = [](int value) { return value >= 0 && value <= 99; };
    if (t.year >= 10 && twoDigits(t.month) && twoDigits(t.day) && twoDigits(t.hour) && twoDigits(t.minute) &&
        twoDigits(t.second) && t.millisecond >= 0 && t.millisecond <= 999) {
        // Every field of a real time: "yy/MM/dd HH:mm:ss.t" in one piece.
        char stamp[19];
        const auto put = [&stamp](int at, int value) {
            stamp[at] = static_cast<char>('0' + value / 10);
            stamp[at + 1] = static_cast<char>('0' + value % 10);
        };
        put(0, t.year % 100);
        stamp[2] = '/';
        put(3, t.month);
        stamp[5] = '/';
        put(6, t.day);
        stamp[8] = ' ';
        put(9, t.hour);
        stamp[11] = ':';
        put(12, t.minute);
        stamp[14] = ':';
        put(15, t.second);
        stamp[17] = '.';
        stamp[18] = static_cast<char>('0' + t.millisecond / 100);
        out.append(stamp, sizeof stamp);
        return;
    }
    // The last two characters of the decimal year.
    char year[16];
    const auto yearEnd = std::to_chars(year, year + sizeof year, t.year).ptr;
    out.append(yearEnd - year > 2 ? yearEnd - 2 : year, yearEnd);
    out += '/';
    appendTwoDigits(out, t.month);
    out += '/';
    appendTwoDigits(out, t.day);
    out += ' ';
    appendTwoDigits(out, t.hour);
    out += ':';
    appendTwoDigits(out, t.minute);
    out += ':';
    appendTwoDigits(out, t.second);
    out += '.';
    appendTenths(out, t.millisecond);
}

LogWriter::LogWriter(const LoggingGlobals &globals, const Clock &clock)
    : m_globals(globals), m_clock(clock), m_failures(QStringLiteral("ログ"), QStringLiteral("行"), "log")
{
    m_line.reserve(512);
}

void LogWriter::WriteLog(int16_t kind, const QString &message, const QString &stamp, int16_t code) noexcept
{
    try {
        const QByteArray &encoded = encodedText(message);
        const QByteArray given = stamp.isEmpty() ? QByteArray() : cp932::encode(stamp);
        writeLine(kind, std::string_view(given.constData(), static_cast<size_t>(given.size())), nullptr, {},
                  std::string_view(encoded.constData(), static_cast<size_t>(encoded.size())), code);
    } catch (...) {
        // The line is lost; the caller never hears of it.
    }
}

void LogWriter::WriteLog(int16_t kind, qsizetype count, const QString &text, const LocalTime &at) noexcept
{
    try {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, count).ptr;
        const QByteArray &encoded = encodedText(text);
        writeLine(kind, {}, &at, std::string_view(digits, static_cast<size_t>(end - digits)),
                  std::string_view(encoded.constData(), static_cast<size_t>(encoded.size())), 0);
    } catch (...) {
    }
}

const QByteArray &LogWriter::encodedText(const QString &text)
{
    // The same characters at the same address: isSharedWith alone would miss a QStringLiteral, which has no
    // shared header; an entry keeps its text referenced, so those characters cannot have changed.
    for (const EncodedText &entry : m_texts) {
        if (text.constData() == entry.source.constData() && text.size() == entry.source.size())
            return entry.encoded;
    }
    for (EncodedText &entry : m_texts) {
        if (entry.source == text) {
            entry.source = text; // the next call with this object is found by its identity
            return entry.encoded;
        }
    }
    QByteArray encoded = cp932::encode(text);
    EncodedText &entry = m_texts[m_nextText];
    m_nextText = (m_nextText + 1) % m_texts.size();
    entry.source = text;
    entry.encoded = std::move(encoded);
    return entry.encoded;
}

const LogWriter::EncodedPath &LogWriter::encodedPath(int16_t kind)
{
    const auto index = static_cast<size_t>(kind);
    const QString &path = m_globals.LogFiles[index];
    EncodedPath &encoded = m_paths[index];
    if (!path.isSharedWith(encoded.source) && path != encoded.source) {
        encoded.source = path;
        encoded.native = splitNativePath(QFile::encodeName(path));
    }
    return encoded;
}

void LogWriter::writeLine(int16_t kind, std::string_view stamp, const LocalTime *at, std::string_view lead,
                          std::string_view message, int16_t code) noexcept
{
    if (kind < 0 || kind >= ToolKindCount)
        return;
    const EncodedPath &path = encodedPath(kind);
    if (path.source.isEmpty())
        return;
    if (!m_globals.HostName.isSharedWith(m_hostSource) && m_globals.HostName != m_hostSource) {
        m_hostSource = m_globals.HostName;
        m_hostEncoded = cp932::encode(m_hostSource);
        m_prefixKey.reset();
    }
    const int shownCode = code == 0 ? 1001 : code;
    m_line.clear();
    if (stamp.empty())
        m_line += currentPrefix(shownCode, at ? *at : m_clock.now());
    else
        appendPrefix(m_line, shownCode, stamp);
    m_line += lead;
    m_line += message;
    m_line += "\r\n";

    m_failures.note(m_folder.append(path.native, m_line), path.source);
}

void LogWriter::appendPrefix(std::string &out, int code, std::string_view stamp) const
{
    appendCode(out, code);
    out += ' ';
    out += stamp;
    out += ' ';
    out.append(m_hostEncoded.constData(), static_cast<size_t>(m_hostEncoded.size()));
    out += ' ';
}

const std::string &LogWriter::currentPrefix(int code, const LocalTime &now)
{
    // The stamp shows the milliseconds of a real time as one digit: within
    // one tenth of a second the same prefix serves.
    PrefixKey key {code, now, now.millisecond >= 0 && now.millisecond <= 999};
    if (key.tenthsOnly)
        key.time.millisecond /= 100;
    if (key != m_prefixKey) {
        m_prefix.clear();
        appendPrefix(m_prefix, code, formatLogStamp(now));
        m_prefixKey = key;
    }
    return m_prefix;
}
