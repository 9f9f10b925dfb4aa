#include "LoopbackPeer.h"
#include "PcapReader.h"
#include "TestLog.h"
#include "core/Cp932.h"
#include "core/RuntimeError.h"
#include "reception/HexGrid.h"
#include "reception/Lamp.h"
#include "reception/ReceptionController.h"
#include "reception/ReceptionSurface.h"
#include "reception/ResponseRulesFile.h"
#include "reception/UdpSocket.h"
#include "settings/SettingsReader.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <arpa/inet.h>
#include <sys/stat.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using testsupport::pattern;

namespace {

constexpr int Untouched = -1;

class FakeLamp final : public Lamp {
public:
    int color = Untouched;
    int BackColor() const override { return color; }
    void setBackColor(int value) override { color = value; }
};

class FakeSurface final : public ReceptionSurface {
public:
    FakeLamp recvLamp, sendLamp;
    HexGrid recvHex, sendHex;
    QString lastRecv, lastSent, caption;
    ResponseOption option = ResponseOption::RcvData;
    QList<bool> captureFailing;
    QString answeringRule = u"(not told)"_s;

    void setCaptureFailing(bool failing) override { captureFailing << failing; }
    Lamp &recvLed() override { return recvLamp; }
    Lamp &sendLed() override { return sendLamp; }
    HexGrid &recvGrid() override { return recvHex; }
    HexGrid &sendGrid() override { return sendHex; }
    void setLastRecvDateTime(const LocalTime &time) override { lastRecv = formatDisplayTime(time); }
    void setLastSentDateTime(const LocalTime &time) override { lastSent = formatDisplayTime(time); }
    void setRecvButtonCaption(const QString &text) override { caption = text; }
    ResponseOption selectedResponse() const override { return option; }
    void setAnsweringRule(const QString &name) override { answeringRule = name; }
};

// Records each box with the number of log lines written before it.
class RecordingBoxes final : public MessageBoxService {
public:
    struct Shown {
        QString text;
        int style = 0;
        QString title;
        qsizetype logLinesBefore = 0;
    };
    explicit RecordingBoxes(const TestLog &log) : m_log(log) {}
    QList<Shown> shown;
    MsgBoxResult msgBox(const QString &text, MsgBoxStyles style, const QString &title) override
    {
        shown.append({text, style.toInt(), title, m_log.messages().size()});
        return MsgBoxResult::Ok;
    }

private:
    const TestLog &m_log;
};

class RefusingSendSocket final : public UdpSocket {
public:
    void SendData(const QByteArray &) override { throw RuntimeError(QStringLiteral("送信テスト失敗")); }
};

// The controller on a real socket, a fake window and a real log.
struct Rig {
    TestLog t;
    ReceiveSettings settings;
    FakeSurface surface;
    RecordingBoxes boxes {t};
    std::unique_ptr<UdpSocket> socket;
    std::unique_ptr<ReceptionController> controller;
    int arrivals = 0;
    int stopAfter = -1; // switch reception off inside the handler of that arrival

    explicit Rig(std::unique_ptr<UdpSocket> wscRecv = std::make_unique<UdpSocket>()) : socket(std::move(wscRecv))
    {
        settings.RcvPort = freePort();
        controller = std::make_unique<ReceptionController>(
            ReceptionController::Dependencies {*socket, surface, settings, t.runtime, t.log, t.guard, boxes, t.clock});
        QObject::connect(socket.get(), &UdpSocket::DataArrival, socket.get(), [this](int32_t bytesTotal) {
            controller->wscRecv_DataArrival(bytesTotal);
            if (++arrivals == stopAfter)
                click();
        });
    }
    uint16_t port() const { return static_cast<uint16_t>(socket->boundPort()); }
    void click() { controller->cmdRecvData_Click(); }
    // Sends the bytes from the peer and waits until they have been handled.
    bool deliver(LoopbackPeer &peer, const QByteArray &bytes)
    {
        const int before = arrivals;
        return peer.sendTo(port(), bytes) && waitUntil([&] { return arrivals > before; });
    }
    void fillLogTo(qsizetype size) { testsupport::writeFile(t.path(), QByteArray(size, 'x')); }
    bool generationExists(int n) const { return QFile::exists(t.path() + u'.' + QString::number(n)); }
    // Beside the log.
    QString capturePath() const { return t.dir.filePath(u"Tavo_UdpRcvCapture.pcap"_s); }
    CaptureFile capture(const QString &suffix = {}) const
    {
        return pcapreader::read(testsupport::readFile(capturePath() + suffix));
    }
};

QByteArray loopback(int family)
{
    QByteArray address(family == AF_INET ? 4 : 16, '\0');
    ::inet_pton(family, family == AF_INET ? "127.0.0.1" : "::1", address.data());
    return address;
}

QString hex(char byte)
{
    return QStringLiteral("%1").arg(static_cast<unsigned char>(byte), 2, 16, QLatin1Char('0')).toUpper();
}

QString received(qsizetype n)
{
    return QString::number(n) + QStringLiteral("バイトのデータ受信");
}

QString sent(qsizetype n)
{
    return QString::number(n) + QStringLiteral("バイトの応答送信");
}

const QString CommunicationError = QStringLiteral("通信エラーが発生しました。");
const QString CannotReceive =
    QStringLiteral("本PC上で、現在のポート設定ではデータを受信できません。\r\n受信ポートを確認してください。");
constexpr LocalTime FirstTime {2026, 12, 6, 6, 39, 27, 0};
constexpr LocalTime SecondTime {2027, 1, 2, 23, 5, 9, 0};

// The grid shows the first 2048 bytes: row count, first and last byte shown.
void verifyDump(const HexGrid &grid, const QByteArray &bytes)
{
    const int shown = static_cast<int>(std::min<qsizetype>(bytes.size(), 2048));
    QCOMPARE(grid.rowCount(), (shown + 15) / 16);
    QCOMPARE(grid.textAt(0, 0), hex(bytes[0]));
    const int last = shown - 1;
    QCOMPARE(grid.textAt(last / 16, last % 16), hex(bytes[last]));
}

void verifyUntouched(const HexGrid &grid)
{
    QCOMPARE(grid.rowCount(), 1);
    QCOMPARE(grid.textAt(0, 0), QString());
}

} // namespace

class TestReceptionController : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startAndStop()
    {
        Rig rig;
        rig.click();
        QCOMPARE(rig.t.clock.slept, 500);
        QVERIFY(rig.socket->State() != 0);
        QCOMPARE(rig.socket->boundPort(), rig.settings.RcvPort);
        QCOMPARE(rig.surface.caption, QStringLiteral("受信終了"));
        QCOMPARE(rig.surface.recvLamp.color, Untouched);
        QCOMPARE(rig.surface.sendLamp.color, Untouched);

        rig.click();
        QCOMPARE(rig.t.clock.slept, 500);
        QCOMPARE(rig.socket->State(), 0);
        QCOMPARE(rig.surface.caption, QStringLiteral("受信待ち"));
        QCOMPARE(rig.surface.recvLamp.color, lampcolor::Black);
        QCOMPARE(rig.surface.sendLamp.color, lampcolor::Black);
        QVERIFY(rig.t.messages().isEmpty());
        QVERIFY(rig.boxes.shown.isEmpty());
    }

    void startBindsRcvPort()
    {
        Rig rig;
        rig.settings.RcvPort = freePort();
        rig.click();
        QCOMPARE(rig.socket->boundPort(), rig.settings.RcvPort);
    }

    // Reception stays off: the log line (empty: one whose description the
    // system words, ending in the handler's label), then the box.
    void startRefused_data()
    {
        QTest::addColumn<int>("rcvPort"); // -1: a port another socket holds
        QTest::addColumn<QString>("logLine");
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("style");
        QTest::newRow("port held by another socket") << -1 << QString() << CannotReceive << 16;
        QTest::newRow("port out of range")
            << 70000 << RuntimeError::invalidArgument().description() + QStringLiteral("(cmdRecvData_Click)")
            << CannotReceive << 16;
        // No usable port was stored at start-up; the one saved since takes effect after a restart.
        QTest::newRow("port 0: a restart needed")
            << 0 << QStringLiteral("受信ポートが設定されていません（保存した受信ポートは再起動後に有効になります）")
            << QStringLiteral("受信ポート設定を変更しました。\r\nアプリケーションを再起動してください。") << 64;
    }
    void startRefused()
    {
        QFETCH(int, rcvPort);
        QFETCH(QString, logLine);
        QFETCH(QString, box);
        QFETCH(int, style);
        const bool held = rcvPort < 0;
        Rig rig;
        uint16_t port = 0;
        const int other = held ? holdPort("0.0.0.0", SO_REUSEADDR, false, 0, port) : -1;
        rig.settings.RcvPort = held ? port : rcvPort;
        rig.click();
        if (other >= 0)
            ::close(other);

        const QStringList log = rig.t.messages();
        QCOMPARE(log.size(), 1);
        if (logLine.isEmpty())
            QVERIFY2(log[0].endsWith(QStringLiteral("(cmdRecvData_Click)")), qPrintable(log[0]));
        else
            QCOMPARE(log[0], logLine);
        QCOMPARE(rig.boxes.shown.size(), 1);
        QCOMPARE(rig.boxes.shown[0].text, box);
        QCOMPARE(rig.boxes.shown[0].style, style);
        QCOMPARE(rig.boxes.shown[0].title, QString());
        QCOMPARE(rig.boxes.shown[0].logLinesBefore, 1);
        QCOMPARE(rig.surface.caption, QString()); // not set: still the window's "受信待ち"
        QCOMPARE(rig.socket->State(), 0);
        QCOMPARE(rig.surface.recvLamp.color, Untouched);

        // Once the port is usable, the next click starts reception.
        rig.settings.RcvPort = held ? port : freePort();
        rig.click();
        QCOMPARE(rig.surface.caption, QStringLiteral("受信終了"));
        QVERIFY(rig.socket->State() != 0);
        QCOMPARE(rig.boxes.shown.size(), 1);
    }

    void arrival_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("option");
        QTest::addColumn<bool>("echoed");
        const int nothing = int(ResponseOption::Nothing), echo = int(ResponseOption::RcvData);
        QTest::newRow("2 bytes, no response") << 2 << nothing << false;
        QTest::newRow("2 bytes, echo") << 2 << echo << true;
        QTest::newRow("16 bytes, echo") << 16 << echo << true;
        QTest::newRow("17 bytes, custom") << 17 << int(ResponseOption::Custom) << false;
        QTest::newRow("2048 bytes, no option") << 2048 << int(ResponseOption::None) << false;
        QTest::newRow("3000 bytes, echo") << 3000 << echo << true;
        QTest::newRow("65507 bytes, echo") << 65507 << echo << true;
    }
    void arrival()
    {
        QFETCH(int, size);
        QFETCH(int, option);
        QFETCH(bool, echoed);
        Rig rig;
        rig.surface.option = static_cast<ResponseOption>(option);
        rig.click();
        rig.t.clock.time = FirstTime;
        LoopbackPeer peer(AF_INET);
        const QByteArray bytes = pattern(size, option);
        QVERIFY(rig.deliver(peer, bytes));

        QStringList expected {received(size)};
        if (echoed)
            expected << sent(size);
        QCOMPARE(rig.t.messages(), expected);
        QCOMPARE(rig.surface.recvLamp.color, lampcolor::Green);
        QCOMPARE(rig.surface.sendLamp.color, echoed ? lampcolor::Green : lampcolor::Black);
        QCOMPARE(rig.surface.lastRecv, QStringLiteral("26/12/06 06:39:27"));
        verifyDump(rig.surface.recvHex, bytes);
        QVERIFY(rig.surface.recvHex.redraw());
        if (echoed) {
            QCOMPARE(rig.surface.lastSent, QStringLiteral("26/12/06 06:39:27"));
            verifyDump(rig.surface.sendHex, bytes);
            QVERIFY(rig.surface.sendHex.redraw());
            const auto echo = peer.receive(5000);
            QVERIFY(echo.has_value());
            QCOMPARE(echo->bytes, bytes);
            QCOMPARE(echo->sourcePort, rig.port());
        } else {
            QCOMPARE(rig.surface.lastSent, QString());
            verifyUntouched(rig.surface.sendHex);
            QVERIFY(!peer.receive(20).has_value());
        }
        QVERIFY(rig.socket->State() != 0);
    }

    // In the custom mode the first rule that matches answers, exactly as an
    // echo is sent; no rule, or one that answers nothing, sends nothing.
    void customResponse_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("reply"); // empty: none
        QTest::addColumn<QString>("rule");
        QTest::newRow("regex, text and counter") << "ping"_ba
                                                 << "pong 1"_ba << u"pong"_s;
        QTest::newRow("silenced") << "\xff\x01"_ba << QByteArray() << u"silence"_s;
        QTest::newRow("slice of the datagram") << "abcdef"_ba
                                               << "ab\0"_ba << u"head"_s;
        QTest::newRow("no rule matches") << "ab"_ba << QByteArray() << QString();
    }
    void customResponse()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, reply);
        QFETCH(QString, rule);
        Rig rig;
        ResponseRuleSet rules;
        rules.replace(responserules::parse("silence prefix=ff -> none\r\npong regex=\"^ping\" -> \"pong \" "
                                           "count\r\nhead length=4- -> data[0:2] 00\r\n"));
        rig.controller->setResponseRules(&rules);
        rig.surface.option = ResponseOption::Custom;
        rig.t.runtime.logging.capture = true;
        rig.click();
        rig.t.clock.time = FirstTime;
        LoopbackPeer peer(AF_INET);
        QVERIFY(rig.deliver(peer, payload));

        const bool answered = !reply.isEmpty();
        QCOMPARE(rig.surface.answeringRule, rule);
        const QStringList lines = answered ? QStringList {received(payload.size()), sent(reply.size())}
                                           : QStringList {received(payload.size())};
        QCOMPARE(rig.t.messages(), lines);
        QCOMPARE(rig.surface.recvLamp.color, lampcolor::Green);
        QCOMPARE(rig.surface.sendLamp.color, answered ? lampcolor::Green : lampcolor::Black);
        QCOMPARE(rig.surface.lastSent, answered ? u"26/12/06 06:39:27"_s : QString());
        const CaptureFile capture = rig.capture();
        QCOMPARE(capture.datagrams.size(), answered ? 2 : 1);
        if (!answered) {
            verifyUntouched(rig.surface.sendHex);
            QVERIFY(!peer.receive(50).has_value());
            return;
        }
        verifyDump(rig.surface.sendHex, reply);
        QCOMPARE(capture.datagrams.last().payload, reply);
        QCOMPARE(capture.datagrams.last().sourcePort, rig.port());
        const auto got = peer.receive(5000);
        QVERIFY(got.has_value());
        QCOMPARE(got->bytes, reply);
        QCOMPARE(got->sourcePort, rig.port());
    }

    void tooShortIsDropped_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("0 bytes") << 0;
        QTest::newRow("1 byte") << 1;
    }
    void tooShortIsDropped()
    {
        QFETCH(int, size);
        Rig rig;
        rig.click();
        rig.fillLogTo(1024 * 1024); // one more line passes the limit: a flood of drops cannot grow the log
        LoopbackPeer peer(AF_INET);
        QVERIFY(rig.deliver(peer, pattern(size)));
        QVERIFY(!QFile::exists(rig.t.path()));
        QVERIFY(testsupport::readFile(rig.t.path() + QStringLiteral(".1"))
                    .endsWith(cp932::encode(CommunicationError) + "\r\n"));
        QCOMPARE(rig.surface.recvLamp.color, Untouched);
        QCOMPARE(rig.surface.sendLamp.color, Untouched);
        QCOMPARE(rig.surface.lastRecv, QString());
        verifyUntouched(rig.surface.recvHex);
        verifyUntouched(rig.surface.sendHex);
        QVERIFY(!peer.receive(20).has_value());
    }

    // Response mode changes between datagrams; the last response stays shown.
    void responseFollowsTheOption()
    {
        Rig rig;
        rig.click();
        LoopbackPeer peer(AF_INET6);
        const QByteArray first = pattern(16, 1);
        rig.t.clock.time = FirstTime;
        QVERIFY(rig.deliver(peer, first));
        QVERIFY(peer.receive(5000).has_value());

        rig.surface.option = ResponseOption::Nothing;
        rig.t.clock.time = SecondTime;
        QVERIFY(rig.deliver(peer, "!"));
        const QByteArray second = pattern(2, 2);
        QVERIFY(rig.deliver(peer, second));
        QVERIFY(!peer.receive(20).has_value());
        QCOMPARE(rig.surface.recvLamp.color, lampcolor::Green);
        QCOMPARE(rig.surface.sendLamp.color, lampcolor::Black);
        QCOMPARE(rig.surface.lastRecv, QStringLiteral("27/01/02 23:05:09"));
        QCOMPARE(rig.surface.lastSent, QStringLiteral("26/12/06 06:39:27"));
        verifyDump(rig.surface.recvHex, second);
        QCOMPARE(rig.surface.recvHex.textAt(0, 2), QString());
        verifyDump(rig.surface.sendHex, first);

        rig.surface.option = ResponseOption::RcvData;
        const QByteArray third = pattern(3, 3);
        QVERIFY(rig.deliver(peer, third));
        const auto echo = peer.receive(5000);
        QVERIFY(echo.has_value());
        QCOMPARE(echo->bytes, third);
        QCOMPARE(rig.surface.sendLamp.color, lampcolor::Green);
        QCOMPARE(rig.surface.lastSent, QStringLiteral("27/01/02 23:05:09"));
        verifyDump(rig.surface.sendHex, third);
        QCOMPARE(rig.surface.sendHex.rowCount(), 1);
        QCOMPARE(rig.t.messages(),
                 (QStringList {received(16), sent(16), CommunicationError, received(2), received(3), sent(3)}));
    }

    void rotationAfterEachDatagram_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QStringList>("rotated");
        QTest::newRow("echo") << int(ResponseOption::RcvData) << QStringList {received(2), sent(2)};
        QTest::newRow("no response") << int(ResponseOption::Nothing) << QStringList {received(2)};
        QTest::newRow("custom") << int(ResponseOption::Custom) << QStringList {received(2)};
    }
    void rotationAfterEachDatagram()
    {
        QFETCH(int, option);
        QFETCH(QStringList, rotated);
        Rig rig;
        rig.surface.option = static_cast<ResponseOption>(option);
        rig.click();
        rig.fillLogTo(1024 * 1024);
        LoopbackPeer peer(AF_INET);
        QVERIFY(rig.deliver(peer, "ab"));
        QVERIFY(rig.generationExists(1));
        QVERIFY(!QFile::exists(rig.t.path()));
        QCOMPARE(testsupport::logMessages(rig.t.path() + QStringLiteral(".1")), rotated);

        // The fresh log is small: the next datagram does not rotate.
        QVERIFY(rig.deliver(peer, "ab"));
        QCOMPARE(rig.t.messages(), rotated);
        QVERIFY(!rig.generationExists(2));
    }

    void rotationFailureIsLogged()
    {
        Rig rig;
        rig.surface.option = ResponseOption::Nothing;
        rig.click();
        rig.fillLogTo(1024 * 1024);
        testsupport::writeFile(rig.t.path() + QStringLiteral(".1"), "old");
        QVERIFY(QDir().mkdir(rig.t.path() + QStringLiteral(".2"))); // blocks moving .1 up
        LoopbackPeer peer(AF_INET);
        QVERIFY(rig.deliver(peer, "ab"));
        const QStringList log = rig.t.messages();
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[0], received(2));
        QVERIFY2(log[1].endsWith(QStringLiteral("(wscRecv_DataArrival)")), qPrintable(log[1]));
        QVERIFY(rig.socket->State() != 0);
    }

    void sendFailure()
    {
        Rig rig(std::make_unique<RefusingSendSocket>());
        rig.click();
        rig.fillLogTo(1024 * 1024);
        LoopbackPeer peer(AF_INET);
        const QByteArray bytes = pattern(2);
        for (int i = 1; i <= 2; ++i) {
            QVERIFY(rig.deliver(peer, bytes));
            QVERIFY(!rig.generationExists(1));
        }
        const QString failure = QStringLiteral("送信テスト失敗(wscRecv_DataArrival)");
        QCOMPARE(rig.t.messages(), (QStringList {received(2), failure, received(2), failure}));
        QCOMPARE(rig.surface.recvLamp.color, lampcolor::Green);
        QCOMPARE(rig.surface.sendLamp.color, lampcolor::Black);
        QVERIFY(!rig.surface.lastRecv.isEmpty());
        QCOMPARE(rig.surface.lastSent, QString());
        verifyDump(rig.surface.recvHex, bytes);
        verifyUntouched(rig.surface.sendHex);
        QVERIFY(rig.socket->State() != 0);
        QVERIFY(rig.boxes.shown.isEmpty());
    }

    void stopKeepsTheScreens()
    {
        Rig rig;
        rig.click();
        rig.t.clock.time = FirstTime;
        LoopbackPeer peer(AF_INET);
        const QByteArray bytes = pattern(17);
        QVERIFY(rig.deliver(peer, bytes));
        rig.click();
        QCOMPARE(rig.socket->State(), 0);
        QCOMPARE(rig.surface.caption, QStringLiteral("受信待ち"));
        QCOMPARE(rig.surface.recvLamp.color, lampcolor::Black);
        QCOMPARE(rig.surface.sendLamp.color, lampcolor::Black);
        QCOMPARE(rig.surface.lastRecv, QStringLiteral("26/12/06 06:39:27"));
        QCOMPARE(rig.surface.lastSent, QStringLiteral("26/12/06 06:39:27"));
        verifyDump(rig.surface.recvHex, bytes);
        verifyDump(rig.surface.sendHex, bytes);
        QCOMPARE(rig.t.messages(), (QStringList {received(17), sent(17)}));
    }

    void burstIsAnsweredAndLogged()
    {
        Rig rig;
        rig.t.runtime.logging.LogMaxSize = 16;
        rig.click();
        LoopbackPeer peer(AF_INET);
        constexpr int Total = 10000;
        constexpr int Chunk = 500;
        int echoes = 0;
        bool inOrder = true;
        const auto payload = [](int i) { return QByteArray::number(100000 + i); }; // 6 bytes
        const auto collectEchoes = [&] {
            while (const auto echo = peer.receive(0)) {
                inOrder = inOrder && echo->bytes == payload(echoes);
                ++echoes;
            }
        };
        for (int sentCount = 0; sentCount < Total;) {
            for (const int end = sentCount + Chunk; sentCount < end; ++sentCount)
                QVERIFY(peer.sendTo(rig.port(), payload(sentCount)));
            QVERIFY2(waitUntil([&] { return rig.arrivals == sentCount; }), qPrintable(QString::number(rig.arrivals)));
            collectEchoes();
        }
        QVERIFY(waitUntil([&] {
            collectEchoes();
            return echoes == Total;
        }));
        QVERIFY(inOrder);

        const QStringList log = rig.t.messages();
        QCOMPARE(log.size(), 2 * Total);
        QCOMPARE(log.count(received(6)), Total);
        QCOMPARE(log.count(sent(6)), Total);
        QCOMPARE(log.first(), received(6));
        QCOMPARE(log.last(), sent(6));
    }

    void captureHoldsEveryDatagram_data();
    void captureHoldsEveryDatagram();
    void captureRotatesWithTheLog_data();
    void captureRotatesWithTheLog();
    void captureFailureKeepsReceiving_data();
    void captureFailureKeepsReceiving();
    void tsharkDecodesTheCapture();
};

// Every datagram and echo, one record each, in order: the addresses and ports
// of both ends, the payload, a current time stamp; the family the datagram
// came in on. Datagrams that wait together are read together and their
// records written together: all of them, also when reception is switched
// off before the last of them is handled.
void TestReceptionController::captureHoldsEveryDatagram_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<bool>("echo");
    QTest::addColumn<bool>("capture");
    QTest::addColumn<bool>("together");
    QTest::addColumn<int>("stopAfter");
    QTest::newRow("IPv4, echo") << AF_INET << true << true << false << -1;
    QTest::newRow("IPv4, no response") << AF_INET << false << true << false << -1;
    QTest::newRow("IPv6, echo") << AF_INET6 << true << true << false << -1;
    QTest::newRow("IPv6, no response") << AF_INET6 << false << true << false << -1;
    QTest::newRow("capture off") << AF_INET << true << false << false << -1;
    QTest::newRow("IPv4, echo, waiting together") << AF_INET << true << true << true << -1;
    QTest::newRow("IPv6, switched off after the fourth of seven waiting") << AF_INET6 << true << true << true << 4;
}

void TestReceptionController::captureHoldsEveryDatagram()
{
    QFETCH(int, family);
    QFETCH(bool, echo);
    QFETCH(bool, capture);
    QFETCH(bool, together);
    QFETCH(int, stopAfter);
    Rig rig;
    rig.t.runtime.logging.capture = capture;
    rig.surface.option = echo ? ResponseOption::RcvData : ResponseOption::Nothing;
    rig.click();
    const uint16_t port = rig.port();
    LoopbackPeer peer(family);
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    QList<int> sizes {0, 1, 2, 17, 1400, 3000, 65507};
    if (together) {
        // Sent before the event loop turns: one read takes them all.
        rig.stopAfter = stopAfter;
        for (const int size : sizes)
            QVERIFY(peer.sendTo(port, pattern(size, size)));
        const qsizetype handled = stopAfter < 0 ? sizes.size() : stopAfter;
        QVERIFY(waitUntil([&] { return rig.arrivals == handled; }));
        sizes.resize(handled);
    } else {
        for (const int size : sizes)
            QVERIFY(rig.deliver(peer, pattern(size, size)));
    }
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    if (!capture) {
        QVERIFY(!QFile::exists(rig.capturePath()));
        return;
    }

    const CaptureFile file = rig.capture();
    QVERIFY2(file.fault.isEmpty(), qPrintable(file.fault));
    QList<CapturedDatagram> expected;
    const QByteArray local = loopback(family);
    for (const int size : sizes) {
        expected.append({family == AF_INET ? 4 : 6, local, local, peer.port(), port, pattern(size, size), 0});
        if (echo && size >= 2)
            expected.append({expected.last().ipVersion, local, local, port, peer.port(), pattern(size, size), 0});
    }
    QCOMPARE(file.datagrams.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const CapturedDatagram &got = file.datagrams[i];
        QCOMPARE(got.ipVersion, expected[i].ipVersion);
        QCOMPARE(got.source, expected[i].source);
        QCOMPARE(got.destination, expected[i].destination);
        QCOMPARE(got.sourcePort, expected[i].sourcePort);
        QCOMPARE(got.destinationPort, expected[i].destinationPort);
        QCOMPARE(got.payload, expected[i].payload);
        QVERIFY(got.seconds >= before && got.seconds <= after);
    }
    QVERIFY(rig.surface.captureFailing.isEmpty());
}

// The capture rotates by the log's size and generation rules, after the
// record that takes it past the limit, also when that record waits with
// others to be written; every file starts with its header and holds whole
// records only.
void TestReceptionController::captureRotatesWithTheLog_data()
{
    QTest::addColumn<int>("together");
    QTest::newRow("one by one") << 1;
    QTest::newRow("four waiting together") << 4;
}

void TestReceptionController::captureRotatesWithTheLog()
{
    QFETCH(int, together);
    Rig rig;
    rig.t.runtime.logging.capture = true; // 1 MiB, 3 generations
    rig.click();
    LoopbackPeer peer(AF_INET6);
    constexpr int Count = 40;
    for (int i = 0; i < Count; i += together) {
        for (int k = i; k < i + together; ++k)
            QVERIFY(peer.sendTo(rig.port(), pattern(30000, k)));
        QVERIFY(waitUntil([&] { return rig.arrivals == i + together; }));
        for (int k = i; k < i + together; ++k)
            QVERIFY(peer.receive(5000).has_value());
    }
    QList<CapturedDatagram> all;
    for (const QString &suffix : {u".2"_s, u".1"_s, QString()}) {
        const CaptureFile file = rig.capture(suffix);
        QVERIFY2(file.fault.isEmpty(), qPrintable(suffix + u": "_s + file.fault));
        QVERIFY(!file.datagrams.isEmpty());
        QVERIFY(QFileInfo(rig.capturePath() + suffix).size() < 1024 * 1024 + 2 * 30100);
        all += file.datagrams;
    }
    QVERIFY(!QFile::exists(rig.capturePath() + u".3"_s));
    QCOMPARE(all.size(), 2 * Count);
    for (int i = 0; i < 2 * Count; ++i)
        QCOMPARE(all[i].payload, pattern(30000, i / 2));
}

// A capture file that cannot be written loses its records, never a
// datagram: reception, echo and log go on; the failure is told once and
// its end once.
void TestReceptionController::captureFailureKeepsReceiving_data()
{
    QTest::addColumn<bool>("fifo");
    QTest::newRow("FIFO in place of the file") << true;
    QTest::newRow("folder in place of the file") << false;
}

void TestReceptionController::captureFailureKeepsReceiving()
{
    QFETCH(bool, fifo);
    Rig rig;
    rig.t.runtime.logging.capture = true;
    rig.click();
    const QByteArray path = QFile::encodeName(rig.capturePath());
    QVERIFY(fifo ? ::mkfifo(path.constData(), 0666) == 0 : QDir().mkdir(rig.capturePath()));
    LoopbackPeer peer(AF_INET);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(rig.deliver(peer, pattern(5, i)));
        QCOMPARE(peer.receive(5000)->bytes, pattern(5, i));
    }
    QCOMPARE(rig.surface.captureFailing, QList<bool> {true});
    QVERIFY(fifo ? QFile::remove(rig.capturePath()) : QDir().rmdir(rig.capturePath()));
    QVERIFY(rig.deliver(peer, pattern(5, 2)));
    QCOMPARE(rig.surface.captureFailing, (QList<bool> {true, false}));
    const CaptureFile file = rig.capture();
    QVERIFY2(file.fault.isEmpty(), qPrintable(file.fault));
    QCOMPARE(file.datagrams.size(), 2);
    QCOMPARE(file.datagrams[1].payload, pattern(5, 2));
    QCOMPARE(rig.t.messages(), (QStringList {received(5), sent(5), received(5), sent(5), received(5), sent(5)}));
}

// tshark decodes every record, IPv4 and IPv6 in one file, as UDP with its payload.
void TestReceptionController::tsharkDecodesTheCapture()
{
    const QString tshark = QStandardPaths::findExecutable(u"tshark"_s);
    if (tshark.isEmpty())
        QSKIP("tshark is not installed");
    Rig rig;
    rig.t.runtime.logging.capture = true;
    rig.click();
    LoopbackPeer v4(AF_INET), v6(AF_INET6);
    QStringList expected;
    for (const int size : {1, 2, 1400, 3000}) {
        for (LoopbackPeer *peer : {&v4, &v6}) {
            const bool isV4 = peer == &v4;
            const QByteArray bytes = pattern(size, isV4);
            QVERIFY(rig.deliver(*peer, bytes));
            const QString hex = QString::fromLatin1(bytes.toHex());
            const QString version = isV4 ? u"4"_s : u"6"_s;
            expected << version + u' ' + QString::number(peer->port()) + u' ' + QString::number(rig.port()) + u' ' +
                            hex;
            if (size >= 2)
                expected << version + u' ' + QString::number(rig.port()) + u' ' + QString::number(peer->port()) + u' ' +
                                hex;
        }
    }
    QProcess process;
    process.start(tshark,
                  {u"-r"_s, rig.capturePath(), u"-T"_s, u"fields"_s, u"-E"_s, u"separator=/s"_s, u"-e"_s,
                   u"ip.version"_s, u"-e"_s, u"udp.srcport"_s, u"-e"_s, u"udp.dstport"_s, u"-e"_s, u"udp.payload"_s});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    QStringList decoded;
    for (const QString &line : QString::fromLatin1(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts))
        decoded << line.simplified().remove(u':');
    QCOMPARE(decoded, expected);
}

QTEST_GUILESS_MAIN(TestReceptionController)
#include "tst_receptioncontroller.moc"
