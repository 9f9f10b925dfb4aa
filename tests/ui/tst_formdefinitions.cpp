// The windows as created: controls, geometry, captions, fonts, tab order,
// keys and the initial state of every control.
#include "FormsFixture.h"
#include "reception/HexGrid.h"
#include "ui/DateTimeStatusBar.h"
#include "ui/FormFonts.h"
#include "ui/FormMetrics.h"
#include "ui/HexGridView.h"
#include "ui/LampWidget.h"
#include "ui/frmMain.h"
#include "ui/frmUdpRcvComSetting.h"

#include <QAction>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString Placeholder = QStringLiteral("--/--/-- --:--:--");

QString CaptionOf(const QWidget *widget)
{
    QVariant caption = widget->property("text");
    if (!caption.isValid())
        caption = widget->property("title");
    return caption.toString();
}

// The named controls that Tab reaches, in the window's (circular) tab
// order, starting at `first`.
QStringList TabChain(QWidget *window, const QString &first)
{
    QStringList names;
    for (QWidget *w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) != 0 && !w->objectName().isEmpty())
            names << w->objectName();
    }
    const qsizetype start = names.indexOf(first);
    return start < 0 ? names : names.mid(start) + names.first(start);
}

} // namespace

class FormDefinitionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void controls_data();
    void controls();
    void fonts_data();
    void fonts();
    void tabOrderAndFirstFocus();
    void initialState();
    void portBoxKeys();
    void buttonKeys_data();
    void buttonKeys();
    void lampIsCentredCircle();
    void gridShowsFixedCellsInHeaders();
    void statusBarShowsDateAndTime();
    void textsFit();
};

void FormDefinitionsTest::controls_data()
{
    QTest::addColumn<bool>("dialog");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("caption");

    const auto main = [](const char *name, QRect twips, const QString &caption = {}) {
        QTest::newRow(name) << false << QString::fromLatin1(name) << twips << caption;
    };
    main("lblNowDateTimeForRecv", {3000, 600, 975, 375}, QStringLiteral("現在時刻："));
    main("lblNowDateTimeForRecvData", {3960, 600, 1575, 255}, Placeholder);
    main("cmdRecvData", {6120, 600, 2175, 495}, QStringLiteral("受信待ち"));
    main("lblRcvData", {600, 720, 1575, 375}, QStringLiteral("受信データ"));
    main("shpRecvLed", {2400, 720, 375, 255});
    main("lblLastRecvDateTime", {3000, 960, 975, 375}, QStringLiteral("受信時刻："));
    main("lblLastRecvDateTimeData", {3960, 960, 1575, 255}, Placeholder);
    main("fgrdRecvData", {600, 1320, 8775, 2415});
    main("fraResSetting", {5520, 3840, 3855, 735}, QStringLiteral("応答設定"));
    main("optNothing", {120, 240, 855, 375}, QStringLiteral("無応答"));
    main("optRcvData", {1200, 240, 1335, 375}, QStringLiteral("受信データ"));
    main("optCustom", {2520, 240, 1215, 375}, QStringLiteral("カスタム"));
    main("lblNowDateTimeForSend", {3000, 3960, 975, 375}, QStringLiteral("現在時刻："));
    main("lblNowDateTimeForSendData", {3960, 3960, 1575, 255}, Placeholder);
    main("lblSendData", {600, 4080, 1575, 375}, QStringLiteral("送信データ"));
    main("shpSendLed", {2400, 4080, 375, 255});
    main("lblLastSentDateTime", {3000, 4320, 975, 375}, QStringLiteral("送信時刻："));
    main("lblLastSentDateTimeData", {3960, 4320, 1575, 255}, Placeholder);
    main("fgrdSendData", {600, 4680, 8775, 2415});
    main("cmdEnd", {3960, 7200, 2175, 615}, QStringLiteral("終了"));
    main("sbStatusBar", {0, 8205, 9960, 255});

    const auto dialog = [](const char *name, QRect twips, const QString &caption) {
        QTest::newRow(name) << true << QString::fromLatin1(name) << twips << caption;
    };
    dialog("lblRcvPort", {240, 840, 1455, 375}, QStringLiteral("受信ポート"));
    dialog("lblColon", {2040, 840, 255, 375}, QStringLiteral("："));
    dialog("txtRcvPort", {2280, 720, 1335, 420}, QString());
    dialog("cmdApply", {840, 2040, 1215, 495}, QStringLiteral("設定"));
    dialog("cmdCancel", {2640, 2040, 1215, 495}, QStringLiteral("キャンセル"));
}

void FormDefinitionsTest::controls()
{
    QFETCH(bool, dialog);
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(QString, caption);

    FormsFixture f;
    QWidget *form = dialog ? static_cast<QWidget *>(&f.forms->ComSettingForm()) : &f.forms->MainForm();
    const auto *control = form->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), QRect(Px(twips.x()), Px(twips.y()), Px(twips.width()), Px(twips.height())));
    QCOMPARE(CaptionOf(control), caption);
}

void FormDefinitionsTest::fonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("fixedPitch");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<bool>("bold");

    QTest::newRow("F1 txtRcvPort") << u"txtRcvPort"_s << false << 19 << true;
    QTest::newRow("F2 lblRcvPort") << u"lblRcvPort"_s << false << 15 << true;
    QTest::newRow("F2 lblColon") << u"lblColon"_s << false << 15 << true;
    QTest::newRow("F3 lblRcvData") << u"lblRcvData"_s << false << 21 << true;
    QTest::newRow("F3 lblSendData") << u"lblSendData"_s << false << 21 << true;
    QTest::newRow("F4 fgrdRecvData") << u"fgrdRecvData"_s << true << 12 << false;
    QTest::newRow("F4 fgrdSendData") << u"fgrdSendData"_s << true << 12 << false;
    QTest::newRow("form font cmdEnd") << u"cmdEnd"_s << false << 12 << false;
    QTest::newRow("form font cmdApply") << u"cmdApply"_s << false << 12 << false;
    QTest::newRow("form font lblNowDateTimeForRecvData") << u"lblNowDateTimeForRecvData"_s << false << 12 << false;
}

void FormDefinitionsTest::fonts()
{
    QFETCH(QString, name);
    QFETCH(bool, fixedPitch);
    QFETCH(int, pixelSize);
    QFETCH(bool, bold);

    FormsFixture f;
    QWidget *control = f.forms->MainForm().findChild<QWidget *>(name);
    if (control == nullptr)
        control = f.forms->ComSettingForm().findChild<QWidget *>(name);
    QVERIFY(control);
    const QStringList candidates = fixedPitch ? FixedGothicFamilies() : ProportionalGothicFamilies();
    QVERIFY2(!FirstInstalledFamily(candidates).isEmpty(), "no Japanese Gothic font installed");
    const QFontInfo resolved(control->font());
    QVERIFY2(candidates.contains(resolved.family(), Qt::CaseInsensitive), qPrintable(resolved.family()));
    QCOMPARE(resolved.pixelSize(), pixelSize);
    QCOMPARE(resolved.bold(), bold);
}

void FormDefinitionsTest::tabOrderAndFirstFocus()
{
    FormsFixture f;
    frmMain &main = f.forms->MainForm();
    QCOMPARE(TabChain(&main, u"cmdEnd"_s),
             QStringList({u"cmdEnd"_s, u"cmdRecvData"_s, u"fgrdSendData"_s, u"fgrdRecvData"_s, u"optNothing"_s,
                          u"optRcvData"_s, u"optCustom"_s}));
    frmUdpRcvComSetting &dialog = f.forms->ComSettingForm();
    QCOMPARE(TabChain(&dialog, u"cmdApply"_s), QStringList({u"cmdApply"_s, u"cmdCancel"_s, u"txtRcvPort"_s}));

    for (QWidget *window : {static_cast<QWidget *>(&dialog), static_cast<QWidget *>(&main)}) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    QCOMPARE(main.focusWidget()->objectName(), u"cmdEnd"_s);
    QCOMPARE(dialog.focusWidget()->objectName(), u"cmdApply"_s);
}

void FormDefinitionsTest::initialState()
{
    FormsFixture f;
    frmMain &main = f.forms->MainForm();
    QCOMPARE(main.windowTitle(), u"frmMain"_s);
    QCOMPARE(main.findChild<QWidget *>(u"clientArea"_s)->size(), QSize(Px(9960), Px(8460)));
    QCOMPARE(main.minimumSize(), main.maximumSize());
    QVERIFY(!main.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

    const auto *timer = main.findChild<QTimer *>(u"tmrNowDateTime"_s);
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 500);
    QVERIFY(!timer->isActive());

    for (HexGrid *grid : {&main.RecvGrid(), &main.SendGrid()}) {
        QCOMPARE(grid->rowCount(), 2);
        QCOMPARE(grid->columnCount(), 17);
    }
    QCOMPARE(main.RecvLed().BackColor(), 0);
    QCOMPARE(main.SendLed().BackColor(), 0);
    QCOMPARE(main.SelectedResponse(), ResponseOption::None);
    QVERIFY(!main.findChild<QRadioButton *>(u"optCustom"_s)->isEnabled());
    QVERIFY(main.findChild<UdpSocket *>(u"wscRecv"_s));

    const auto *admin = main.findChild<QMenu *>(u"Admin"_s);
    QVERIFY(admin);
    QCOMPARE(admin->title(), u"設定"_s);
    QCOMPARE(admin->actions().size(), 1);
    QCOMPARE(admin->actions().first()->objectName(), u"ComSetting"_s);
    QCOMPARE(admin->actions().first()->text(), u"通信"_s);

    frmUdpRcvComSetting &dialog = f.forms->ComSettingForm();
    QCOMPARE(dialog.windowTitle(), u"通信設定"_s);
    QCOMPARE(dialog.size(), QSize(Px(4560), Px(2835)));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QCOMPARE(dialog.windowFlags(), main.windowFlags());
    QCOMPARE(dialog.findChild<QLineEdit *>(u"txtRcvPort"_s)->maxLength(), 5);
    QVERIFY(dialog.findChild<UdpSocket *>(u"wscUdpRcvTest"_s));
    for (const auto *button : dialog.findChildren<QPushButton *>())
        QVERIFY(!button->autoDefault() && !button->isDefault());
}

void FormDefinitionsTest::portBoxKeys()
{
    FormsFixture f;
    frmUdpRcvComSetting &dialog = f.forms->ComSettingForm();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *box = dialog.findChild<QLineEdit *>(u"txtRcvPort"_s);
    QSignalSpy applied(dialog.findChild<QPushButton *>(u"cmdApply"_s), &QPushButton::clicked);
    QSignalSpy cancelled(dialog.findChild<QPushButton *>(u"cmdCancel"_s), &QPushButton::clicked);

    box->setFocus();
    QTest::keyClicks(box, u"123456"_s);
    QCOMPARE(box->text(), u"12345"_s);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Enter);
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(applied.count(), 0);
    QCOMPARE(cancelled.count(), 0);
    QVERIFY(dialog.isVisible());
    QVERIFY(f.boxes.shown.isEmpty());
}

void FormDefinitionsTest::buttonKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Space") << int(Qt::Key_Space);
}

void FormDefinitionsTest::buttonKeys()
{
    QFETCH(int, key);
    FormsFixture f;
    QVERIFY(f.Init());
    f.WritePort("abc");
    frmUdpRcvComSetting &dialog = f.forms->ComSettingForm();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *cancel = dialog.findChild<QPushButton *>(u"cmdCancel"_s);
    QSignalSpy cancelled(cancel, &QPushButton::clicked);
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key(key));
    QCOMPARE(cancelled.count(), 1);
    QCOMPARE(f.boxes.texts(), QStringList(u"正常な受信ポート番号を設定してください。"_s));
}

void FormDefinitionsTest::lampIsCentredCircle()
{
    QWidget parent;
    LampWidget lamp(&parent);
    PlaceControl(lamp, 0, 0, 375, 255);
    QCOMPARE(lamp.BackColor(), 0);
    lamp.SetBackColor(65280);
    const QImage image = lamp.grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const auto at = [&](int x, int y) { return image.pixelColor(QPoint(x, y) * ratio); };
    QCOMPARE(at(lamp.width() / 2, lamp.height() / 2), QColor(0, 255, 0));
    QCOMPARE(at(lamp.width() / 2, 1), QColor(0, 255, 0)); // the diameter is the full height
    QVERIFY(at(1, 1) != QColor(0, 255, 0));               // outside the circle
    QVERIFY(at(lamp.width() - 2, lamp.height() / 2) != QColor(0, 255, 0));
}

void FormDefinitionsTest::gridShowsFixedCellsInHeaders()
{
    HexGrid grid;
    QWidget parent;
    HexGridView view(grid, &parent);
    PlaceControl(view, 0, 0, 8775, 2415);
    view.fitColumnsToWidth();
    QVERIFY(view.isRowHidden(0));
    QVERIFY(view.isColumnHidden(0));
    QVERIFY(!view.isRowHidden(1));
    QVERIFY(!view.isColumnHidden(16));
    // All 17 columns fit beside a vertical scroll bar.
    QVERIFY(17 * view.horizontalHeader()->defaultSectionSize() <= view.width() - 2 * view.frameWidth());

    grid.setBytes(QByteArray(64, 'x')); // 4 data rows
    QVERIFY(view.isRowHidden(0));
    QVERIFY(!view.isRowHidden(4));
}

void FormDefinitionsTest::statusBarShowsDateAndTime()
{
    FixedClock clock;
    QWidget parent;
    DateTimeStatusBar bar(clock, Px(1100), Px(600), &parent);
    const QLocale locale = QLocale::system();
    QCOMPARE(bar.DateText(), locale.toString(QDate(2024, 1, 5), QLocale::ShortFormat));
    QCOMPARE(bar.TimeText(), locale.toString(QTime(9, 3, 7), QLocale::ShortFormat));
}

QTEST_MAIN(FormDefinitionsTest)
#include "tst_formdefinitions.moc"

// Every caption, and a time stamp in each date-time label, fits its control
// with the fonts the set-up installs.
void FormDefinitionsTest::textsFit()
{
    FormsFixture f;
    for (QWidget *form :
         {static_cast<QWidget *>(&f.forms->MainForm()), static_cast<QWidget *>(&f.forms->ComSettingForm())}) {
        for (QLabel *label : form->findChildren<QLabel *>()) {
            if (label->objectName().isEmpty())
                continue;
            QString text = label->text();
            if (text == Placeholder)
                text = u"28/08/28 08:08:08"_s;
            const int needed = label->fontMetrics().horizontalAdvance(text);
            QVERIFY2(needed <= label->contentsRect().width(),
                     qPrintable(label->objectName() + u": "_s + QString::number(needed) + u" > "_s +
                                QString::number(label->contentsRect().width())));
        }
        for (QAbstractButton *button : form->findChildren<QAbstractButton *>()) {
            const int needed = button->fontMetrics().horizontalAdvance(button->text());
            QVERIFY2(needed < button->width(), qPrintable(button->objectName()));
        }
    }
}
