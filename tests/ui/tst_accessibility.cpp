// What people reach in both windows, whatever their tools: roles, names and
// values through Qt's accessibility interfaces; Tab moving between controls
// and out of the grids; texts standing out under a light and a dark palette;
// windows inside the screen's free area, however small (CTest runs this at
// a scale factor of 2).
#include "FormsFixture.h"
#include "ui/FormMetrics.h"
#include "ui/HexGridView.h"
#include "ui/LampWidget.h"
#include "ui/frmMain.h"
#include "ui/frmUdpRcvComSetting.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QWidget &windowOf(FormsFixture &f, bool dialog)
{
    return dialog ? static_cast<QWidget &>(f.forms->comSettingForm()) : f.forms->mainForm();
}

bool inside(const QRect &inner, const QRect &outer)
{
    return outer.contains(inner.topLeft()) && outer.contains(inner.bottomRight());
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The measure the texts are held to: the ratio of the Web Content
    // Accessibility Guidelines, worked out by hand for these colours.
    void contrastRatio_data()
    {
        QTest::addColumn<QColor>("a");
        QTest::addColumn<QColor>("b");
        QTest::addColumn<double>("ratio");
        QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
        QTest::newRow("the same colour") << QColor(Qt::white) << QColor(Qt::white) << 1.0;
        QTest::newRow("white on grey 118") << QColor(Qt::white) << QColor(118, 118, 118) << 4.542;
        QTest::newRow("red on white") << QColor(Qt::red) << QColor(Qt::white) << 3.998;
    }
    void contrastRatio()
    {
        QFETCH(QColor, a);
        QFETCH(QColor, b);
        QFETCH(double, ratio);
        QVERIFY2(std::abs(::contrastRatio(a, b) - ratio) < 0.001, qPrintable(QString::number(::contrastRatio(a, b))));
    }

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
        row(false, "shpSendLed", QAccessible::Indicator, u"送信ランプ"_s, u"消灯"_s);
        row(false, "sbStatusBar", QAccessible::StatusBar, u"ステータスバー"_s);
        row(false, "cmdRecvData", QAccessible::Button, u"受信待ち"_s);
        row(false, "optRcvData", QAccessible::RadioButton, u"受信データ"_s);
        row(false, "lblLastRecvDateTime", QAccessible::StaticText, u"受信時刻："_s);
        row(true, "frmUdpRcvComSetting", QAccessible::Dialog, u"通信設定"_s);
        row(true, "txtRcvPort", QAccessible::EditableText, u"受信ポート"_s, u"47808"_s);
    }

    void rolesNamesValues()
    {
        QFETCH(bool, dialog);
        QFETCH(QString, object);
        QFETCH(int, role);
        QFETCH(QString, name);
        QFETCH(QString, value);
        FormsFixture f;
        QVERIFY(f.init());
        QVERIFY(f.writeSettings(testsupport::SettingsFile().udpPort(47808)));
        QWidget &window = windowOf(f, dialog);
        QObject *control = window.objectName() == object ? &window : window.findChild<QWidget *>(object);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
        QVERIFY(accessible);
        QCOMPARE(int(accessible->role()), role);
        QCOMPARE(accessible->text(QAccessible::Name), name);
        if (!value.isEmpty())
            QCOMPARE(accessible->text(QAccessible::Value), value);
    }

    // A lit lamp reads so; a grid's cells read their bytes and its headers
    // their numbers; the status bar's panels read their texts, described by
    // what they show, the notice's only while there is one.
    void statesAndCells()
    {
        FormsFixture f;
        frmMain &main = f.forms->mainForm();
        auto *lamp = main.findChild<LampWidget *>(u"shpRecvLed"_s);
        lamp->setBackColor(65280);
        QCOMPARE(QAccessible::queryAccessibleInterface(lamp)->text(QAccessible::Value), u"点灯"_s);
        QVERIFY(QAccessible::queryAccessibleInterface(lamp)->state().checked);

        main.recvGrid().setBytes("Hi!");
        auto *grid = main.findChild<HexGridView *>(u"fgrdRecvData"_s);
        QAccessibleInterface *table = QAccessible::queryAccessibleInterface(grid);
        QCOMPARE(table->tableInterface()->cellAt(0, 1)->text(QAccessible::Name), u"69"_s);
        grid->setCurrentIndex(main.recvGrid().index(0, 2));
        QCOMPARE(table->focusChild()->text(QAccessible::Name), u"21"_s);
        // The children run row by row, the header row and column included:
        // the 18th is the first row's header.
        QCOMPARE(table->child(17)->role(), QAccessible::RowHeader);
        QCOMPARE(table->child(17)->text(QAccessible::Name), u"0000"_s);

        main.show();
        const auto panels = [&] {
            QStringList shown; // description: name, for the panels a reader reads
            QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(main.findChild<QStatusBar *>());
            for (int i = 0; i < bar->childCount(); ++i) {
                QAccessibleInterface *panel = bar->child(i);
                if (panel->role() == QAccessible::StaticText && !panel->state().invisible)
                    shown << panel->text(QAccessible::Description) + u": "_s + panel->text(QAccessible::Name);
            }
            return shown;
        };
        const QString date = main.findChild<QLabel *>(u"datePanel"_s)->text();
        const QString time = main.findChild<QLabel *>(u"timePanel"_s)->text();
        QVERIFY(!date.isEmpty() && !time.isEmpty());
        QCOMPARE(panels(), QStringList({u"日付: "_s + date, u"時刻: "_s + time}));
        main.setCaptureFailing(true);
        QCOMPARE(panels(),
                 QStringList({u"日付: "_s + date, u"時刻: "_s + time, u"お知らせ: キャプチャを書き込めません"_s}));
    }

    void tabMovesBetweenControls_data()
    {
        QTest::addColumn<bool>("dialog");
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("to");
        QTest::newRow("Tab out of a grid") << false << u"fgrdRecvData"_s << int(Qt::Key_Tab) << u"optNothing"_s;
        QTest::newRow("Shift+Tab out of a grid")
            << false << u"fgrdSendData"_s << int(Qt::Key_Backtab) << u"cmdRecvData"_s;
        QTest::newRow("an arrow stays in a grid")
            << false << u"fgrdRecvData"_s << int(Qt::Key_Right) << u"fgrdRecvData"_s;
        QTest::newRow("Tab in the dialog") << true << u"txtRcvPort"_s << int(Qt::Key_Tab) << u"cmdApply"_s;
        QTest::newRow("Shift+Tab in the dialog") << true << u"cmdApply"_s << int(Qt::Key_Backtab) << u"txtRcvPort"_s;
    }

    void tabMovesBetweenControls()
    {
        QFETCH(bool, dialog);
        QFETCH(QString, from);
        QFETCH(int, key);
        QFETCH(QString, to);
        FormsFixture f;
        QWidget &window = windowOf(f, dialog);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *start = window.findChild<QWidget *>(from);
        start->setFocus();
        auto *grid = qobject_cast<HexGridView *>(start);
        if (grid != nullptr) {
            static_cast<HexGrid *>(grid->model())->setBytes(QByteArray(40, 'x'));
            grid->setCurrentIndex(grid->model()->index(0, 0));
        }
        QTest::keyClick(start, Qt::Key(key), key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), to);
        if (from == to)
            QCOMPARE(grid->currentIndex().column(), 1);
    }

    void textsStandOut_data()
    {
        QTest::addColumn<bool>("dialog");
        QTest::addColumn<bool>("dark");
        for (bool dark : {false, true}) {
            QTest::addRow("frmMain %s", dark ? "dark" : "light") << false << dark;
            QTest::addRow("frmUdpRcvComSetting %s", dark ? "dark" : "light") << true << dark;
        }
    }

    // Every enabled control's text against its background, the palette set
    // before the windows are built as a desktop theme is.
    void textsStandOut()
    {
        QFETCH(bool, dialog);
        QFETCH(bool, dark);
        const QPalette before = QApplication::palette();
        auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
        if (dark) {
            QPalette colors(QColor(53, 53, 53)); // button and window colours
            for (QPalette::ColorRole text : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
                colors.setColor(text, QColor(230, 230, 230));
            colors.setColor(QPalette::Base, QColor(35, 35, 35));
            QApplication::setPalette(colors);
        }
        FormsFixture f;
        int checked = 0;
        for (const QWidget *control : windowOf(f, dialog).findChildren<QWidget *>()) {
            if (!control->isEnabled() ||
                !(qobject_cast<const QLabel *>(control) || qobject_cast<const QGroupBox *>(control) ||
                  qobject_cast<const QAbstractButton *>(control) || qobject_cast<const QLineEdit *>(control)))
                continue;
            const QPalette colors = control->palette();
            const double ratio =
                ::contrastRatio(colors.color(control->foregroundRole()), colors.color(control->backgroundRole()));
            QVERIFY2(ratio >= 4.5, qPrintable(control->objectName() + u": "_s + QString::number(ratio)));
            ++checked;
        }
        QVERIFY(checked >= (dialog ? 5 : 15));
        if (const auto *notice = windowOf(f, dialog).findChild<QLabel *>(u"noticePanel"_s)) {
            const QColor red = notice->palette().color(QPalette::WindowText);
            QVERIFY(::contrastRatio(red, notice->palette().color(QPalette::Window)) >= 4.5);
            QVERIFY(red.red() > red.green() + 60); // still red
        }
    }

    void mainWindowFitsItsArea_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<bool>("whole");
        QTest::newRow("room to spare") << QRect(1920, 40, 1280, 984) << true;
        QTest::newRow("too short") << QRect(0, 0, 1024, 400) << false;
        QTest::newRow("small") << QRect(200, 30, 320, 240) << false;
        QTest::newRow("the screen, small at this scale")
            << QGuiApplication::primaryScreen()->availableGeometry() << false;
    }

    // Where the whole window does not fit, it shrinks into the area and its
    // client area scrolls: the menu at hand, the status bar within reach.
    void mainWindowFitsItsArea()
    {
        QFETCH(QRect, area);
        QFETCH(bool, whole);
        FormsFixture f;
        frmMain &main = f.forms->mainForm();
        const QSize fullSize = main.size();
        main.show(); // fitted to the real screen
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QVERIFY(inside(main.frameGeometry(), main.screen()->availableGeometry()));
        main.fitInto(area);
        centerWindow(main, area);
        QVERIFY(inside(main.frameGeometry(), area));
        QCOMPARE(main.size() == fullSize, whole);
        QCOMPARE(main.findChild<QMenuBar *>()->geometry().topLeft(), QPoint(0, 0));

        auto *scroll = main.findChild<QScrollArea *>(u"clientScroll"_s);
        auto *bar = main.findChild<QStatusBar *>();
        const auto barReachable = [&] {
            scroll->ensureWidgetVisible(bar, 0, 0);
            const QRect shown = QRect(bar->mapTo(scroll->viewport(), QPoint(0, 0)), bar->size())
                                    .intersected(scroll->viewport()->rect());
            return shown.height() == bar->height() && shown.width() > 0;
        };
        QTRY_VERIFY(barReachable()); // the scroll bars settle with the window's layout
        QCOMPARE(scroll->verticalScrollBar()->isVisible(), !whole);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
