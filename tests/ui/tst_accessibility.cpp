// What assistive technology and the keyboard reach in both windows: roles,
// names and values through Qt's accessibility interfaces; Tab and Shift+Tab
// moving between controls and out of the grids.
#include "FormsFixture.h"
#include "ui/DateTimeStatusBar.h"
#include "ui/HexGridView.h"
#include "ui/LampWidget.h"
#include "ui/frmMain.h"
#include "ui/frmUdpRcvComSetting.h"

#include <QAccessible>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QWidget &WindowOf(FormsFixture &f, bool dialog)
{
    return dialog ? static_cast<QWidget &>(f.forms->ComSettingForm()) : f.forms->MainForm();
}

QAccessibleInterface *Accessible(QWidget &window, const QString &name)
{
    QObject *object = window.objectName() == name ? &window : window.findChild<QWidget *>(name);
    return object != nullptr ? QAccessible::queryAccessibleInterface(object) : nullptr;
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QAccessible::setActive(true); }

    void rolesNamesValues_data()
    {
        QTest::addColumn<bool>("dialog");
        QTest::addColumn<QString>("object");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        const auto row = [](bool dialog, const char *object, QAccessible::Role role, const QString &name,
                            const QString &value = {}) {
            QTest::addRow("%s", object) << dialog << QString::fromLatin1(object) << int(role) << name << value;
        };
        row(false, "frmMain", QAccessible::Window, u"frmMain"_s);
        row(false, "fgrdRecvData", QAccessible::Table, u"受信データ"_s);
        row(false, "fgrdSendData", QAccessible::Table, u"送信データ"_s);
        row(false, "shpRecvLed", QAccessible::Indicator, u"受信ランプ"_s, u"消灯"_s);
        row(false, "shpSendLed", QAccessible::Indicator, u"送信ランプ"_s, u"消灯"_s);
        row(false, "sbStatusBar", QAccessible::StatusBar, u"ステータスバー"_s);
        row(false, "cmdRecvData", QAccessible::Button, u"受信待ち"_s);
        row(false, "cmdEnd", QAccessible::Button, u"終了"_s);
        row(false, "optRcvData", QAccessible::RadioButton, u"受信データ"_s);
        row(false, "fraResSetting", QAccessible::Grouping, u"応答設定"_s);
        row(false, "lblLastRecvDateTime", QAccessible::StaticText, u"受信時刻："_s);
        row(true, "frmUdpRcvComSetting", QAccessible::Dialog, u"通信設定"_s);
        row(true, "txtRcvPort", QAccessible::EditableText, u"受信ポート"_s, u"47808"_s);
        row(true, "cmdCancel", QAccessible::Button, u"キャンセル"_s);
    }

    void rolesNamesValues()
    {
        QFETCH(bool, dialog);
        QFETCH(QString, object);
        QFETCH(int, role);
        QFETCH(QString, name);
        QFETCH(QString, value);
        FormsFixture f;
        QVERIFY(f.Init());
        f.WritePort("47808");
        QAccessibleInterface *accessible = Accessible(WindowOf(f, dialog), object);
        QVERIFY(accessible);
        QCOMPARE(int(accessible->role()), role);
        QCOMPARE(accessible->text(QAccessible::Name), name);
        if (!value.isEmpty())
            QCOMPARE(accessible->text(QAccessible::Value), value);
    }

    // A lamp reads lit or dark; the grid
    // is a table of its cells; the status bar's panels read their texts.
    void statesAndCells()
    {
        FormsFixture f;
        frmMain &main = f.forms->MainForm();
        auto *lamp = main.findChild<LampWidget *>(u"shpRecvLed"_s);
        QAccessibleInterface *lampAccess = QAccessible::queryAccessibleInterface(lamp);
        QVERIFY(!lampAccess->state().checked);
        lamp->SetBackColor(65280);
        QCOMPARE(lampAccess->text(QAccessible::Value), u"点灯"_s);
        QVERIFY(lampAccess->state().checked);

        main.RecvGrid().setBytes("Hi!");
        auto *grid = main.findChild<HexGridView *>(u"fgrdRecvData"_s);
        QAccessibleTableInterface *table = QAccessible::queryAccessibleInterface(grid)->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->cellAt(1, 2)->text(QAccessible::Name), u"69"_s);
        grid->setCurrentIndex(main.RecvGrid().index(1, 3));
        grid->setFocus();
        QCOMPARE(QAccessible::queryAccessibleInterface(grid)->focusChild()->text(QAccessible::Name), u"21"_s);

        auto *bar = main.findChild<DateTimeStatusBar *>(u"sbStatusBar"_s);
        QAccessibleInterface *barAccess = QAccessible::queryAccessibleInterface(bar);
        QCOMPARE(barAccess->childCount(), 2);
        bar->SetNotice(u"ログを書き込めません"_s);
        QCOMPARE(barAccess->childCount(), 3);
        const QStringList names {u"日付"_s, u"時刻"_s, u"お知らせ"_s};
        const QStringList values {bar->DateText(), bar->TimeText(), u"ログを書き込めません"_s};
        for (int i = 0; i < 3; ++i) {
            QAccessibleInterface *panel = barAccess->child(i);
            QCOMPARE(panel->text(QAccessible::Name), names[i]);
            QCOMPARE(panel->text(QAccessible::Value), values[i]);
            QCOMPARE(panel->parent()->object(), bar);
            QCOMPARE(barAccess->indexOfChild(panel), i);
        }
        QVERIFY(!values[0].isEmpty() && !values[1].isEmpty());
    }

    void tabMovesBetweenControls_data()
    {
        QTest::addColumn<bool>("dialog");
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("to");
        QTest::newRow("Tab leaves the send grid")
            << false << u"fgrdSendData"_s << int(Qt::Key_Tab) << u"fgrdRecvData"_s;
        QTest::newRow("Tab leaves the receive grid")
            << false << u"fgrdRecvData"_s << int(Qt::Key_Tab) << u"optNothing"_s;
        QTest::newRow("Shift+Tab leaves the receive grid")
            << false << u"fgrdRecvData"_s << int(Qt::Key_Backtab) << u"fgrdSendData"_s;
        QTest::newRow("Shift+Tab leaves the send grid")
            << false << u"fgrdSendData"_s << int(Qt::Key_Backtab) << u"cmdRecvData"_s;
        QTest::newRow("an arrow stays in the grid")
            << false << u"fgrdRecvData"_s << int(Qt::Key_Right) << u"fgrdRecvData"_s;
        QTest::newRow("Tab from the port box") << true << u"txtRcvPort"_s << int(Qt::Key_Tab) << u"cmdApply"_s;
        QTest::newRow("Shift+Tab from 設定") << true << u"cmdApply"_s << int(Qt::Key_Backtab) << u"txtRcvPort"_s;
        QTest::newRow("Tab from 設定") << true << u"cmdApply"_s << int(Qt::Key_Tab) << u"cmdCancel"_s;
    }

    void tabMovesBetweenControls()
    {
        QFETCH(bool, dialog);
        QFETCH(QString, from);
        QFETCH(int, key);
        QFETCH(QString, to);
        FormsFixture f;
        QWidget &window = WindowOf(f, dialog);
        if (!dialog) {
            f.forms->MainForm().RecvGrid().setBytes(QByteArray(40, 'x'));
            f.forms->MainForm().SendGrid().setBytes(QByteArray(40, 'x'));
        }
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *start = window.findChild<QWidget *>(from);
        start->setFocus();
        QCOMPARE(QApplication::focusWidget(), start);
        auto *grid = qobject_cast<HexGridView *>(start);
        if (grid != nullptr)
            grid->setCurrentIndex(grid->model()->index(1, 1));

        QTest::keyClick(start, Qt::Key(key), key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), to);
        if (from == to)
            QCOMPARE(grid->currentIndex().column(), 2);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
