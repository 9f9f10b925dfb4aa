#include "TestSupport.h"
#include "settings/IniFile.h"
#include "settings/ProfileAccess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int Iterations = 4000;
constexpr int FileEvery = 25; // every n-th case also goes through a real file
constexpr qint64 TimeLimitMs = 60'000;

const QList<QByteArray> Tokens = {
    "[",   "]",       "=",   ";",       " ",     "\t",   "\r",      "\n",           "\r\n", QByteArray(1, '\0'),
    "a",   "A",       "b",   "B",       "Port",  "port", "\x83",    "\x41",         "\x61", "\xEF\xBB\xBF",
    "[a]", "[A]\r\n", "a=1", "b = 2\n", "[b]\n", ";a=0", " [ a ] ", "\x83\x41=x\r", "==",   "\xFF",
};
const QList<QByteArray> Names = {"a", "A", " a ", "b", "Port", "", "\x83\x41", "\x83\x61", "a b", "]"};
const QList<QByteArray> ValueTokens = {"1", "x", " ", "\t", "=", "[", "]", ";", "\x83\x41", "\xFF"};

QByteArray randomTokens(QRandomGenerator &random, int maxCount)
{
    QByteArray out;
    const int count = random.bounded(maxCount + 1);
    for (int i = 0; i < count; ++i) {
        if (random.bounded(8) == 0)
            out.append(static_cast<char>(random.bounded(256)));
        else
            out.append(Tokens[random.bounded(Tokens.size())]);
    }
    return out;
}

// Mostly names that match one another, so that the cases find their keys.
QByteArray randomName(QRandomGenerator &random)
{
    const int pick = random.bounded(16);
    if (pick == 0)
        return randomTokens(random, 2);
    if (pick < 8)
        return Names[random.bounded(3)];
    return Names[random.bounded(Names.size())];
}

// Mostly values that can be stored; now and then a line break or NUL.
QByteArray randomValue(QRandomGenerator &random)
{
    if (random.bounded(8) == 0)
        return randomTokens(random, 4);
    QByteArray out;
    for (int n = random.bounded(6); n > 0; --n)
        out += ValueTokens[random.bounded(ValueTokens.size())];
    return out;
}

QByteArray randomBlanks(QRandomGenerator &random)
{
    static const QList<QByteArray> blanks = {"", "", " ", "\t", "  \t"};
    return blanks[random.bounded(blanks.size())];
}

// Lines shaped like an INI file: sections and keys named from `Names`,
// comments, noise, and any line endings.
QByteArray randomIni(QRandomGenerator &random)
{
    static const QList<QByteArray> endings = {"\r\n", "\r\n", "\n", "\r", ""};
    QByteArray out = random.bounded(8) == 0 ? "\xEF\xBB\xBF" : "";
    const int lines = random.bounded(16);
    for (int i = 0; i < lines; ++i) {
        const QByteArray name = randomName(random);
        switch (random.bounded(8)) {
        case 0:
        case 1:
            out += randomBlanks(random) + '[' + name + ']' + randomBlanks(random);
            break;
        case 2:
        case 3:
        case 4:
            out += randomBlanks(random) + name + randomBlanks(random) + '=' + randomValue(random);
            break;
        case 5:
            out += randomBlanks(random) + ';' + name + "=x";
            break;
        case 6:
            break;
        default:
            out += randomTokens(random, 4);
            break;
        }
        out += endings[random.bounded(endings.size())];
    }
    return out;
}

QByteArray mutate(QByteArray content, QRandomGenerator &random)
{
    const int edits = 1 + random.bounded(4);
    for (int i = 0; i < edits; ++i) {
        const qsizetype pos = content.isEmpty() ? 0 : random.bounded(content.size());
        switch (random.bounded(4)) {
        case 0:
            if (!content.isEmpty())
                content[pos] = static_cast<char>(random.bounded(256));
            break;
        case 1:
            content.insert(pos, randomTokens(random, 3));
            break;
        case 2:
            content.remove(pos, random.bounded(8));
            break;
        default:
            content.insert(pos, content.mid(pos, random.bounded(16)));
            break;
        }
    }
    return content;
}

QByteArray trimBlanks(QByteArray text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove(0, 1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

QByteArray foldCase(const QByteArray &name)
{
    return trimBlanks(name).toUpper();
}

// Lines with their line endings; a byte-order mark is a line of its own.
QList<QByteArray> splitLines(const QByteArray &content)
{
    QList<QByteArray> lines;
    qsizetype pos = 0;
    if (content.startsWith("\xEF\xBB\xBF")) {
        lines << content.first(3);
        pos = 3;
    }
    while (pos < content.size()) {
        qsizetype end = pos;
        while (end < content.size() && content[end] != '\r' && content[end] != '\n')
            ++end;
        if (end < content.size())
            end += (content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n') ? 2 : 1;
        lines << content.sliced(pos, end - pos);
        pos = end;
    }
    return lines;
}

QByteArray lineEnding(const QByteArray &line)
{
    qsizetype body = line.size();
    while (body > 0 && (line[body - 1] == '\r' || line[body - 1] == '\n'))
        --body;
    return line.sliced(body);
}

// Empty when `after` differs from `before` only as a write may change it:
// one line's value replaced, or up to three lines added (a line ending for
// a last line that had none, a section header, the key line).
QString unexpectedChange(const QByteArray &before, const QByteArray &after)
{
    const QList<QByteArray> old = splitLines(before);
    const QList<QByteArray> now = splitLines(after);
    qsizetype prefix = 0;
    while (prefix < old.size() && prefix < now.size() && old[prefix] == now[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < old.size() - prefix && suffix < now.size() - prefix &&
           old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;
    const qsizetype removed = old.size() - prefix - suffix;
    const qsizetype added = now.size() - prefix - suffix;
    if (removed > 1 || added > 3 || added < removed)
        return u"%1 lines replaced by %2"_s.arg(removed).arg(added);
    if (removed == 0)
        return {};
    const QByteArray &was = old[prefix];
    const QByteArray &is = now[prefix];
    if (lineEnding(was).isEmpty() && is.startsWith(was) && !lineEnding(is).isEmpty() && is.size() > was.size() &&
        lineEnding(is).size() == is.size() - was.size())
        return {};
    const qsizetype equals = was.indexOf('=');
    if (equals >= 0 && is.startsWith(was.first(equals + 1)) && lineEnding(was) == lineEnding(is))
        return {};
    return u"line changed beyond its value"_s;
}

} // namespace

class TestIniFileFuzz : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void randomAndMutatedInputs();
};

void TestIniFileFuzz::randomAndMutatedInputs()
{
    QList<QByteArray> seeds;
    const QDir data(QStringLiteral(UDPRECV_SETTINGS_DATA));
    for (const QString &name : data.entryList({u"*.before.ini"_s}, QDir::Files))
        seeds << testsupport::readFile(data.filePath(name));
    QVERIFY(!seeds.isEmpty());

    QTemporaryDir dir;
    const QString path = dir.filePath(u"fuzz.ini"_s);
    QRandomGenerator random(20240105);
    QElapsedTimer timer;
    timer.start();
    int done = 0;
    int replaced = 0;
    int added = 0;
    for (; done < Iterations && timer.elapsed() < TimeLimitMs; ++done) {
        QByteArray content;
        switch (random.bounded(5)) {
        case 0:
            content = randomTokens(random, 40);
            break;
        case 1:
            content = randomIni(random);
            break;
        case 2:
            content = mutate(randomIni(random), random);
            break;
        case 3:
            content = mutate(seeds[random.bounded(seeds.size())], random);
            break;
        default:
            for (int n = random.bounded(256); n > 0; --n)
                content.append(static_cast<char>(random.bounded(256)));
            break;
        }
        const QByteArray section = randomName(random);
        const QByteArray key = randomName(random);
        const QByteArray value = randomValue(random);
        const QByteArray otherSection = randomName(random);
        const QByteArray otherKey = randomName(random);
        const auto context = [&] {
            return u"case %1: content %2, [%3] %4=%5"_s.arg(done).arg(
                QString::fromLatin1(content.toHex()), QString::fromLatin1(section.toHex()),
                QString::fromLatin1(key.toHex()), QString::fromLatin1(value.toHex()));
        };

        const std::optional<QByteArray> updated = ini::withValue(content, section, key, value);
        QVERIFY2(updated.has_value() == ini::isStorable(section, key, value), qPrintable(context()));
        if (!updated)
            continue;

        QVERIFY2(ini::findValue(*updated, section, key) == trimBlanks(value), qPrintable(context()));
        ++(ini::findValue(content, section, key) ? replaced : added);
        const QString change = unexpectedChange(content, *updated);
        QVERIFY2(change.isEmpty(), qPrintable(change + u": "_s + context()));
        QVERIFY2(ini::withValue(*updated, section, key, value) == updated, qPrintable(context()));
        if (foldCase(section) != foldCase(otherSection) || foldCase(key) != foldCase(otherKey))
            QVERIFY2(ini::findValue(*updated, otherSection, otherKey) ==
                         ini::findValue(content, otherSection, otherKey),
                     qPrintable(context()));

        if (done % FileEvery == 0) {
            testsupport::writeFile(path, content);
            QVERIFY2(ini::readValue(path, otherSection, otherKey) == ini::findValue(content, otherSection, otherKey),
                     qPrintable(context()));
            QVERIFY(GetIniString(QString::fromLatin1(otherSection), QString::fromLatin1(otherKey), path).size() <= 255);
            QVERIFY2(ini::writeValue(path, section, key, value), qPrintable(context()));
            QVERIFY2(testsupport::readFile(path) == *updated, qPrintable(context()));
        }
    }
    QVERIFY2(done >= Iterations / 10, "too few cases ran in the time limit");
    // The generator must reach both kinds of write.
    QVERIFY(replaced >= done / 100);
    QVERIFY(added >= done / 100);
}

QTEST_GUILESS_MAIN(TestIniFileFuzz)
#include "tst_inifilefuzz.moc"
