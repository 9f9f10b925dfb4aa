// Both windows stay legible and reachable: every text stands out from its
// background under a light and a dark palette, and a window never opens
// partly outside the screen's available area, however small (CTest runs
// this at a scale factor of 2).
#include "FormsFixture.h"
#include "ui/DateTimeStatusBar.h"
#include "ui/FormMetrics.h"
#include "ui/frmMain.h"
#include "ui/frmUdpRcvComSetting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QWidget &WindowOf(FormsFixture &f, bool dialog)
{
    return dialog ? static_cast<QWidget &>(f.forms->ComSettingForm()) : f.forms->MainForm();
}

QPalette DarkPalette()
{
    QPalette dark;
    const QColor window(53, 53, 53), base(35, 35, 35), text(230, 230, 230);
    for (auto [role, color] :
         {std::pair(QPalette::Window, window), std::pair(QPalette::Button, window), std::pair(QPalette::Base, base),
          std::pair(QPalette::WindowText, text), std::pair(QPalette::ButtonText, text), std::pair(QPalette::Text, text),
          std::pair(QPalette::Highlight, QColor(42, 130, 218)),
          std::pair(QPalette::HighlightedText, QColor(Qt::black))})
        dark.setColor(role, color);
    return dark;
}

bool Inside(const QRect &inner, const QRect &outer)
{
    return outer.contains(inner.topLeft()) && outer.contains(inner.bottomRight());
}

} // namespace

class LegibilityTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void textsStandOut_data()
    {
        QTest::addColumn<bool>("dialog");
        QTest::addColumn<bool>("dark");
        for (bool dark : {false, true}) {
            QTest::addRow("frmMain %s", dark ? "dark" : "light") << false << dark;
            QTest::addRow("frmUdpRcvComSetting %s", dark ? "dark" : "light") << true << dark;
        }
    }

    // The palette is set before the windows are built, as a desktop theme is.
    void textsStandOut()
    {
        QFETCH(bool, dialog);
        QFETCH(bool, dark);
        const QPalette before = QApplication::palette();
        if (dark)
            QApplication::setPalette(DarkPalette());
        auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
        FormsFixture f;
        QWidget &window = WindowOf(f, dialog);

        int checked = 0;
        for (const QWidget *control : window.findChildren<QWidget *>()) {
            const bool hasText = qobject_cast<const QLabel *>(control) ||
                                 qobject_cast<const QAbstractButton *>(control) ||
                                 qobject_cast<const QGroupBox *>(control) || qobject_cast<const QLineEdit *>(control);
            if (!hasText || !control->isEnabled())
                continue; // disabled controls are exempt
            const QPalette colors = control->palette();
            const double ratio =
                ContrastRatio(colors.color(control->foregroundRole()), colors.color(control->backgroundRole()));
            QVERIFY2(ratio >= LegibleContrast, qPrintable(control->objectName() + u": "_s + QString::number(ratio)));
            ++checked;
        }
        QVERIFY(checked >= (dialog ? 5 : 15));
        if (!dialog) {
            const auto *bar = window.findChild<DateTimeStatusBar *>(u"sbStatusBar"_s);
            const QColor background = bar->palette().color(QPalette::Window);
            QVERIFY(ContrastRatio(bar->palette().color(QPalette::WindowText), background) >= LegibleContrast);
            QVERIFY(ContrastRatio(bar->noticeColor(), background) >= LegibleContrast);
            QVERIFY(bar->noticeColor().red() > bar->noticeColor().green() + 60); // still red
        }
    }

    void mainWindowFitsItsArea_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<bool>("whole");
        QTest::newRow("room to spare") << QRect(0, 0, 1920, 1080) << true;
        QTest::newRow("offset large area") << QRect(1920, 40, 1280, 984) << true;
        QTest::newRow("too short") << QRect(0, 0, 1024, 400) << false;
        QTest::newRow("too narrow") << QRect(200, 100, 500, 700) << false;
        QTest::newRow("tiny") << QRect(0, 30, 320, 240) << false;
    }

    // Where the whole window does not fit, it shrinks to the area and its
    // client area scrolls: menu at hand, status bar within scrolling reach.
    void mainWindowFitsItsArea()
    {
        QFETCH(QRect, area);
        QFETCH(bool, whole);
        FormsFixture f;
        frmMain &main = f.forms->MainForm();
        const QSize fullSize = main.size();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));

        main.fitInto(area);
        CenterWindow(main, area);
        QVERIFY2(Inside(main.frameGeometry(), area),
                 qPrintable(u"%1,%2 %3x%4"_s.arg(main.x()).arg(main.y()).arg(main.width()).arg(main.height())));
        QCOMPARE(main.size() == fullSize, whole);
        QCOMPARE(main.minimumSize(), main.maximumSize());

        auto *menu = main.findChild<QMenuBar *>(u"menuBar"_s);
        QVERIFY(Inside(QRect(menu->mapTo(&main, QPoint(0, 0)), QSize(1, menu->height())), main.rect()));
        auto *scroll = main.findChild<QScrollArea *>(u"clientScroll"_s);
        auto *bar = main.findChild<DateTimeStatusBar *>(u"sbStatusBar"_s);
        // The scroll area settles its scroll bars once the window's layout has run.
        const auto barReachable = [&] {
            scroll->ensureWidgetVisible(bar, 0, 0);
            const QRect shown = QRect(bar->mapTo(scroll->viewport(), QPoint(0, 0)), bar->size())
                                    .intersected(scroll->viewport()->rect());
            return shown.height() == bar->height() && shown.width() > 0;
        };
        QTRY_VERIFY(barReachable());
        QCOMPARE(scroll->verticalScrollBar()->isVisible(), !whole);
    }

    // On the real screen, small at this scale, both windows open inside it.
    void windowsOpenInsideTheScreen()
    {
        FormsFixture f;
        QVERIFY(f.Init());
        f.WritePort("47808");
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        for (bool dialog : {false, true}) {
            QWidget &window = WindowOf(f, dialog);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY2(Inside(window.frameGeometry(), available),
                     qPrintable(u"%1 %2,%3 %4x%5 in %6x%7"_s.arg(window.objectName())
                                    .arg(window.x())
                                    .arg(window.y())
                                    .arg(window.width())
                                    .arg(window.height())
                                    .arg(available.width())
                                    .arg(available.height())));
            window.hide();
        }
    }
};

QTEST_MAIN(LegibilityTest)
#include "tst_legibility.moc"
