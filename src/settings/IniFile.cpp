#include "IniFile.h"

#include "core/TextTrim.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>
#include <unistd.h>

namespace ini {

namespace {

constexpr QByteArrayView Utf8Bom("\xEF\xBB\xBF");

bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

QByteArrayView trimBlanks(QByteArrayView text)
{
    return trimmedView(text, isBlank<char>);
}

char foldAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// ASCII letters match without case; a double-byte character only exactly,
// so that trail bytes in the letter range are not folded.
bool namesMatch(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (isLeadByte(a[i]) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
            ++i;
        } else if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

qsizetype contentStart(QByteArrayView content)
{
    return content.startsWith(Utf8Bom) ? Utf8Bom.size() : 0;
}

// Byte offsets of one line: its text is [begin, bodyEnd), its line ending
// [bodyEnd, end).
struct Line {
    qsizetype begin = 0;
    qsizetype bodyEnd = 0;
    qsizetype end = 0;

    bool hasLineEnding() const { return end > bodyEnd; }
};

class LineReader {
public:
    explicit LineReader(QByteArrayView content) : m_content(content), m_pos(contentStart(content)) {}

    bool next(Line &line)
    {
        const qsizetype size = m_content.size();
        if (m_pos >= size)
            return false;
        line.begin = m_pos;
        qsizetype i = m_pos;
        while (i < size && !isLineBreak(m_content[i]))
            ++i;
        line.bodyEnd = i;
        if (i < size)
            i += (m_content[i] == '\r' && i + 1 < size && m_content[i + 1] == '\n') ? 2 : 1;
        line.end = i;
        m_pos = i;
        return true;
    }

private:
    QByteArrayView m_content;
    qsizetype m_pos;
};

struct Entry {
    enum Kind { Other, Section, Key } kind = Other;
    QByteArrayView name;
    qsizetype valueBegin = 0; // offset in the content, after "="
};

Entry classify(QByteArrayView content, const Line &line)
{
    const QByteArrayView body = content.sliced(line.begin, line.bodyEnd - line.begin);
    qsizetype first = 0;
    while (first < body.size() && isBlank(body[first]))
        ++first;
    if (first == body.size() || body[first] == ';')
        return {};
    if (body[first] == '[') {
        const qsizetype close = body.indexOf(']', first + 1);
        if (close >= 0)
            return {Entry::Section, trimBlanks(body.sliced(first + 1, close - first - 1)), 0};
    }
    const qsizetype equals = body.indexOf('=');
    if (equals < 0)
        return {};
    return {Entry::Key, trimBlanks(body.first(equals)), line.begin + equals + 1};
}

// Where a key is, or where it would go.
struct Location {
    std::optional<Line> header;  // of the first matching section
    std::optional<Line> lastKey; // last key line of that section so far
    std::optional<Line> key;
    qsizetype valueBegin = 0;
};

Location locate(QByteArrayView content, QByteArrayView section, QByteArrayView key)
{
    Location where;
    LineReader reader(content);
    Line line;
    while (reader.next(line)) {
        const Entry entry = classify(content, line);
        if (entry.kind == Entry::Section) {
            if (where.header)
                break;
            if (namesMatch(entry.name, section))
                where.header = line;
        } else if (entry.kind == Entry::Key && where.header) {
            where.lastKey = line;
            if (namesMatch(entry.name, key)) {
                where.key = line;
                where.valueBegin = entry.valueBegin;
                break;
            }
        }
    }
    return where;
}

// The file's first line ending; CR LF when it has none.
QByteArrayView lineEndingOf(QByteArrayView content)
{
    for (qsizetype i = contentStart(content); i < content.size(); ++i) {
        if (content[i] == '\n')
            return "\n";
        if (content[i] == '\r')
            return i + 1 < content.size() && content[i + 1] == '\n' ? "\r\n" : "\r";
    }
    return "\r\n";
}

bool hasPermissionToWrite(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return false;
    // Checked apart from access() so that a read-only file stays read-only
    // even for a process that may write anything.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    return ::access(native.constData(), W_OK) == 0;
}

std::optional<QByteArray> readContent(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > MaxFileSize)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError || content.size() > MaxFileSize)
        return std::nullopt;
    return content;
}

} // namespace

bool isLeadByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::optional<QByteArray> findValue(QByteArrayView content, QByteArrayView section, QByteArrayView key)
{
    const Location where = locate(content, trimBlanks(section), trimBlanks(key));
    if (!where.key)
        return std::nullopt;
    QByteArrayView value = content.sliced(where.valueBegin, where.key->bodyEnd - where.valueBegin);
    const qsizetype nul = value.indexOf('\0');
    if (nul >= 0)
        value = value.first(nul);
    return trimBlanks(value).toByteArray();
}

bool isStorable(QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    const auto breaksLine = [](QByteArrayView text) {
        return text.contains('\r') || text.contains('\n') || text.contains('\0');
    };
    if (breaksLine(section) || breaksLine(key) || breaksLine(value))
        return false;
    const QByteArrayView trimmedKey = trimBlanks(key);
    return !section.contains(']') && !key.contains('=') && !trimmedKey.startsWith(';') && !trimmedKey.startsWith('[');
}

std::optional<QByteArray> withValue(QByteArrayView content, QByteArrayView section, QByteArrayView key,
                                    QByteArrayView value)
{
    if (!isStorable(section, key, value))
        return std::nullopt;
    section = trimBlanks(section);
    key = trimBlanks(key);
    const Location where = locate(content, section, key);
    QByteArray result;
    result.reserve(content.size() + section.size() + key.size() + value.size() + 8);

    if (where.key) {
        result.append(content.first(where.valueBegin)).append(value).append(content.sliced(where.key->bodyEnd));
        return result;
    }

    const QByteArrayView eol = lineEndingOf(content);
    if (where.header) {
        // The new line goes after the section's last key line and ends like
        // it; a lone CR cannot then join a following LF into one line ending.
        const Line &anchor = where.lastKey ? *where.lastKey : *where.header;
        result.append(content.first(anchor.end));
        if (anchor.hasLineEnding()) {
            result.append(key).append('=').append(value);
            result.append(content.sliced(anchor.bodyEnd, anchor.end - anchor.bodyEnd));
        } else {
            result.append(eol).append(key).append('=').append(value);
        }
        result.append(content.sliced(anchor.end));
        return result;
    }

    result.append(content);
    if (content.size() > contentStart(content) && !isLineBreak(content.back()))
        result.append(eol);
    result.append('[').append(section).append(']').append(eol);
    result.append(key).append('=').append(value).append(eol);
    return result;
}

std::optional<QByteArray> readValue(const QString &path, QByteArrayView section, QByteArrayView key)
{
    const std::optional<QByteArray> content = readContent(path);
    if (!content)
        return std::nullopt;
    return findValue(*content, section, key);
}

bool writeValue(const QString &path, QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    if (!isStorable(section, key, value))
        return false;
    QByteArray content;
    const bool exists = QFileInfo::exists(path);
    if (exists) {
        std::optional<QByteArray> current = readContent(path);
        if (!current || !hasPermissionToWrite(path))
            return false;
        content = std::move(*current);
    }
    const std::optional<QByteArray> updated = withValue(content, section, key, value);
    if (!updated || updated->size() > MaxFileSize)
        return false;
    if (exists && *updated == content)
        return true;

    // QSaveFile writes a temporary file beside the original, gives it the
    // original's permissions and renames it over the original on commit.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(*updated) != updated->size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace ini
