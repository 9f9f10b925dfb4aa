#include "TestSupport.h"
#include "core/Cp932.h"
#include "core/RuntimeError.h"
#include "settings/ProfileAccess.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using testsupport::readFile;
using testsupport::writeFile;

class TestProfileAccess : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void getIniString_data();
    void getIniString();
    void getIniStringFromMissingFile();
    void everyReadGoesToTheFile();
    void putIniStringCreatesFile();
    void putIniStringRoundTrip_data();
    void putIniStringRoundTrip();
    void putIniStringCannotWrite();
    void cutAnsiBytes_data();
    void cutAnsiBytes();
    void cutAnsiBytesRejectsNegativeLength();

private:
    QTemporaryDir m_dir;
};

void TestProfileAccess::getIniString_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString port = u"Port"_s;
    const QString udpPort = u"UdpPort"_s;
    const auto file = [](const QByteArray &value) { return "[Port]\r\nUdpPort=" + value + "\r\nOther=x\r\n"; };
    const QByteArray ascii300 = QByteArray("0123456789").repeated(30);
    const QByteArray japanese = cp932::encode(u"受信ポート設定"_s);
    const QByteArray a = QByteArray(254, 'a');

    QTest::newRow("spaces around") << file("  8000  ") << port << udpPort << u"8000"_s;
    QTest::newRow("empty value") << file("") << port << udpPort << QString();
    QTest::newRow("key absent") << QByteArray("[Port]\r\nOther=1\r\n") << port << udpPort << QString();
    QTest::newRow("section absent") << QByteArray("[Other]\r\nUdpPort=1\r\n") << port << udpPort << QString();
    QTest::newRow("300 ASCII characters")
        << file(ascii300) << port << udpPort << QString::fromLatin1(ascii300.first(255));
    QTest::newRow("Japanese value") << file(japanese) << port << udpPort << u"受信ポート設定"_s;
    QTest::newRow("cut splits a double-byte character")
        << file(a + cp932::encode(u"あい"_s)) << port << udpPort << QString::fromLatin1(a);
    QTest::newRow("double-byte character ends the cut") << file(a.first(253) + cp932::encode(u"あ"_s) + "b") << port
                                                        << udpPort << QString::fromLatin1(a.first(253)) + u"あ"_s;
    QTest::newRow("tab at the cut stays") << file(a + "\tb") << port << udpPort << QString::fromLatin1(a + "\t");
    QTest::newRow("spaces at the cut go")
        << file(a.first(250) + "     b") << port << udpPort << QString::fromLatin1(a.first(250));
    QTest::newRow("full-width spaces stay")
        << file(cp932::encode(u"\u30008000\u3000"_s)) << port << udpPort << u"\u30008000\u3000"_s;
    QTest::newRow("Japanese names") << cp932::encode(u"[設定]\r\nポート=1\r\n"_s) << u"設定"_s << u"ポート"_s << u"1"_s;
}

void TestProfileAccess::getIniString()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    const QString path = m_dir.filePath(u"get.ini"_s);
    writeFile(path, content);
    QCOMPARE(GetIniString(section, key, path), expected);
}

void TestProfileAccess::getIniStringFromMissingFile()
{
    QCOMPARE(GetIniString(u"Port"_s, u"UdpPort"_s, m_dir.filePath(u"absent.ini"_s)), QString());
    QCOMPARE(GetIniString(u"Port"_s, u"UdpPort"_s, m_dir.filePath(u"Config/absent.ini"_s)), QString());
}

void TestProfileAccess::everyReadGoesToTheFile()
{
    const QString path = m_dir.filePath(u"nocache.ini"_s);
    writeFile(path, "[Port]\r\nUdpPort=5000\r\n");
    QCOMPARE(GetIniString(u"Port"_s, u"UdpPort"_s, path), u"5000"_s);
    writeFile(path, "[Port]\r\nUdpPort=6000\r\n");
    QCOMPARE(GetIniString(u"Port"_s, u"UdpPort"_s, path), u"6000"_s);
}

void TestProfileAccess::putIniStringCreatesFile()
{
    const QString path = m_dir.filePath(u"created.ini"_s);
    PutIniString(u"Port"_s, u"UdpPort"_s, path, u"5000"_s);
    QCOMPARE(readFile(path), QByteArray("[Port]\r\nUdpPort=5000\r\n"));
}

void TestProfileAccess::putIniStringRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("Japanese") << u"受信ポート"_s << cp932::encode(u"受信ポート"_s) << u"受信ポート"_s;
    QTest::newRow("spaces kept in the file") << u" 5000 "_s << QByteArray(" 5000 ") << u"5000"_s;
    QTest::newRow("not in code page 932") << u"한국"_s << QByteArray("??") << u"??"_s;
}

void TestProfileAccess::putIniStringRoundTrip()
{
    QFETCH(QString, value);
    QFETCH(QByteArray, stored);
    QFETCH(QString, readBack);

    const QString path = m_dir.filePath(u"roundtrip.ini"_s);
    writeFile(path, "; kept\r\n[Port]\r\nUdpPort=1\r\n");
    PutIniString(u"Port"_s, u"UdpPort"_s, path, value);
    QCOMPARE(readFile(path), "; kept\r\n[Port]\r\nUdpPort=" + stored + "\r\n");
    QCOMPARE(GetIniString(u"Port"_s, u"UdpPort"_s, path), readBack);
}

void TestProfileAccess::putIniStringCannotWrite()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(u"Config/Tavo_UdpRecvSetting.ini"_s);
    PutIniString(u"Port"_s, u"UdpPort"_s, missing, u"5000"_s);
    QVERIFY(!QFile::exists(dir.filePath(u"Config"_s)));

    const QString readOnly = dir.filePath(u"readonly.ini"_s);
    writeFile(readOnly, "[Port]\r\nUdpPort=5000\r\n");
    QVERIFY(QFile::setPermissions(readOnly, QFileDevice::ReadOwner));
    PutIniString(u"Port"_s, u"UdpPort"_s, readOnly, u"6000"_s);
    QCOMPARE(readFile(readOnly), QByteArray("[Port]\r\nUdpPort=5000\r\n"));
}

void TestProfileAccess::cutAnsiBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");

    QTest::newRow("ASCII cut") << u"abc"_s << 2 << u"ab"_s;
    QTest::newRow("zero bytes") << u"abc"_s << 0 << QString();
    QTest::newRow("longer than the text") << u"abc"_s << 10 << u"abc"_s;
    QTest::newRow("whole double-byte characters") << u"あい"_s << 4 << u"あい"_s;
    QTest::newRow("split double-byte character dropped") << u"あい"_s << 3 << u"あ"_s;
    QTest::newRow("half-width katakana is one byte") << u"ｱｲｳ"_s << 2 << u"ｱｲ"_s;
    QTest::newRow("mixed") << u"aあb"_s << 2 << u"a"_s;
}

void TestProfileAccess::cutAnsiBytes()
{
    QFETCH(QString, text);
    QFETCH(int, n);
    QFETCH(QString, expected);
    const Result<QString> cut = CutAnsiBytes(text, n);
    QVERIFY(cut.ok());
    QCOMPARE(*cut, expected);
}

void TestProfileAccess::cutAnsiBytesRejectsNegativeLength()
{
    const Result<QString> cut = CutAnsiBytes(u"abc"_s, -1);
    QVERIFY(!cut.ok());
    QCOMPARE(cut.error().description(), u"プロシージャの呼び出し、または引数が不正です。"_s);
}

QTEST_GUILESS_MAIN(TestProfileAccess)
#include "tst_profileaccess.moc"
