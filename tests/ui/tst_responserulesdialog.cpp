// The response rules in the window: the editor driven by the keyboard
// through the file and back into the main window, the menu's reload, and
// the rule named beside the sender.
#include "FormsFixture.h"
#include "LoopbackPeer.h"
#include "SettingsFile.h"
#include "ui/ResponseRulesDialog.h"
#include "ui/frmMain.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <sys/socket.h>

using namespace Qt::StringLiterals;

namespace {

// The main window shown with ResSetting=2 and `rules` in the rules file.
frmMain &shown(FormsFixture &f, const QByteArray &rules, uint16_t port = 8000)
{
    f.writeSettings(testsupport::SettingsFile().udpPort(port).resSetting(2));
    testsupport::writeFile(f.runtime.appDefine.ConfigPath + u"/Tavo_UdpRecvRules.txt"_s, rules);
    frmMain &main = f.forms->mainForm();
    main.ReadSetting(f.settingFile());
    main.show();
    return main;
}

QRadioButton *custom(frmMain &main)
{
    return main.findChild<QRadioButton *>(u"optCustom"_s);
}

} // namespace

class ResponseRulesDialogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { FormsFixture::flushDeletes(); }
    void editByKeyboard();
    void reload_data();
    void reload();
    void tooltipNamesTheRule();
    void accessible_data();
    void accessible();
};

void ResponseRulesDialogTest::editByKeyboard()
{
    FormsFixture f;
    QVERIFY(f.init());
    frmMain &main = shown(f, "; head\r\nfirst -> 01\r\n# about second\r\nsecond prefix=02 -> none\r\n");
    QVERIFY(custom(main)->isEnabled() && custom(main)->isChecked());

    QStringList shown, edited, tried;
    QTimer::singleShot(0, &main, [&] {
        auto *dialog = qobject_cast<ResponseRulesDialog *>(QApplication::activeModalWidget());
        if (!dialog || !QTest::qWaitForWindowActive(dialog))
            return;
        // A button's Alt key clicks it once its press has been shown (100 ms).
        const auto keys = [dialog](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::AltModifier) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : dialog, key, modifiers);
            QTest::qWait(modifiers == Qt::AltModifier ? 250 : 0);
        };
        shown = dialog->ruleLines();
        keys(Qt::Key_A); // 追加: a new rule after the current one, its text selected
        QTest::keyClicks(QApplication::focusWidget(), u"third regex=\"^x\" -> \"y\" count"_s);
        keys(Qt::Key_N); // 下へ
        edited = dialog->ruleLines();
        keys(Qt::Key_L); // the list: the first rule goes
        keys(Qt::Key_Home, Qt::NoModifier);
        keys(Qt::Key_D);
        keys(Qt::Key_H); // the sample
        QTest::keyClicks(QApplication::focusWidget(), u"02 03"_s);
        keys(Qt::Key_T); // 試す
        tried << dialog->findChild<QLabel *>(u"lblTryResult"_s)->text();
        keys(Qt::Key_S); // 保存
        keys(Qt::Key_Escape, Qt::NoModifier);
    });
    main.findChild<QAction *>(u"editResponseRules"_s)->trigger();

    QCOMPARE(shown, QStringList({u"first -> 01"_s, u"second prefix=02 -> none"_s}));
    QCOMPARE(edited,
             QStringList({u"first -> 01"_s, u"second prefix=02 -> none"_s, u"third regex=\"^x\" -> \"y\" count"_s}));
    QCOMPARE(tried, QStringList(u"second（1番目）が一致：応答しません"_s));
    QCOMPARE(testsupport::readFile(main.responseRulesFile()),
             "# about second\r\nsecond prefix=02 -> none\r\nthird regex=\"^x\" -> \"y\" count\r\n"_ba);
    QCOMPARE(main.responseRules().size(), size_t(2)); // read again once saved
    QVERIFY(f.boxes.shown.isEmpty());
    QVERIFY(!QApplication::activeModalWidget());
}

void ResponseRulesDialogTest::reload_data()
{
    QTest::addColumn<QByteArray>("content"); // "link": a link in place of the file
    QTest::addColumn<bool>("customChosen");
    QTest::addColumn<QString>("box");
    QTest::newRow("rules") << "a -> 01\r\nb -> 02\r\n"_ba << true << u"応答ルールを2件読み込みました。"_s;
    QTest::newRow("a malformed line")
        << "a -> 01\r\nbad\r\n"_ba << true
        << u"応答ルールファイルに誤りがあります。誤りのある行は使われません。\r\n2行目：「->」がありません"_s;
    QTest::newRow("no rules") << "; none yet\r\n"_ba << false << u"応答ルールを0件読み込みました。"_s;
    QTest::newRow("a link: the rules stay") << "link"_ba << true << u"応答ルールファイルを読み込めませんでした。"_s;
}

// The menu reads the file again; カスタム is chosen while a rule is read.
void ResponseRulesDialogTest::reload()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, customChosen);
    QFETCH(QString, box);
    FormsFixture f;
    QVERIFY(f.init());
    frmMain &main = shown(f, "x -> 01\r\n");
    QVERIFY(custom(main)->isChecked());
    const QString file = main.responseRulesFile();
    if (content == "link") {
        QVERIFY(QFile::remove(file));
        QVERIFY(QFile::link(f.settingFile(), file));
    } else {
        testsupport::writeFile(file, content);
    }
    main.findChild<QAction *>(u"reloadResponseRules"_s)->trigger();
    QCOMPARE(f.boxes.shown.size(), 1);
    QVERIFY2(f.boxes.shown[0].text.startsWith(box), qPrintable(f.boxes.shown[0].text));
    QCOMPARE(custom(main)->isEnabled(), customChosen);
    QCOMPARE(custom(main)->isChecked(), customChosen);
    QCOMPARE(int(main.selectedResponse()), int(customChosen ? ResponseOption::Custom : ResponseOption::None));
}

void ResponseRulesDialogTest::tooltipNamesTheRule()
{
    FormsFixture f;
    QVERIFY(f.init());
    const uint16_t port = freePort();
    LoopbackPeer peer(AF_INET);
    frmMain &main = shown(f, "ping prefix=70 -> \"pong\"\r\n", port);
    main.findChild<QPushButton *>(u"cmdRecvData"_s)->click();
    QWidget *grid = main.findChild<QWidget *>(u"fgrdRecvData"_s);
    QVERIFY(peer.sendTo(port, "ping"));
    QTRY_VERIFY(grid->toolTip().endsWith(u"（応答ルール：ping）"_s));
    QVERIFY(peer.sendTo(port, "nothing"));
    QTRY_VERIFY(grid->toolTip().startsWith(u"送信元：127.0.0.1:"_s) && !grid->toolTip().contains(u"応答ルール"_s));
    QCOMPARE(f.logMessages(),
             QStringList({u"4バイトのデータ受信"_s, u"4バイトの応答送信"_s, u"7バイトのデータ受信"_s}));
}

void ResponseRulesDialogTest::accessible_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::newRow("dialog") << u"responseRulesDialog"_s << int(QAccessible::Dialog) << u"応答ルール"_s;
    QTest::newRow("list") << u"lstRules"_s << int(QAccessible::List) << u"ルール一覧"_s;
    QTest::newRow("rule") << u"txtRule"_s << int(QAccessible::EditableText) << u"選択中のルール"_s;
    QTest::newRow("sample") << u"txtSample"_s << int(QAccessible::EditableText) << u"試す受信データ（16進）"_s;
    QTest::newRow("button") << u"cmdUp"_s << int(QAccessible::Button) << u"上へ"_s;
    QTest::newRow("result") << u"lblTryResult"_s << int(QAccessible::StaticText) << u"試した結果"_s;
}

void ResponseRulesDialogTest::accessible()
{
    QFETCH(QString, object);
    QFETCH(int, role);
    QFETCH(QString, name);
    FakeMessageBoxes boxes;
    QTemporaryDir dir;
    ResponseRulesDialog dialog(dir.filePath(u"rules.txt"_s), boxes);
    QObject *control = dialog.objectName() == object ? &dialog : dialog.findChild<QWidget *>(object);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
    QVERIFY(accessible);
    QCOMPARE(int(accessible->role()), role);
    QCOMPARE(accessible->text(QAccessible::Name), name);
}

QTEST_MAIN(ResponseRulesDialogTest)
#include "tst_responserulesdialog.moc"
