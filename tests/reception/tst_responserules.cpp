// The response rules: each kind of condition and reply from one line, the
// errors of malformed lines with their numbers, the editor's split and
// join, and the file on disk (links and FIFOs refused, never waited for).
#include "TestSupport.h"
#include "core/Cp932.h"
#include "reception/ResponseRules.h"
#include "reception/ResponseRulesFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace responserules;

namespace {

// "a.b.c.d:port" or "[v6]:port".
sockaddr_storage address(const QString &text, socklen_t &length)
{
    sockaddr_storage storage {};
    const qsizetype colon = text.lastIndexOf(u':');
    const uint16_t port = text.sliced(colon + 1).toUShort();
    if (text.startsWith(u'[')) {
        auto &v6 = reinterpret_cast<sockaddr_in6 &>(storage);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        ::inet_pton(AF_INET6, text.sliced(1, colon - 2).toLatin1().constData(), &v6.sin6_addr);
        length = sizeof v6;
    } else {
        auto &v4 = reinterpret_cast<sockaddr_in &>(storage);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        ::inet_pton(AF_INET, text.first(colon).toLatin1().constData(), &v4.sin_addr);
        length = sizeof v4;
    }
    return storage;
}

const QByteArray NoMatch = "no match";
const QByteArray Silent = "silent";

} // namespace

class ResponseRulesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answers_data();
    void answers();
    void malformedLines_data();
    void malformedLines();
    void splitAndJoin();
    void fileOnDisk_data();
    void fileOnDisk();
};

void ResponseRulesTest::answers_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QByteArray>("reply");
    const QString local = u"127.0.0.1:50000"_s;
    QTest::newRow("prefix") << "r prefix=810b -> data"_ba
                            << "810b0c"_ba << local << "810b0c"_ba;
    QTest::newRow("prefix, other bytes") << "r prefix=81:0b -> data"_ba
                                         << "820b0c"_ba << local << NoMatch;
    QTest::newRow("prefix quoted with blanks") << "r prefix=\"81 0b\" -> 01"_ba
                                               << "810b"_ba << local << "01"_ba;
    QTest::newRow("contains") << "r contains=1008 -> \"ok\""_ba
                              << "0010080a"_ba << local << "6f6b"_ba;
    QTest::newRow("contains, absent") << "r contains=1008 -> 01"_ba
                                      << "00100a08"_ba << local << NoMatch;
    QTest::newRow("regex") << "r regex=\"^GET /st[a-z]+\\b\" -> \"OK\\r\\n\""_ba
                           << "474554202f7374617475732031"_ba << local << "4f4b0d0a"_ba;
    QTest::newRow("regex on Latin-1 bytes") << "r regex=\"\\x81\\x0b$\" -> 01"_ba
                                            << "00810b"_ba << local << "01"_ba;
    QTest::newRow("regex ignoring case") << "r regex=\"(?i)^ping\" -> 01"_ba
                                         << "50494e47"_ba << local << "01"_ba;
    QTest::newRow("regex, no match") << "r regex=\"^ping\" -> 01"_ba
                                     << "50494e47"_ba << local << NoMatch;
    QTest::newRow("from address") << "r from=127.0.0.1 -> 01"_ba
                                  << "0000"_ba << local << "01"_ba;
    QTest::newRow("from, other address") << "r from=127.0.0.1 -> 01"_ba
                                         << "0000"_ba << u"127.0.0.2:5"_s << NoMatch;
    QTest::newRow("from prefix") << "r from=127.0.0.0/8 -> 01"_ba
                                 << "0000"_ba << u"127.9.9.9:5"_s << "01"_ba;
    QTest::newRow("from IPv4, mapped sender") << "r from=127.0.0.1 -> 01"_ba
                                              << "0000"_ba << u"[::ffff:127.0.0.1]:5"_s << "01"_ba;
    QTest::newRow("from IPv6") << "r from=::1 -> 01"_ba
                               << "0000"_ba << u"[::1]:5"_s << "01"_ba;
    QTest::newRow("from IPv6 prefix, IPv4 sender") << "r from=fe80::/10 -> 01"_ba
                                                   << "0000"_ba << local << NoMatch;
    QTest::newRow("port range") << "r port=50000-50010 -> 01"_ba
                                << "0000"_ba << local << "01"_ba;
    QTest::newRow("port, other") << "r port=49999 -> 01"_ba
                                 << "0000"_ba << local << NoMatch;
    QTest::newRow("length range") << "r length=3-4 -> 01"_ba
                                  << "000000"_ba << local << "01"_ba;
    QTest::newRow("length, too long") << "r length=3-4 -> 01"_ba
                                      << "0000000000"_ba << local << NoMatch;
    QTest::newRow("length at most") << "r length=-2 -> 01"_ba
                                    << "0000"_ba << local << "01"_ba;
    QTest::newRow("length at least") << "r length=3- -> 01"_ba
                                     << "0000"_ba << local << NoMatch;
    QTest::newRow("all conditions") << "r prefix=01 contains=03 from=127.0.0.1 port=50000 length=3 -> 09"_ba
                                    << "010203"_ba << local << "09"_ba;
    QTest::newRow("no reply") << "quiet from=127.0.0.1 -> none"_ba
                              << "0000"_ba << local << Silent;
    QTest::newRow("hex and C escapes") << "r -> 81:0b \"A\\x42\\103\\n\\\\\\\"\\0\""_ba
                                       << "00"_ba << local << "810b4142430a5c2200"_ba;
    QTest::newRow("slices of the datagram") << "r -> data[0:2] data[-1] data[3:] data[:-4] data[9] data[4:2]"_ba
                                            << "0102030405"_ba << local
                                            << "0102050405"
                                               "01"_ba;
    QTest::newRow("counter as text") << "r -> \"n=\" count"_ba
                                     << "00"_ba << local << "6e3d3132"_ba;
    QTest::newRow("counter as bytes") << "r -> count:2 count:4le count:1 count:8"_ba
                                      << "00"_ba << local << "000c0c0000000c000000000000000c"_ba;
    // ソ and 表 end in the byte of a backslash.
    QTest::newRow("code page 932 text") << cp932::encode(u"ソ -> \"ソ表\""_s) << "00"_ba << local << "835c955c"_ba;
    QTest::newRow("catch-all") << "\"any datagram\" -> data"_ba
                               << "abcd"_ba << local << "abcd"_ba;
}

// Each row is a rule file of one line; the rule's counter stands at 12.
void ResponseRulesTest::answers()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, payload);
    QFETCH(QString, sender);
    QFETCH(QByteArray, reply);
    const RuleList list = parse(line + "\r\n");
    QVERIFY2(list.errors.isEmpty(), qPrintable(list.errors.value(0).message));
    QCOMPARE(list.rules.size(), size_t(1));
    socklen_t length = 0;
    const sockaddr_storage from = address(sender, length);
    const QByteArray bytes = QByteArray::fromHex(payload);
    const int index = match(list.rules, bytes, reinterpret_cast<const sockaddr *>(&from), length);
    if (reply == NoMatch) {
        QCOMPARE(index, -1);
        return;
    }
    QCOMPARE(index, 0);
    QCOMPARE(list.rules[0].silent, reply == Silent);
    if (reply != Silent)
        QCOMPARE(responserules::reply(list.rules[0], bytes, 12).toHex(), reply);
}

void ResponseRulesTest::malformedLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("error");
    QTest::newRow("no arrow") << "a prefix=01"_ba << u"「->」がありません"_s;
    QTest::newRow("no name") << "prefix=01 -> data"_ba << u"ルール名がありません"_s;
    QTest::newRow("bad hex") << "a prefix=0g -> data"_ba << u"16進数が不正です：prefix=0g"_s;
    QTest::newRow("odd hex") << "a contains=123 -> data"_ba << u"16進数が不正です：contains=123"_s;
    QTest::newRow("bad regex") << "a regex=\"(\" -> data"_ba
                               << u"正規表現が不正です（missing closing parenthesis）：regex=\"(\""_s;
    QTest::newRow("unknown condition") << "a size=3 -> data"_ba << u"不明な条件です：size=3"_s;
    QTest::newRow("empty condition") << "a prefix= -> data"_ba << u"条件が不正です：prefix="_s;
    QTest::newRow("bad address") << "a from=300.1.1.1 -> data"_ba << u"送信元アドレスが不正です：from=300.1.1.1"_s;
    QTest::newRow("bad prefix length") << "a from=10.0.0.0/33 -> data"_ba
                                       << u"送信元アドレスが不正です：from=10.0.0.0/33"_s;
    QTest::newRow("bad port") << "a port=70000 -> data"_ba << u"送信元ポートが不正です：port=70000"_s;
    QTest::newRow("reversed length") << "a length=5-3 -> data"_ba << u"長さが不正です：length=5-3"_s;
    QTest::newRow("no reply") << "a ->"_ba << u"応答がありません（応答しないルールは none）"_s;
    QTest::newRow("none and more") << "a -> none 01"_ba << u"none の後には何も書けません"_s;
    QTest::newRow("unknown escape") << "a -> \"\\q\""_ba << u"文字列が不正です：\"\\q\""_s;
    QTest::newRow("unclosed quote") << "a -> \"abc"_ba << u"引用符が閉じていません"_s;
    QTest::newRow("bad slice") << "a -> data[1:x]"_ba << u"受信データの範囲が不正です：data[1:x]"_s;
    QTest::newRow("bad counter width") << "a -> count:3"_ba << u"カウンタの幅が不正です：count:3"_s;
    QTest::newRow("unknown reply") << "a -> hello"_ba << u"応答が不正です：hello"_s;
}

// The malformed line is line 3; the rules around it still work.
void ResponseRulesTest::malformedLines()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, error);
    const RuleList list = parse("; rules\r\nfirst -> 01\r\n" + line + "\r\n\r\nlast -> 02\r\n");
    QCOMPARE(list.errors.size(), 1);
    QCOMPARE(list.errors[0].line, 3);
    QCOMPARE(list.errors[0].message, error);
    QCOMPARE(list.rules.size(), size_t(2));
    QCOMPARE(list.rules[0].name, u"first"_s);
    QCOMPARE(list.rules[1].name, u"last"_s);
    QCOMPARE(list.rules[1].line, 5);
}

// Comments travel with the rule below them; a file in CR LF comes back as it was.
void ResponseRulesTest::splitAndJoin()
{
    const QByteArray content = "; head\r\n\r\na -> 01\r\n# about b\r\nb -> bad\r\nc -> 03\r\n; tail\r\n";
    Entries entries = split(content);
    QCOMPARE(entries.entries.size(), size_t(3));
    QCOMPARE(entries.entries[1].leading, "# about b\r\n"_ba);
    QCOMPARE(entries.entries[1].line, "b -> bad"_ba);
    QCOMPARE(entries.tail, "; tail\r\n"_ba);
    QCOMPARE(join(entries), content);
    std::swap(entries.entries[0], entries.entries[1]);
    entries.entries.erase(entries.entries.begin() + 2);
    QCOMPARE(join(entries), "# about b\r\nb -> bad\r\n; head\r\n\r\na -> 01\r\n; tail\r\n"_ba);
    QCOMPARE(join(split("a -> 01\nb -> 02")), "a -> 01\r\nb -> 02\r\n"_ba);
}

void ResponseRulesTest::fileOnDisk_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("readable");
    QTest::newRow("regular file") << u"file"_s << true;
    QTest::newRow("missing: no rules") << u"missing"_s << true;
    QTest::newRow("link to a file") << u"link"_s << false;
    QTest::newRow("FIFO") << u"fifo"_s << false;
    QTest::newRow("folder") << u"folder"_s << false;
}

// Reading and saving; what is refused is left as it was.
void ResponseRulesTest::fileOnDisk()
{
    QFETCH(QString, kind);
    QFETCH(bool, readable);
    QTemporaryDir dir;
    const QString path = filePath(dir.path());
    QCOMPARE(path, dir.path() + u"/Tavo_UdpRecvRules.txt"_s);
    const QString target = dir.filePath(u"elsewhere.txt"_s);
    testsupport::writeFile(target, "kept -> 01\r\n");
    if (kind == u"file")
        testsupport::writeFile(path, "a -> 01\r\n");
    else if (kind == u"link")
        QVERIFY(QFile::link(target, path));
    else if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == u"folder")
        QVERIFY(QDir(dir.path()).mkdir(u"Tavo_UdpRecvRules.txt"_s));

    const Result<QByteArray> read = readFile(path);
    QCOMPARE(read.ok(), readable);
    if (readable)
        QCOMPARE(*read, kind == u"file" ? "a -> 01\r\n"_ba : QByteArray());
    else
        QVERIFY(read.error().description().startsWith(u"応答ルールファイルを使えません（"_s));

    const Result<> saved = saveFile(path, "b -> 02\r\n");
    QCOMPARE(saved.ok(), readable);
    if (readable)
        QCOMPARE(testsupport::readFile(path), "b -> 02\r\n"_ba);
    QCOMPARE(testsupport::readFile(target), "kept -> 01\r\n"_ba);
}

QTEST_GUILESS_MAIN(ResponseRulesTest)
#include "tst_responserules.moc"
