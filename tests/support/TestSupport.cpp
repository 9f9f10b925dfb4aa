#include "TestSupport.h"

#include "core/Cp932.h"

#include <QFile>

namespace testsupport {

QByteArray pattern(int size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
           file.flush();
}

QStringList readLogLines(const QString &path)
{
    const QByteArray bytes = readFile(path);
    QStringList lines;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = bytes.indexOf("\r\n", start);
        if (end < 0)
            break;
        lines << cp932::decode(QByteArrayView(bytes).sliced(start, end - start));
        start = end + 2;
    }
    return lines;
}

QStringList logMessages(const QString &path)
{
    QStringList messages;
    for (const QString &line : readLogLines(path))
        messages << line.section(u' ', 4);
    return messages;
}

} // namespace testsupport
