// The main window's handlers: load, clock, exit question, menu, frame
// close, and what reception reaches through it.
#include "FormsFixture.h"
#include "LoopbackPeer.h"
#include "reception/HexGrid.h"
#include "reception/Lamp.h"
#include "ui/frmMain.h"
#include "ui/frmUdpRcvComSetting.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <sys/socket.h>

using namespace Qt::StringLiterals;
using testsupport::SettingsFile;

namespace {

QString labelText(const QWidget &form, const QString &name)
{
    return form.findChild<QLabel *>(name)->text();
}

// The main window loaded from settings with `port` and no response, shown,
// reception switched on by its button.
frmMain &listening(FormsFixture &f, uint16_t port)
{
    f.writeSettings(SettingsFile().udpPort(port).resSetting(0));
    frmMain &main = f.forms->mainForm();
    main.ReadSetting(f.settingFile());
    main.show();
    main.findChild<QPushButton *>(u"cmdRecvData"_s)->click();
    return main;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { FormsFixture::flushDeletes(); }
    void formLoad_data();
    void formLoad();
    void formLoadRunsOnce();
    void clockTicksOnlyAfterLoad();
    void exitQuestion_data();
    void exitQuestion();
    void frameCloseEndsProgram();
    void menuReusesLoadedDialogModally();
    void receptionRunsThroughTheWindow();
    void logFailureIsMarked();
    void lastSenderIsTold();
};

void MainWindowTest::formLoad_data()
{
    QTest::addColumn<int>("resSetting");
    QTest::addColumn<int>("option");
    QTest::newRow("0 no response") << 0 << int(ResponseOption::Nothing);
    QTest::newRow("1 echo") << 1 << int(ResponseOption::RcvData);
    QTest::newRow("2 none selected") << 2 << int(ResponseOption::None);
}

void MainWindowTest::formLoad()
{
    QFETCH(int, resSetting);
    QFETCH(int, option);
    FormsFixture f;
    QVERIFY(f.init());
    QVERIFY(f.writeSettings(SettingsFile().udpPort(8000).resSetting(resSetting)));
    frmMain &main = f.forms->mainForm();
    main.ReadSetting(f.settingFile());
    QCOMPARE(main.RcvPort(), 8000);
    main.recvLed().setBackColor(65280);
    QVERIFY(!main.loaded());

    main.show();
    QVERIFY(main.loaded());
    QCOMPARE(main.windowTitle(), u"Kovantra"_s);
    QCOMPARE(int(main.selectedResponse()), option);
    QCOMPARE(main.recvLed().BackColor(), 0);
    QCOMPARE(main.sendLed().BackColor(), 0);
    for (HexGrid *grid : {&main.sendGrid(), &main.recvGrid()}) {
        QCOMPARE(grid->rowCount(), 1);     // and the header row
        QCOMPARE(grid->columnCount(), 16); // and the header column
        QCOMPARE(grid->textAt(0, 0), QString());
        QCOMPARE(grid->rowHeader(0), u"0000"_s);
        QStringList columnHeaders;
        for (int c = 0; c < 16; ++c)
            columnHeaders << grid->columnHeader(c);
        QCOMPARE(columnHeaders.join(u' '), u"00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"_s);
        QCOMPARE(grid->headerData(10, Qt::Horizontal, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    }
    QVERIFY(f.logMessages().isEmpty());
}

void MainWindowTest::formLoadRunsOnce()
{
    FormsFixture f;
    QVERIFY(f.init());
    QVERIFY(f.writeSettings(SettingsFile().udpPort(8000).resSetting(1)));
    frmMain &main = f.forms->mainForm();
    main.ReadSetting(f.settingFile());
    main.show();
    main.findChild<QWidget *>(u"optNothing"_s)->setProperty("checked", true);
    main.hide();
    main.show();
    QCOMPARE(main.selectedResponse(), ResponseOption::Nothing);
}

void MainWindowTest::clockTicksOnlyAfterLoad()
{
    FormsFixture f;
    QVERIFY(f.init());
    frmMain &main = f.forms->mainForm();
    auto *timer = main.findChild<QTimer *>(u"tmrNowDateTime"_s);
    QVERIFY(!timer->isActive());
    QCOMPARE(labelText(main, u"lblNowDateTimeForRecvData"_s), u"--/--/-- --:--:--"_s);

    main.show();
    QVERIFY(timer->isActive());
    QSignalSpy ticks(timer, &QTimer::timeout);
    QVERIFY(ticks.wait(5000));
    QCOMPARE(labelText(main, u"lblNowDateTimeForSendData"_s), u"24/01/05 09:03:07"_s);
    QCOMPARE(labelText(main, u"lblNowDateTimeForRecvData"_s), u"24/01/05 09:03:07"_s);

    f.clock.time = {2031, 12, 31, 23, 59, 58, 0};
    main.tmrNowDateTime_Timer();
    QCOMPARE(labelText(main, u"lblNowDateTimeForSendData"_s), u"31/12/31 23:59:58"_s);
    QCOMPARE(labelText(main, u"lblNowDateTimeForRecvData"_s), u"31/12/31 23:59:58"_s);
    QCOMPARE(labelText(main, u"lblLastRecvDateTimeData"_s), u"--/--/-- --:--:--"_s);
}

void MainWindowTest::exitQuestion_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK ends the program") << true;
    QTest::newRow("Cancel keeps it running") << false;
}

void MainWindowTest::exitQuestion()
{
    QFETCH(bool, ok);
    FormsFixture f;
    QVERIFY(f.init());
    f.forms->comSettingForm(); // loaded and hidden, as after start-up
    frmMain &main = f.forms->mainForm();
    main.show();
    f.boxes.answer = ok ? MsgBoxResult::Ok : MsgBoxResult::Cancel;

    main.findChild<QPushButton *>(u"cmdEnd"_s)->click();
    QCOMPARE(f.boxes.shown.size(), 1);
    QCOMPARE(f.boxes.shown[0].text, u"Kovantraを終了してもよろしいですか？"_s);
    QCOMPARE(f.boxes.shown[0].style, 289);
    QCOMPARE(f.boxes.shown[0].title, u"Kovantra"_s);
    QCOMPARE(f.endCount, ok ? 1 : 0);
    QCOMPARE(main.isVisible(), !ok);
    QCOMPARE(f.forms->ended(), ok);
    QVERIFY(f.logMessages().isEmpty());
}

void MainWindowTest::frameCloseEndsProgram()
{
    FormsFixture f;
    QVERIFY(f.init());
    frmMain &main = f.forms->mainForm();
    main.show();
    QVERIFY(main.close());
    QCOMPARE(f.endCount, 1);
    QVERIFY(f.boxes.shown.isEmpty());
    QVERIFY(!main.isVisible());
}

void MainWindowTest::menuReusesLoadedDialogModally()
{
    FormsFixture f;
    QVERIFY(f.init());
    QVERIFY(f.writeSettings(SettingsFile().udpPort(8001)));
    const frmUdpRcvComSetting *loaded = &f.forms->comSettingForm(); // start-up loads it hidden
    QVERIFY(f.writeSettings(SettingsFile().udpPort(8002)));
    frmMain &main = f.forms->mainForm();
    main.show();

    QPointer<frmUdpRcvComSetting> seen;
    bool reused = false;
    QString portBox;
    bool modal = false;
    const auto answerDialog = [&] {
        seen = qobject_cast<frmUdpRcvComSetting *>(QApplication::activeModalWidget());
        if (seen == nullptr)
            return;
        reused = seen.data() == loaded;
        modal = seen->isModal();
        portBox = seen->findChild<QLineEdit *>(u"txtRcvPort"_s)->text();
        seen->findChild<QPushButton *>(u"cmdCancel"_s)->click();
    };

    QTimer::singleShot(0, this, answerDialog);
    main.findChild<QAction *>(u"ComSetting"_s)->trigger();
    QVERIFY(reused);
    QVERIFY(modal);
    QCOMPARE(portBox, u"8001"_s); // its load did not run again
    QVERIFY(f.forms->existingComSettingForm() == nullptr);
    QVERIFY(main.isVisible());

    // Released and gone: the next use loads a fresh dialog.
    QVERIFY(seen.isNull());
    QTimer::singleShot(0, this, answerDialog);
    main.ComSetting_Click();
    QVERIFY(f.forms->existingComSettingForm() == nullptr); // closed and released again
    QCOMPARE(portBox, u"8002"_s);
    QVERIFY(f.boxes.shown.isEmpty());
}

void MainWindowTest::receptionRunsThroughTheWindow()
{
    FormsFixture f;
    QVERIFY(f.init());
    const uint16_t port = freePort();
    frmMain &main = listening(f, port);
    auto *cmdRecvData = main.findChild<QPushButton *>(u"cmdRecvData"_s);
    QCOMPARE(cmdRecvData->text(), u"受信終了"_s);
    QCOMPARE(f.clock.slept, 500);

    LoopbackPeer sender(AF_INET);
    QVERIFY(sender.sendTo(port, QByteArray::fromHex("01ff")));
    QTRY_COMPARE(labelText(main, u"lblLastRecvDateTimeData"_s), u"24/01/05 09:03:07"_s);
    QTRY_COMPARE(main.recvGrid().textAt(0, 1), u"FF"_s);
    QCOMPARE(main.recvLed().BackColor(), 65280);
    QCOMPARE(f.logMessages(), QStringList(u"2バイトのデータ受信"_s));

    cmdRecvData->click();
    QCOMPARE(cmdRecvData->text(), u"受信待ち"_s);
    QCOMPARE(main.recvLed().BackColor(), 0);
}

void MainWindowTest::logFailureIsMarked()
{
    FormsFixture f;
    QVERIFY(f.init());
    f.forms->showMainForm();
    const auto *notice = f.forms->mainForm().findChild<QLabel *>(u"noticePanel"_s);
    const QString logPath = f.runtime.appDefine.LogPath;
    QVERIFY(QDir(logPath).removeRecursively());
    testsupport::writeFile(logPath, "a file where the Log folder belongs");
    f.log.WriteLog(UdpReceiverKind, u"lost"_s);
    QCOMPARE(notice->text(), u"ログを書き込めません"_s);
    // Capture failures share the notice.
    f.forms->mainForm().setCaptureFailing(true);
    QCOMPARE(notice->text(), u"ログとキャプチャを書き込めません"_s);
    QVERIFY(QFile::remove(logPath));
    f.log.WriteLog(UdpReceiverKind, u"written"_s);
    QCOMPARE(notice->text(), u"キャプチャを書き込めません"_s);
    f.forms->mainForm().setCaptureFailing(false);
    QCOMPARE(notice->text(), QString());
    QVERIFY(notice->isHidden());
    QCOMPARE(f.logMessages(), QStringList(u"written"_s));
}

// The receive grid and the receive time label tell who sent the last
// datagram shown, as tooltip and accessible description.
void MainWindowTest::lastSenderIsTold()
{
    FormsFixture f;
    QVERIFY(f.init());
    const uint16_t port = freePort();
    frmMain &main = listening(f, port);
    const QList<QWidget *> telling {main.findChild<QWidget *>(u"fgrdRecvData"_s),
                                    main.findChild<QWidget *>(u"lblLastRecvDateTimeData"_s)};
    for (QWidget *widget : telling)
        QCOMPARE(widget->toolTip(), QString());

    // Each sender replaces the one before; the last is IPv4 again, from another port.
    const std::pair<int, QString> senders[] = {
        {AF_INET, u"127.0.0.1:%1"_s}, {AF_INET6, u"[::1]:%1"_s}, {AF_INET, u"127.0.0.1:%1"_s}};
    for (const auto &[family, shown] : senders) {
        LoopbackPeer peer(family);
        QVERIFY(peer.sendTo(port, "ab"));
        const QString expected = u"送信元："_s + shown.arg(peer.port());
        for (QWidget *widget : telling) {
            QTRY_COMPARE(widget->toolTip(), expected);
            QCOMPARE(widget->accessibleDescription(), expected);
        }
    }
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
