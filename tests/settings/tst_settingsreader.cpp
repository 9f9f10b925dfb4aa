#include "SettingsFile.h"
#include "TestSupport.h"
#include "core/Cp932.h"
#include "logging/ErrorGuard.h"
#include "logging/LogWriter.h"
#include "runtime/ToolKinds.h"
#include "settings/SettingsReader.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Values that no settings file of the tests holds, so that "left unchanged"
// is told apart from "set".
constexpr int32_t OldPort = -7;
constexpr int16_t OldValue = -7;

const QString ReadFailed = u"設定ファイルの読み込みに失敗しました。"_s;
const QString BadMaxSize = u"ログ最大サイズが不正です。"_s;
const QString BadGenerations = u"ログ最大世代数が不正です。"_s;
const QString Overflow = u"オーバーフローしました。(ReadSetting)"_s;
const QString Label = u"(ReadSetting)"_s;

// A null pointer leaves the key out.
QByteArray settingsFile(const char *port, const char *resSetting, const char *maxSize, const char *generations)
{
    using Value = testsupport::SettingsFile::Value;
    const auto value = [](const char *text) { return text ? Value(QString::fromLatin1(text)) : std::nullopt; };
    return testsupport::SettingsFile()
        .udpPort(value(port))
        .resSetting(value(resSetting))
        .logMaxSize(value(maxSize))
        .logGenerations(value(generations))
        .text();
}

struct Values {
    int32_t port = OldPort;
    int16_t resMode = OldValue;
    int16_t maxSize = OldValue;
    int16_t generations = OldValue;
};

} // namespace

Q_DECLARE_METATYPE(Values)

class TestSettingsReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readSetting_data();
    void readSetting();
    void failureLogLine();
    void capture_data();
    void capture();
};

void TestSettingsReader::readSetting_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<Values>("values");

    const QStringList none;
    const QStringList failed {ReadFailed};
    const QStringList labelOnly {Label};
    const QStringList overflow {Overflow};
    const auto row = [](const char *name, const QByteArray &content, const QStringList &boxes, const QStringList &log,
                        Values values) { QTest::newRow(name) << true << content << boxes << log << values; };

    row("all valid", settingsFile("5000", "1", "5", "4"), none, none, {5000, 1, 5, 4});
    QTest::newRow("file missing") << false << QByteArray() << failed << labelOnly << Values {};
    row("ResSetting missing", settingsFile("5000", nullptr, "5", "4"), failed, labelOnly, {5000});
    row("ResSetting empty", settingsFile("5000", "", "5", "4"), failed, labelOnly, {5000});
    row("ResSetting blanks only", settingsFile("5000", "   ", "5", "4"), failed, labelOnly, {5000});
    row("ResSetting missing, UdpPort bad", settingsFile("x", nullptr, "5", "4"), failed, labelOnly, {});
    row("LogMaxSize not numeric", settingsFile("5000", "1", "abc", "4"), {BadMaxSize, ReadFailed}, labelOnly,
        {5000, 1});
    row("LogMaxSize missing", settingsFile("5000", "1", nullptr, "4"), {BadMaxSize, ReadFailed}, labelOnly, {5000, 1});
    row("LogGenerations not numeric", settingsFile("5000", "1", "5", "4x"), {BadGenerations, ReadFailed}, labelOnly,
        {5000, 1, 5});
    row("LogGenerations missing", settingsFile("5000", "1", "5", nullptr), {BadGenerations, ReadFailed}, labelOnly,
        {5000, 1, 5});
    row("LogGenerations beyond 16 bits", settingsFile("5000", "1", "5", "32768"), failed, overflow, {5000, 1, 5});
    row("LogMaxSize beyond 16 bits", settingsFile("5000", "1", "-32769", "4"), failed, overflow, {5000, 1});
    row("ResSetting beyond 16 bits", settingsFile("5000", "1e5", "5", "4"), failed, overflow, {5000});
    row("UdpPort beyond 32 bits", settingsFile("2147483648", "1", "5", "4"), failed, overflow, {});
    row("UdpPort missing", settingsFile(nullptr, "1", "5", "4"), none, none, {OldPort, 1, 5, 4});
    row("UdpPort not numeric", settingsFile("50 00", "1", "5", "4"), none, none, {OldPort, 1, 5, 4});
    row("ResSetting not numeric", settingsFile("5000", "one", "5", "4"), none, none, {5000, OldValue, 5, 4});
    row("UdpPort with blanks", settingsFile("  5000  ", "1", "5", "4"), none, none, {5000, 1, 5, 4});
    row("LogMaxSize 0 accepted", settingsFile("5000", "0", "0", "0"), none, none, {5000, 0, 0, 0});
    row("ResSetting 2 stored", settingsFile("5000", "2", "5", "4"), none, none, {5000, 2, 5, 4});
    row("no port range check", settingsFile("70000", "1", "-1", "-2"), none, none, {70000, 1, -1, -2});
    row("halves to even", settingsFile("5000.5", "2.5", "3.5", "-2.5"), none, none, {5000, 2, 4, -2});
    row("16-bit limits", settingsFile("-2147483648", "-32768", "-32768", "32767"), none, none,
        {INT32_MIN, INT16_MIN, INT16_MIN, INT16_MAX});
    // The rotation counts the limit in bytes as a signed 32-bit number.
    row("LogMaxSize 2047 MiB", settingsFile("5000", "1", "2047", "4"), none, none, {5000, 1, 2047, 4});
    row("LogMaxSize 2048 MiB refused", settingsFile("5000", "1", "2047.5", "4"), {BadMaxSize, ReadFailed}, labelOnly,
        {5000, 1});
    row("LogMaxSize 32767 MiB refused", settingsFile("5000", "1", "32767", "4"), {BadMaxSize, ReadFailed}, labelOnly,
        {5000, 1});
    row("other letter case",
        "[port]\r\nUDPPORT=6000\r\n[MAINTENANCE]\r\nressetting=1\r\nlogmaxsize=5\r\n"
        "LOGGENERATIONS=4\r\n",
        none, none, {6000, 1, 5, 4});
}

void TestSettingsReader::readSetting()
{
    QFETCH(bool, fileExists);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, log);
    QFETCH(Values, values);

    QTemporaryDir dir;
    const QString file = dir.filePath(u"Tavo_UdpRecvSetting.ini"_s);
    if (fileExists)
        testsupport::writeFile(file, content);
    LoggingGlobals logging;
    logging.LogFiles[UdpReceiverKind] = dir.filePath(u"Tavo_UdpRcvLog.txt"_s);
    logging.HostName = u"PC01"_s;
    logging.LogMaxSize = OldValue;
    logging.LogGenerations = OldValue;
    FixedClock clock;
    LogWriter writer(logging, clock);
    ErrorGuard guard(writer, UdpReceiverKind);
    FakeMessageBoxes shown;
    ReceiveSettings members {OldPort, OldValue};

    ReadSetting(file, members, logging, shown, guard);

    QCOMPARE(shown.texts(), boxes);
    for (const FakeMessageBoxes::Shown &box : shown.shown) {
        QCOMPARE(box.style, 16);
        QCOMPARE(box.title, QString());
    }
    QCOMPARE(testsupport::logMessages(logging.LogFiles[UdpReceiverKind]), log);
    QCOMPARE(members.RcvPort, values.port);
    QCOMPARE(members.ResMode, values.resMode);
    QCOMPARE(logging.LogMaxSize, values.maxSize);
    QCOMPARE(logging.LogGenerations, values.generations);
}

void TestSettingsReader::failureLogLine()
{
    QTemporaryDir dir;
    const QString logFile = dir.filePath(u"Tavo_UdpRcvLog.txt"_s);
    LoggingGlobals logging;
    logging.LogFiles[UdpReceiverKind] = logFile;
    logging.HostName = u"PC01"_s;
    FixedClock clock;
    LogWriter writer(logging, clock);
    ErrorGuard guard(writer, UdpReceiverKind);
    FakeMessageBoxes shown;
    ReceiveSettings members;

    testsupport::writeFile(dir.filePath(u"overflow.ini"_s), settingsFile("5000", "1", "5", "99999"));
    ReadSetting(dir.filePath(u"overflow.ini"_s), members, logging, shown, guard);
    ReadSetting(dir.filePath(u"absent.ini"_s), members, logging, shown, guard);

    QCOMPARE(testsupport::readFile(logFile),
             cp932::encode(u"1001 24/01/05 09:03:07.0 PC01 オーバーフローしました。(ReadSetting)\r\n"
                           u"1001 24/01/05 09:03:07.0 PC01 (ReadSetting)\r\n"_s));
}

void TestSettingsReader::capture_data()
{
    QTest::addColumn<QByteArray>("line"); // after the log limits
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("on");
    const QStringList refused {u"キャプチャ設定が不正です。"_s, ReadFailed};
    QTest::newRow("absent") << QByteArray() << QStringList() << false;
    QTest::newRow("empty") << QByteArray("Capture=\r\n") << QStringList() << false;
    QTest::newRow("0") << QByteArray("Capture=0\r\n") << QStringList() << false;
    QTest::newRow("1") << QByteArray("Capture=1\r\n") << QStringList() << true;
    QTest::newRow("1 with blanks, other case") << QByteArray("capture= 1 \r\n") << QStringList() << true;
    QTest::newRow("2") << QByteArray("Capture=2\r\n") << refused << false;
    QTest::newRow("not numeric") << QByteArray("Capture=on\r\n") << refused << false;
    QTest::newRow("beyond 32 bits") << QByteArray("Capture=1e12\r\n") << refused << false;
}

void TestSettingsReader::capture()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, boxes);
    QFETCH(bool, on);
    QTemporaryDir dir;
    const QString file = dir.filePath(u"Tavo_UdpRecvSetting.ini"_s);
    testsupport::writeFile(file, settingsFile("5000", "1", "5", "4") + line);
    LoggingGlobals logging;
    logging.capture = !on; // overwritten either way
    FixedClock clock;
    LogWriter writer(logging, clock);
    ErrorGuard guard(writer, UdpReceiverKind);
    FakeMessageBoxes shown;
    ReceiveSettings members;
    ReadSetting(file, members, logging, shown, guard);
    QCOMPARE(shown.texts(), boxes);
    QCOMPARE(logging.capture, on);
    QCOMPARE(logging.LogMaxSize, int16_t(5)); // the limits are read whatever Capture holds
    QCOMPARE(logging.LogGenerations, int16_t(4));
}

QTEST_GUILESS_MAIN(TestSettingsReader)
#include "tst_settingsreader.moc"
