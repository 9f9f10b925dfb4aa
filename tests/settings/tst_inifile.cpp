#include "TestSupport.h"
#include "core/Cp932.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::readFile;
using testsupport::writeFile;

using namespace Qt::StringLiterals;

namespace {

// A byte literal with its NUL bytes.
template <size_t N> QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

constexpr auto AllPermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

QFileDevice::Permissions modeOf(const QString &path)
{
    return QFile::permissions(path) & AllPermissions;
}

QString goldenPath(const QString &name)
{
    return QStringLiteral(UDPRECV_SETTINGS_DATA "/") + name;
}

} // namespace

class TestIniFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findValue_data();
    void findValue();
    void goldenWrite_data();
    void goldenWrite();
    void refusedWrite_data();
    void refusedWrite();
    void readOnlyFileIsLeftAlone();
    void missingFolderCreatesNothing();
    void rewriteKeepsPermissions();
    void longLineAndBinaryContent();
    void tooLargeFileIsNeitherReadNorWritten();
    void readOfMissingFileOrFolder();

private:
    QTemporaryDir m_dir;
};

void TestIniFile::findValue_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("value");

    const QByteArray port = "Port";
    const QByteArray udpPort = "UdpPort";
    QTest::newRow("CR LF") << QByteArray("[Port]\r\nUdpPort=5000\r\n") << port << udpPort << true << QByteArray("5000");
    QTest::newRow("LF") << QByteArray("[Port]\nUdpPort=5000\n") << port << udpPort << true << QByteArray("5000");
    QTest::newRow("lone CR") << QByteArray("[Port]\rUdpPort=5000\r") << port << udpPort << true << QByteArray("5000");
    QTest::newRow("no final line break") << QByteArray("[Port]\r\nUdpPort=5000") << port << udpPort << true
                                         << QByteArray("5000");
    QTest::newRow("BOM skipped") << QByteArray("\xEF\xBB\xBF[Port]\r\nUdpPort=5000\r\n") << port << udpPort << true
                                 << QByteArray("5000");
    QTest::newRow("BOM later is text") << QByteArray("\r\n\xEF\xBB\xBF[Port]\r\nUdpPort=5000\r\n") << port << udpPort
                                       << false << QByteArray();
    QTest::newRow("blanks trimmed") << QByteArray("[Port]\r\n \tUdpPort \t= \t 5000 \t\r\n") << port << udpPort << true
                                    << QByteArray("5000");
    QTest::newRow("section line with blanks and trailing text")
        << QByteArray("  [ Port ]  ; ports\r\nUdpPort=1\r\n") << port << udpPort << true << QByteArray("1");
    QTest::newRow("text after bracket ignored")
        << QByteArray("[Port]UdpPort=9\r\nUdpPort=1") << port << udpPort << true << QByteArray("1");
    QTest::newRow("letter case ignored") << QByteArray("[pORT]\r\nUDPPORT=1") << port << udpPort << true
                                         << QByteArray("1");
    QTest::newRow("asked names trimmed") << QByteArray("[Port]\r\nUdpPort=1") << QByteArray(" Port\t")
                                         << QByteArray("\tUdpPort ") << true << QByteArray("1");
    QTest::newRow("only the first duplicate section")
        << QByteArray("[Port]\r\nOther=1\r\n[port]\r\nUdpPort=2\r\n") << port << udpPort << false << QByteArray();
    QTest::newRow("first duplicate key") << QByteArray("[Port]\r\nUdpPort=1\r\nudpport=2\r\n") << port << udpPort
                                         << true << QByteArray("1");
    QTest::newRow("comment lines ignored") << QByteArray("[Port]\r\n;UdpPort=1\r\n \t;UdpPort=2\r\nUdpPort=3\r\n")
                                           << port << udpPort << true << QByteArray("3");
    QTest::newRow("commented section is no section")
        << QByteArray("[Port]\r\nA=1\r\n;[Other]\r\nUdpPort=2\r\n") << port << udpPort << true << QByteArray("2");
    QTest::newRow("line without equals ignored")
        << QByteArray("[Port]\r\nUdpPort\r\nUdpPort=4\r\n") << port << udpPort << true << QByteArray("4");
    QTest::newRow("key before any section")
        << QByteArray("UdpPort=1\r\n[Port]\r\n") << port << udpPort << false << QByteArray();
    QTest::newRow("key in another section")
        << QByteArray("[Port]\r\nA=1\r\n[Other]\r\nUdpPort=1\r\n") << port << udpPort << false << QByteArray();
    QTest::newRow("section missing") << QByteArray("[Other]\r\nUdpPort=1\r\n") << port << udpPort << false
                                     << QByteArray();
    QTest::newRow("unclosed bracket is a key line")
        << QByteArray("[Port]\r\n[UdpPort=5\r\n") << port << QByteArray("[UdpPort") << true << QByteArray("5");
    QTest::newRow("value keeps later equals")
        << QByteArray("[P]\r\nK=a=b\r\n") << QByteArray("P") << QByteArray("K") << true << QByteArray("a=b");
    QTest::newRow("value keeps quotes") << QByteArray("[P]\r\nK=\"5000\"\r\n") << QByteArray("P") << QByteArray("K")
                                        << true << QByteArray("\"5000\"");
    QTest::newRow("empty value") << QByteArray("[P]\r\nK=\r\n") << QByteArray("P") << QByteArray("K") << true
                                 << QByteArray();
    QTest::newRow("value cut at NUL") << bytes("[P]\r\nK=ab \0cd\r\n") << QByteArray("P") << QByteArray("K") << true
                                      << QByteArray("ab");
    QTest::newRow("NUL in other lines") << bytes("\0\0[P\0]\r\n[P]\r\n\0=x\r\nK=1\r\n") << QByteArray("P")
                                        << QByteArray("K") << true << QByteArray("1");
    QTest::newRow("empty key") << QByteArray("[P]\r\n=v\r\n") << QByteArray("P") << QByteArray() << true
                               << QByteArray("v");
    QTest::newRow("empty section name") << QByteArray("[]\r\nK=1\r\n") << QByteArray() << QByteArray("K") << true
                                        << QByteArray("1");
    // U+30A2 is 83 41 and U+30E3 is 83 61: the trail bytes are the letters A and a.
    QTest::newRow("double-byte names exact")
        << QByteArray("[\x83\x61]\r\nK=1\r\n") << QByteArray("\x83\x41") << QByteArray("K") << false << QByteArray();
    QTest::newRow("double-byte names found") << QByteArray("[\x83\x41x]\r\nK=1\r\n") << QByteArray("\x83\x41X")
                                             << QByteArray("k") << true << QByteArray("1");
}

void TestIniFile::findValue()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(bool, found);
    QFETCH(QByteArray, value);

    const std::optional<QByteArray> result = ini::findValue(content, section, key);
    QCOMPARE(result.has_value(), found);
    if (found)
        QCOMPARE(*result, value);
}

void TestIniFile::goldenWrite_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    const auto row = [](const char *name, const char *section, const char *key, const QString &value) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(section) << QString::fromLatin1(key)
                            << value;
    };
    row("replace", "Port", "UdpPort", u"6000"_s);
    row("insert_in_section", "Maintenance", "LogGenerations", u"10"_s);
    row("new_section", "Maintenance", "ResSetting", u"1"_s);
    row("new_file", "Port", "UdpPort", u"5000"_s);
    row("empty_file", "Port", "UdpPort", u"5000"_s);
    row("lf_insert", "Maintenance", "LogMaxSize", u"5"_s);
    row("lf_new_section", "Maintenance", "ResSetting", u"1"_s);
    row("cr_new_section", "Maintenance", "ResSetting", u"1"_s);
    row("mixed_endings", "Port", "B", u"2"_s);
    row("no_final_newline_replace", "Port", "UdpPort", u"7"_s);
    row("no_final_newline_insert", "Port", "LocalIp", u"127.0.0.1"_s);
    row("no_final_newline_section", "Maintenance", "ResSetting", u"1"_s);
    row("bom_replace", "Port", "UdpPort", u"6000"_s);
    row("bom_only", "Port", "UdpPort", u"5000"_s);
    row("duplicates_replace", "Port", "UdpPort", u"9"_s);
    row("duplicates_insert", "Port", "New", u"5"_s);
    row("comments_kept", "Maintenance", "LogMaxSize", u"5"_s);
    row("case_insensitive", "Port", "UdpPort", u"2"_s);
    row("empty_section", "Port", "UdpPort", u"5000"_s);
    row("japanese", "Port", "Comment", u"受信ポート"_s);
}

void TestIniFile::goldenWrite()
{
    QFETCH(QString, name);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);

    const QString path = m_dir.filePath(name + u".ini"_s);
    const QString before = goldenPath(name + u".before.ini"_s);
    if (QFile::exists(before))
        writeFile(path, readFile(before));
    const QByteArray encoded = cp932::encode(value);

    QVERIFY(ini::writeValue(path, section.toLatin1(), key.toLatin1(), encoded));
    QCOMPARE(readFile(path), readFile(goldenPath(name + u".after.ini"_s)));
    QCOMPARE(ini::readValue(path, section.toLatin1(), key.toLatin1()), std::optional<QByteArray>(encoded));
}

void TestIniFile::refusedWrite_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("CR LF in value") << QByteArray("Port") << QByteArray("UdpPort") << QByteArray("1\r\n[X]");
    QTest::newRow("LF in value") << QByteArray("Port") << QByteArray("UdpPort") << QByteArray("1\nX=2");
    QTest::newRow("CR in value") << QByteArray("Port") << QByteArray("UdpPort") << QByteArray("1\r");
    QTest::newRow("NUL in value") << QByteArray("Port") << QByteArray("UdpPort") << bytes("1\0002");
    QTest::newRow("bracket in section") << QByteArray("Po]rt") << QByteArray("UdpPort") << QByteArray("1");
    QTest::newRow("line break in section") << QByteArray("Po\nrt") << QByteArray("UdpPort") << QByteArray("1");
    QTest::newRow("equals in key") << QByteArray("Port") << QByteArray("Udp=Port") << QByteArray("1");
    QTest::newRow("comment key") << QByteArray("Port") << QByteArray(" ;UdpPort") << QByteArray("1");
    QTest::newRow("bracket key") << QByteArray("Port") << QByteArray("[UdpPort") << QByteArray("1");
}

void TestIniFile::refusedWrite()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);

    const QByteArray original = "[Port]\r\nUdpPort=5000\r\n";
    const QString path = m_dir.filePath(u"refused.ini"_s);
    writeFile(path, original);

    QVERIFY(!ini::withValue(original, section, key, value));
    QVERIFY(!ini::writeValue(path, section, key, value));
    QCOMPARE(readFile(path), original);
}

void TestIniFile::readOnlyFileIsLeftAlone()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"readonly.ini"_s);
    const QByteArray original = "[Port]\r\nUdpPort=5000\r\n";
    writeFile(path, original);
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QVERIFY(QFile::setPermissions(path, readOnly));

    QVERIFY(!ini::writeValue(path, "Port", "UdpPort", "6000"));
    QVERIFY(!ini::writeValue(path, "Other", "Key", "1"));

    QCOMPARE(readFile(path), original);
    QCOMPARE(modeOf(path), readOnly);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {u"readonly.ini"_s});
    QCOMPARE(ini::readValue(path, "Port", "UdpPort"), std::optional<QByteArray>("5000"));
}

void TestIniFile::missingFolderCreatesNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Config/Tavo_UdpRecvSetting.ini"_s);

    QVERIFY(!ini::writeValue(path, "Port", "UdpPort", "5000"));
    QVERIFY(!QFileInfo::exists(dir.filePath(u"Config"_s)));
    QVERIFY(!ini::readValue(path, "Port", "UdpPort"));
}

void TestIniFile::rewriteKeepsPermissions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"mode.ini"_s);
    writeFile(path, "[Port]\r\nUdpPort=5000\r\n");
    const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(path, mode));

    QVERIFY(ini::writeValue(path, "Port", "UdpPort", "6000"));

    QCOMPARE(readFile(path), QByteArray("[Port]\r\nUdpPort=6000\r\n"));
    QCOMPARE(modeOf(path), mode);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {u"mode.ini"_s});
}

void TestIniFile::longLineAndBinaryContent()
{
    const QString path = m_dir.filePath(u"long.ini"_s);
    const QByteArray longValue(100 * 1024, 'x');
    const QByteArray noise = QByteArray(100 * 1024, '\0') + QByteArray(100 * 1024, '\xFF');
    const QByteArray content = "[P]\r\n" + noise + "\r\nLong=" + longValue + "\r\nK=1\r\n" + noise;
    writeFile(path, content);

    QCOMPARE(ini::readValue(path, "P", "Long"), std::optional<QByteArray>(longValue));
    QCOMPARE(ini::readValue(path, "P", "K"), std::optional<QByteArray>("1"));

    QVERIFY(ini::writeValue(path, "P", "K", "2"));
    const QByteArray expected = "[P]\r\n" + noise + "\r\nLong=" + longValue + "\r\nK=2\r\n" + noise;
    QCOMPARE(readFile(path), expected);
}

void TestIniFile::tooLargeFileIsNeitherReadNorWritten()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"large.ini"_s);
    writeFile(path, "[Port]\r\nUdpPort=5000\r\n");
    QVERIFY(QFile::resize(path, ini::MaxFileSize + 1)); // sparse

    QVERIFY(!ini::readValue(path, "Port", "UdpPort"));
    QVERIFY(!ini::writeValue(path, "Port", "UdpPort", "6000"));
    QCOMPARE(QFileInfo(path).size(), ini::MaxFileSize + 1);
    QCOMPARE(readFile(path).first(22), QByteArray("[Port]\r\nUdpPort=5000\r\n"));
}

void TestIniFile::readOfMissingFileOrFolder()
{
    QVERIFY(!ini::readValue(m_dir.filePath(u"absent.ini"_s), "Port", "UdpPort"));
    QVERIFY(!ini::readValue(m_dir.path(), "Port", "UdpPort"));
    QVERIFY(!ini::writeValue(m_dir.path(), "Port", "UdpPort", "1"));
    QVERIFY(QFileInfo(m_dir.path()).isDir());
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
