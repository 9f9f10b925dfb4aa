// The windows as created from their definitions: every defined control is
// built as defined and lies inside its window, Tab follows the tab places,
// captions fit, the focus starts where it should; fonts, keys, lamps,
// grids, status bar and the initial state of the rest; the frame and the
// grids' headers as drawn.
#include "FormsFixture.h"
#include "reception/HexGrid.h"
#include "reception/UdpSocket.h"
#include "ui/FormDefinitions.h"
#include "ui/FormFonts.h"
#include "ui/HexGridView.h"
#include "ui/LampWidget.h"
#include "ui/frmMain.h"
#include "ui/frmUdpRcvComSetting.h"

#include <QAction>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// What a date-time label shows until the clock or a datagram fills it.
const QString Placeholder = QStringLiteral("--/--/-- --:--:--");

const FormDefinition &definitionOf(bool dialog)
{
    return dialog ? comSettingFormDefinition() : mainFormDefinition();
}

QWidget &windowOf(FormsFixture &f, bool dialog)
{
    return dialog ? static_cast<QWidget &>(f.forms->comSettingForm()) : f.forms->mainForm();
}

// The widget that the controls directly on the form lie in.
QWidget *clientAreaOf(FormsFixture &f, bool dialog)
{
    QWidget &window = windowOf(f, dialog);
    return dialog ? &window : window.findChild<QWidget *>(u"clientArea"_s);
}

QWidget *controlOf(QWidget &window, const ControlDefinition &defined)
{
    return window.findChild<QWidget *>(QString::fromLatin1(defined.name));
}

QString captionOf(const QWidget *widget)
{
    QVariant caption = widget->property("text");
    if (!caption.isValid())
        caption = widget->property("title");
    return caption.toString();
}

// The class of each kind, in the order of ControlKind.
const char *const KindClasses[] = {"QLabel",      "CommandButton", "QLineEdit",    "LampWidget",
                                   "HexGridView", "QGroupBox",     "QRadioButton", "QStatusBar"};

bool takesFocus(ControlKind kind)
{
    return kind == ControlKind::Button || kind == ControlKind::TextBox || kind == ControlKind::Grid ||
           kind == ControlKind::Option;
}

// Where each control lies in its container, in pixels at 96 dots per inch:
// the definition's twips divided by 15.
const std::pair<const char *, QRect> Geometries[] = {
    {"lblNowDateTimeForRecv", {200, 40, 65, 25}},     {"lblNowDateTimeForRecvData", {264, 40, 105, 17}},
    {"cmdRecvData", {408, 40, 145, 33}},              {"lblRcvData", {40, 48, 105, 25}},
    {"shpRecvLed", {160, 48, 25, 17}},                {"lblLastRecvDateTime", {200, 64, 65, 25}},
    {"lblLastRecvDateTimeData", {264, 64, 105, 17}},  {"fgrdRecvData", {40, 88, 585, 161}},
    {"fraResSetting", {368, 256, 257, 49}},           {"optNothing", {8, 16, 57, 25}},
    {"optRcvData", {80, 16, 89, 25}},                 {"optCustom", {168, 16, 81, 25}},
    {"lblNowDateTimeForSend", {200, 264, 65, 25}},    {"lblNowDateTimeForSendData", {264, 264, 105, 17}},
    {"lblSendData", {40, 272, 105, 25}},              {"shpSendLed", {160, 272, 25, 17}},
    {"lblLastSentDateTime", {200, 288, 65, 25}},      {"lblLastSentDateTimeData", {264, 288, 105, 17}},
    {"fgrdSendData", {40, 312, 585, 161}},            {"cmdEnd", {264, 480, 145, 41}},
    {"sbStatusBar", {0, 547, 664, 17}},               {"lblRcvPort", {16, 56, 97, 25}},
    {"lblColon", {136, 56, 17, 25}},                  {"txtRcvPort", {152, 48, 89, 28}},
    {"cmdApply", {56, 136, 81, 33}},                  {"cmdCancel", {176, 136, 81, 33}},
};

// The fonts F1 to F4 and the form font, at 96 dots per inch: 14.25 pt is
// 19 pixels, 11.25 pt 15, 15.75 pt 21 and 9 pt 12.
struct Look {
    bool fixedPitch;
    int pixelSize;
    bool bold;
};
const Look Looks[] = {{false, 19, true}, {false, 15, true}, {false, 21, true}, {true, 12, false}, {false, 12, false}};

// The named controls that Tab reaches, in the window's (circular) tab
// order, starting at `first`.
QStringList tabChain(QWidget *window, const QString &first)
{
    QStringList names;
    for (QWidget *w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) != 0 && !w->objectName().isEmpty())
            names << w->objectName();
    }
    const qsizetype start = names.indexOf(first);
    return start < 0 ? names : names.mid(start) + names.first(start);
}

// The smallest rectangle of `image` inside `area` holding the pixels that
// `ink` picks; empty when there is none.
template <typename Ink> QRect inkIn(const QImage &image, const QRect &area, Ink ink)
{
    QRect found;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (ink(image.pixel(x, y)))
                found |= QRect(x, y, 1, 1);
    return found;
}

bool dark(QRgb pixel)
{
    return qGray(pixel) < 110;
}

void addWindowRows()
{
    QTest::addColumn<bool>("dialog");
    for (bool dialog : {false, true})
        QTest::newRow(definitionOf(dialog).name) << dialog;
}

} // namespace

class FormDefinitionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void controls_data();
    void controls();
    void nothingBesideTheDefinition_data() { addWindowRows(); }
    void nothingBesideTheDefinition();
    void tabOrderAndFirstFocus_data();
    void tabOrderAndFirstFocus();
    void textsFit_data() { addWindowRows(); }
    void textsFit();
    void initialState();
    void portBoxKeys();
    void buttonKeys_data();
    void buttonKeys();
    void lampsAreCentredCircles();
    void frameEnclosesItsOptions();
    void gridHeaders_data();
    void gridHeaders();
    void statusBarShowsDateAndTime();
};

void FormDefinitionsTest::controls_data()
{
    QTest::addColumn<bool>("dialog");
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("pixels"); // empty for a control missing from Geometries
    for (bool dialog : {false, true}) {
        const FormDefinition &definition = definitionOf(dialog);
        for (int i = 0; i < int(definition.controls.size()); ++i) {
            const auto *geometry = std::ranges::find(Geometries, std::string_view(definition.controls[i].name),
                                                     [](const auto &entry) { return std::string_view(entry.first); });
            QTest::addRow("%s %s", definition.name, definition.controls[i].name)
                << dialog << i << (geometry != std::end(Geometries) ? geometry->second : QRect());
        }
    }
}

// Each control is there under its name with the definition's kind,
// container, geometry, caption and font, inside its container and inside
// the client area.
void FormDefinitionsTest::controls()
{
    QFETCH(bool, dialog);
    QFETCH(int, index);
    QFETCH(QRect, pixels);
    const ControlDefinition &defined = definitionOf(dialog).controls[index];

    FormsFixture f;
    QWidget *client = clientAreaOf(f, dialog);
    const QWidget *control = controlOf(windowOf(f, dialog), defined);
    QVERIFY(control);
    QCOMPARE(control->metaObject()->className(), KindClasses[int(defined.kind)]);
    QCOMPARE(control->parentWidget()->objectName(),
             defined.container != nullptr ? QString::fromLatin1(defined.container) : client->objectName());
    QCOMPARE(control->geometry(), pixels);
    QCOMPARE(captionOf(control), defined.captionText());
    QVERIFY(control->parentWidget()->rect().contains(control->geometry()));
    QVERIFY(client->rect().contains(QRect(control->mapTo(client, QPoint(0, 0)), control->size())));

    const Look look = Looks[int(defined.font)];
    const QStringList candidates = look.fixedPitch ? fixedGothicFamilies() : proportionalGothicFamilies();
    QVERIFY2(!firstInstalledFamily(candidates).isEmpty(), "no Japanese Gothic font installed");
    const QFontInfo resolved(control->font());
    QVERIFY2(candidates.contains(resolved.family(), Qt::CaseInsensitive), qPrintable(resolved.family()));
    QCOMPARE(resolved.pixelSize(), look.pixelSize);
    QCOMPARE(resolved.bold(), look.bold);
}

// The client area and the frames hold the defined controls and no others.
void FormDefinitionsTest::nothingBesideTheDefinition()
{
    QFETCH(bool, dialog);
    FormsFixture f;
    QStringList defined;
    QList<QWidget *> containers {clientAreaOf(f, dialog)};
    for (const ControlDefinition &control : definitionOf(dialog).controls) {
        defined << QString::fromLatin1(control.name);
        if (control.kind == ControlKind::Frame)
            containers << controlOf(windowOf(f, dialog), control);
    }
    QStringList built;
    for (const QWidget *container : containers) {
        for (const QWidget *child : container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            built << child->objectName();
    }
    defined.sort();
    built.sort();
    QCOMPARE(built, defined);
}

void FormDefinitionsTest::tabOrderAndFirstFocus_data()
{
    QTest::addColumn<bool>("dialog");
    QTest::addColumn<QString>("firstCaption");
    QTest::newRow("frmMain") << false << u"終了"_s;
    QTest::newRow("frmUdpRcvComSetting") << true << u"設定"_s;
}

// Tab runs through the focusable controls by their tab places; the other
// controls take no focus; the window opens with the focus on the first.
void FormDefinitionsTest::tabOrderAndFirstFocus()
{
    QFETCH(bool, dialog);
    QFETCH(QString, firstCaption);
    FormsFixture f;
    QWidget &window = windowOf(f, dialog);

    std::vector<ControlDefinition> placed;
    for (const ControlDefinition &control : definitionOf(dialog).controls) {
        if (control.tabPlace != NoTabPlace)
            placed.push_back(control);
    }
    std::ranges::sort(placed, {}, &ControlDefinition::tabPlace);
    QStringList expected;
    for (qsizetype i = 0; i < qsizetype(placed.size()); ++i) {
        const ControlDefinition &control = placed[size_t(i)];
        QCOMPARE(control.tabPlace, i); // places 0, 1, 2 ... without gaps or twins
        if (takesFocus(control.kind))
            expected << QString::fromLatin1(control.name);
    }
    for (const ControlDefinition &control : definitionOf(dialog).controls) {
        const bool focusable = (controlOf(window, control)->focusPolicy() & Qt::TabFocus) != 0;
        QVERIFY2(focusable == takesFocus(control.kind), control.name);
    }
    QCOMPARE(tabChain(&window, expected.first()), expected);

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.focusWidget()->objectName(), expected.first());
    QCOMPARE(captionOf(window.focusWidget()), firstCaption);
}

// Every caption, and a time stamp in each date-time label, fits its control
// in the control's font with the fonts the set-up installs.
void FormDefinitionsTest::textsFit()
{
    QFETCH(bool, dialog);
    FormsFixture f;
    for (const ControlDefinition &defined : definitionOf(dialog).controls) {
        const QWidget *control = controlOf(windowOf(f, dialog), defined);
        QString text = defined.captionText();
        if (text.isEmpty())
            continue;
        if (text == Placeholder)
            text = u"28/08/28 08:08:08"_s;
        const int needed = control->fontMetrics().horizontalAdvance(text);
        const int room = defined.kind == ControlKind::Label ? control->contentsRect().width() : control->width() - 1;
        QVERIFY2(needed <= room, qPrintable(QString::fromLatin1(defined.name) + u": "_s + QString::number(needed) +
                                            u" > "_s + QString::number(room)));
    }
}

void FormDefinitionsTest::initialState()
{
    FormsFixture f;
    frmMain &main = f.forms->mainForm();
    QCOMPARE(main.windowTitle(), u"frmMain"_s);
    QCOMPARE(main.findChild<QWidget *>(u"clientArea"_s)->size(), QSize(664, 564)); // 9960 by 8460 twips
    QCOMPARE(main.minimumSize(), main.maximumSize());
    QVERIFY(!main.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

    const auto *timer = main.findChild<QTimer *>(u"tmrNowDateTime"_s);
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 500);
    QVERIFY(!timer->isActive());

    for (HexGrid *grid : {&main.recvGrid(), &main.sendGrid()}) {
        QCOMPARE(grid->rowCount(), 1);     // and the header row
        QCOMPARE(grid->columnCount(), 16); // and the header column
    }
    QCOMPARE(main.recvLed().BackColor(), 0);
    QCOMPARE(main.sendLed().BackColor(), 0);
    QCOMPARE(main.selectedResponse(), ResponseOption::None);
    QVERIFY(!main.findChild<QRadioButton *>(u"optCustom"_s)->isEnabled());
    QVERIFY(main.findChild<UdpSocket *>(u"wscRecv"_s));

    const auto *admin = main.findChild<QMenu *>(u"Admin"_s);
    QVERIFY(admin);
    QCOMPARE(admin->title(), u"設定"_s);
    // 通信, then the response rules' editor and their reload.
    QStringList items;
    for (const QAction *action : admin->actions())
        items << action->objectName() + u' ' + action->text();
    QCOMPARE(items, QStringList({u"ComSetting 通信"_s, u"editResponseRules 応答ルールの編集"_s,
                                 u"reloadResponseRules 応答ルールの再読込"_s}));

    frmUdpRcvComSetting &dialog = f.forms->comSettingForm();
    QCOMPARE(dialog.windowTitle(), u"通信設定"_s);
    QCOMPARE(dialog.size(), QSize(304, 189)); // 4560 by 2835 twips
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
    frmUdpRcvComSetting &dialog = f.forms->comSettingForm();
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
    QVERIFY(f.init());
    QVERIFY(f.writeSettings(testsupport::SettingsFile().udpPort(u"abc"_s)));
    frmUdpRcvComSetting &dialog = f.forms->comSettingForm();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *cancel = dialog.findChild<QPushButton *>(u"cmdCancel"_s);
    QSignalSpy cancelled(cancel, &QPushButton::clicked);
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key(key));
    QCOMPARE(cancelled.count(), 1);
    QCOMPARE(f.boxes.texts(), QStringList(u"正常な受信ポート番号を設定してください。"_s));
}

void FormDefinitionsTest::lampsAreCentredCircles()
{
    FormsFixture f;
    for (const QString &name : {u"shpRecvLed"_s, u"shpSendLed"_s}) {
        auto *lamp = f.forms->mainForm().findChild<LampWidget *>(name);
        QVERIFY(lamp);
        QCOMPARE(lamp->BackColor(), 0);
        lamp->setBackColor(65280);
        const QImage image = lamp->grab().toImage();
        const qreal ratio = image.devicePixelRatio();
        const auto at = [&](int x, int y) { return image.pixelColor(QPoint(x, y) * ratio); };
        QCOMPARE(at(lamp->width() / 2, lamp->height() / 2), QColor(0, 255, 0));
        QCOMPARE(at(lamp->width() / 2, 1), QColor(0, 255, 0)); // the diameter is the full height
        QVERIFY(at(1, 1) != QColor(0, 255, 0));                // outside the circle
        QVERIFY(at(lamp->width() - 2, lamp->height() / 2) != QColor(0, 255, 0));
    }
}

// The response-mode frame as rendered: its top border runs through the
// middle of its caption, which interrupts it, and the three option buttons
// lie inside the border at their twips (120, 1200 and 2520 from the left,
// 240 from the top, 375 high: 8, 80 and 168, 16 and 25 pixels).
void FormDefinitionsTest::frameEnclosesItsOptions()
{
    FormsFixture f;
    auto *frame = f.forms->mainForm().findChild<QGroupBox *>(u"fraResSetting"_s);
    const QImage image = frame->grab().toImage();
    QCOMPARE(image.size(), QSize(257, 49));
    const QRgb inside = image.pixel(image.width() - 5, image.height() / 2);
    const auto line = [&](QRgb pixel) { return std::abs(qGray(pixel) - qGray(inside)) > 20; };
    // The border, seen along a column right of every option button.
    const QRect border = inkIn(image, QRect(image.width() - 6, 0, 1, image.height()), line) |
                         inkIn(image, QRect(0, image.height() / 2, image.width(), 1), line);
    QVERIFY(border.height() > 30 && border.width() > 250);

    const QRect caption = inkIn(image, QRect(0, 0, image.width() / 3, border.top() + 8), dark);
    QVERIFY2(caption.top() < border.top() && caption.bottom() > border.top(),
             qPrintable(u"caption %1..%2, border %3"_s.arg(caption.top()).arg(caption.bottom()).arg(border.top())));
    const QRgb lineColor = image.pixel(image.width() - 6, border.top());
    int lineUnderCaption = 0;
    for (int x = caption.left(); x <= caption.right(); ++x)
        lineUnderCaption += image.pixel(x, border.top()) == lineColor ? 1 : 0;
    QVERIFY(lineUnderCaption < caption.width() / 4);

    const std::pair<const char16_t *, QRect> options[] = {{u"optNothing", QRect(8, 16, 57, 25)},
                                                          {u"optRcvData", QRect(80, 16, 89, 25)},
                                                          {u"optCustom", QRect(168, 16, 81, 25)}};
    for (const auto &[name, rect] : options) {
        QCOMPARE(frame->findChild<QRadioButton *>(QString::fromUtf16(name))->geometry(), rect);
        QVERIFY2(border.top() < rect.top() && rect.bottom() < border.bottom() && border.left() < rect.left() &&
                     rect.right() < border.right(),
                 qPrintable(QString::fromUtf16(name)));
    }
}

void FormDefinitionsTest::gridHeaders_data()
{
    QTest::addColumn<QString>("grid");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("section");
    QTest::newRow("receive, row 0000") << u"fgrdRecvData"_s << int(Qt::Vertical) << 0;
    QTest::newRow("receive, row 0002") << u"fgrdRecvData"_s << int(Qt::Vertical) << 2;
    QTest::newRow("receive, column 00") << u"fgrdRecvData"_s << int(Qt::Horizontal) << 0;
    QTest::newRow("send, row 0000") << u"fgrdSendData"_s << int(Qt::Vertical) << 0;
    QTest::newRow("send, column 07") << u"fgrdSendData"_s << int(Qt::Horizontal) << 7;
}

// A header cell as rendered: its text is whole inside the cell, centred
// across it, in the grid's font, and at the height of the text "00" in the
// data cells of its row (column headers: in the first row), with the header
// cell level with its row; the corner is a fixed cell like them.
void FormDefinitionsTest::gridHeaders()
{
    QFETCH(QString, grid);
    QFETCH(int, orientation);
    QFETCH(int, section);
    FormsFixture f;
    f.forms->showMainForm(); // labels the headers
    auto *view = f.forms->mainForm().findChild<HexGridView *>(grid);
    auto *model = static_cast<HexGrid *>(view->model());
    model->setBytes(QByteArray(40, '\0')); // "00" in every data cell of 3 rows
    QHeaderView *header = orientation == Qt::Vertical ? view->verticalHeader() : view->horizontalHeader();
    QCOMPARE(QFontInfo(header->font()).family(), QFontInfo(view->font()).family());
    QCOMPARE(QFontInfo(header->font()).pixelSize(), QFontInfo(view->font()).pixelSize());

    const QImage image = view->grab().toImage();
    const int along = header->sectionViewportPosition(section);
    const QPoint origin = header->viewport()->mapTo(view, QPoint(0, 0));
    const QRect cellOfHeader =
        orientation == Qt::Vertical
            ? QRect(origin + QPoint(0, along), QSize(header->width(), header->sectionSize(section)))
            : QRect(origin + QPoint(along, 0), QSize(header->sectionSize(section), header->height()));
    const QModelIndex data = orientation == Qt::Vertical ? model->index(section, 0) : model->index(0, section);
    const QRect dataCell = view->visualRect(data).translated(view->viewport()->mapTo(view, QPoint(0, 0)));
    if (orientation == Qt::Vertical) {
        QCOMPARE(cellOfHeader.top(), dataCell.top());
        QCOMPARE(cellOfHeader.height(), dataCell.height());
    }

    // Inside the lines around each cell.
    const QRect text = inkIn(image, cellOfHeader.adjusted(1, 1, -2, -2), dark);
    const QRect dataText = inkIn(image, dataCell.adjusted(1, 1, -2, -2), dark);
    QVERIFY(!text.isEmpty() && !dataText.isEmpty());
    QVERIFY2(text.left() > cellOfHeader.left() + 1 && text.right() < cellOfHeader.right() - 1, "clipped at the sides");
    QVERIFY2(std::abs((text.left() - cellOfHeader.left()) - (cellOfHeader.right() - text.right())) <= 1,
             qPrintable(u"text %1..%2 in %3..%4"_s.arg(text.left())
                            .arg(text.right())
                            .arg(cellOfHeader.left())
                            .arg(cellOfHeader.right())));
    QCOMPARE(text.top() - cellOfHeader.top(), dataText.top() - dataCell.top());
    QCOMPARE(text.height(), dataText.height());
    // Where the header row meets the header column: an empty fixed cell.
    const QPoint corner(view->frameWidth() + view->verticalHeader()->width() / 2, view->frameWidth() + 2);
    QCOMPARE(image.pixel(corner), image.pixel(cellOfHeader.topLeft() + QPoint(2, 2)));
}

void FormDefinitionsTest::statusBarShowsDateAndTime()
{
    FormsFixture f;
    f.clock.time = {2031, 12, 30, 23, 59, 58, 0};
    auto *bar = f.forms->mainForm().findChild<QStatusBar *>(u"sbStatusBar"_s);
    QVERIFY(bar);
    // The system's short formats; CTest runs this suite in the Japanese locale.
    QCOMPARE(bar->findChild<QLabel *>(u"datePanel"_s)->text(), u"2031/12/30"_s);
    QCOMPARE(bar->findChild<QLabel *>(u"timePanel"_s)->text(), u"23:59"_s);
    // Each panel, with the box the bar draws around it, inside the bar's 255
    // twips, and its text whole inside the panel.
    f.forms->showMainForm();
    const QImage image = bar->grab().toImage();
    for (const QString &name : {u"datePanel"_s, u"timePanel"_s}) {
        const QRect panel = bar->findChild<QLabel *>(name)->geometry();
        QVERIFY(bar->rect().contains(panel.adjusted(-2, -1, 2, 1)));
        QVERIFY(image.pixel(panel.center().x(), panel.top() - 1) != image.pixel(panel.center().x(), 0)); // the box
        const QRect text = inkIn(image, panel, dark);
        QVERIFY(!text.isEmpty());
        QVERIFY2(text.top() > panel.top() && text.bottom() < panel.bottom(), qPrintable(name));
    }
}

QTEST_MAIN(FormDefinitionsTest)
#include "tst_formdefinitions.moc"
