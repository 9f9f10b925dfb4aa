// Real message boxes: buttons, icon, default button and title by style.
#include "ui/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class MessageBoxesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void styles_data();
    void styles();
};

void MessageBoxesTest::styles_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("defaultButton");
    QTest::addColumn<QString>("press");
    QTest::addColumn<int>("result");

    const QStringList ok {u"OK"_s};
    const QStringList okCancel {u"OK"_s, u"キャンセル"_s};
    QTest::newRow("0") << 0 << QString() << ok << int(QMessageBox::NoIcon) << u"OK"_s << u"OK"_s
                       << int(MsgBoxResult::Ok);
    QTest::newRow("16") << 16 << QString() << ok << int(QMessageBox::Critical) << u"OK"_s << u"OK"_s
                        << int(MsgBoxResult::Ok);
    QTest::newRow("64") << 64 << QString() << ok << int(QMessageBox::Information) << u"OK"_s << u"OK"_s
                        << int(MsgBoxResult::Ok);
    QTest::newRow("289 OK") << 289 << u"Kovantra"_s << okCancel << int(QMessageBox::Question) << u"キャンセル"_s
                            << u"OK"_s << int(MsgBoxResult::Ok);
    QTest::newRow("289 Cancel") << 289 << u"Kovantra"_s << okCancel << int(QMessageBox::Question) << u"キャンセル"_s
                                << u"キャンセル"_s << int(MsgBoxResult::Cancel);
    QTest::newRow("289 Escape") << 289 << u"Kovantra"_s << okCancel << int(QMessageBox::Question) << u"キャンセル"_s
                                << u"Escape"_s << int(MsgBoxResult::Cancel);
}

void MessageBoxesTest::styles()
{
    QFETCH(int, style);
    QFETCH(QString, title);
    QFETCH(QStringList, buttons);
    QFETCH(int, icon);
    QFETCH(QString, defaultButton);
    QFETCH(QString, press);
    QFETCH(int, result);

    struct Seen {
        QString title, text, defaultButton;
        QStringList buttons;
        int icon = -1;
        bool modal = false;
    } seen;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = int(box->icon());
        seen.modal = box->isModal();
        for (QAbstractButton *button : box->buttons())
            seen.buttons << button->text();
        if (box->defaultButton() != nullptr)
            seen.defaultButton = box->defaultButton()->text();
        if (press == u"Escape"_s) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == press)
                button->click();
        }
    });
    QtMessageBoxes boxes;
    const MsgBoxResult answer = boxes.msgBox(u"一行目\r\n二行目"_s, MsgBoxStyles::fromInt(style), title);
    QCOMPARE(int(answer), result);
    QCOMPARE(seen.title, u"Kovantra"_s);
    QCOMPARE(seen.text, u"一行目\n二行目"_s);
    QCOMPARE(seen.icon, icon);
    QVERIFY(seen.modal);
    QCOMPARE(seen.buttons, buttons);
    QCOMPARE(seen.defaultButton, defaultButton);
}

QTEST_MAIN(MessageBoxesTest)
#include "tst_messageboxes.moc"
