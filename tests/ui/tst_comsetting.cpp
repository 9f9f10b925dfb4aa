// The port settings dialog: load, the three closing and the three refusing
// outcomes of its buttons, and closing through the frame in both roles.
#include "FormsFixture.h"
#include "LoopbackPeer.h"
#include "settings/ProfileAccess.h"
#include "ui/frmMain.h"
#include "ui/frmUdpRcvComSetting.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

using namespace Qt::StringLiterals;
using testsupport::SettingsFile;

namespace {

const QString BadPort = u"受信ポート番号が不正です。"_s;
const QString CannotReceive =
    u"本PC上で、現在のポート設定ではデータを受信できません。\r\n受信ポートを確認してください。"_s;
const QString Saved = u"受信ポート設定を変更しました。\r\nアプリケーションを再起動してください。"_s;
const QString NeedValidPort = u"正常な受信ポート番号を設定してください。"_s;

QLineEdit *portBox(frmUdpRcvComSetting &dialog)
{
    return dialog.findChild<QLineEdit *>(u"txtRcvPort"_s);
}

} // namespace

class ComSettingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { FormsFixture::flushDeletes(); }
    void formLoadShowsStoredPort_data();
    void formLoadShowsStoredPort();
    void buttons_data();
    void buttons();
    void unsavedPortIsReported_data();
    void unsavedPortIsReported();
    void frameClose_data();
    void frameClose();
};

void ComSettingTest::formLoadShowsStoredPort_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: none
    QTest::addColumn<QString>("shown");
    const auto withPort = [](const SettingsFile::Value &port) { return SettingsFile().udpPort(port).text(); };
    QTest::newRow("no settings file") << QByteArray() << QString();
    QTest::newRow("no UdpPort key") << withPort(std::nullopt) << QString();
    QTest::newRow("blanks around") << withPort(u"  8000  "_s) << u"8000"_s;
    QTest::newRow("not a port") << withPort(u"abc"_s) << u"abc"_s;
    QTest::newRow("five characters") << withPort(u"12345"_s) << u"12345"_s;
    QTest::newRow("longer than the box takes") << withPort(u"100000"_s) << u"100000"_s;
}

void ComSettingTest::formLoadShowsStoredPort()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, shown);
    FormsFixture f;
    QVERIFY(f.init());
    QVERIFY(file.isEmpty() || testsupport::writeFile(f.settingFile(), file));
    QLineEdit *box = portBox(f.forms->comSettingForm());
    QCOMPARE(box->text(), shown);

    // Typing stops at five characters; a longer stored text only shrinks.
    box->end(false);
    QTest::keyClick(box, Qt::Key_9);
    QCOMPARE(box->text(), shown.size() < 5 ? shown + u'9' : shown);
    if (shown.size() > 5) {
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_9);
        QCOMPARE(box->text(), shown.left(5));
    }
}

// Placeholders in the table: <held> a port another socket holds, <free> a
// free port, <stored> the stored port.
void ComSettingTest::buttons_data()
{
    QTest::addColumn<bool>("apply");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("saved"); // the stored port afterwards

    QTest::newRow("apply empty box") << true << QByteArray("7000") << QString() << BadPort << 0 << false << u"7000"_s;
    QTest::newRow("apply letters") << true << QByteArray("7000") << u"abc"_s << BadPort << 0 << false << u"7000"_s;
    QTest::newRow("apply 65536") << true << QByteArray("7000") << u"65536"_s << BadPort << 0 << false << u"7000"_s;
    QTest::newRow("apply held port") << true << QByteArray("7000") << u"<held>"_s << CannotReceive << 16 << false
                                     << u"7000"_s;
    QTest::newRow("apply stored port") << true << QByteArray("80") << u" 80 "_s << QString() << 0 << true << u"80"_s;
    QTest::newRow("apply free port") << true << QByteArray("7000") << u"<free>"_s << Saved << 64 << true << u"<free>"_s;
    // Port 0 would have the system pick a port.
    QTest::newRow("apply 0") << true << QByteArray("7000") << u"0"_s << BadPort << 0 << false << u"7000"_s;
    QTest::newRow("cancel valid stored port")
        << false << QByteArray("<held>") << u"abc"_s << QString() << 0 << true << u"<held>"_s;
    QTest::newRow("cancel stored letters")
        << false << QByteArray("abc") << u"8000"_s << NeedValidPort << 0 << false << u"abc"_s;
    QTest::newRow("cancel stored empty") << false << QByteArray() << u"8000"_s << NeedValidPort << 0 << false
                                         << QString();
}

void ComSettingTest::buttons()
{
    QFETCH(bool, apply);
    QFETCH(QByteArray, stored);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(int, style);
    QFETCH(bool, closes);
    QFETCH(QString, saved);

    const HeldPort held;
    const uint16_t free = freePort();
    const auto resolve = [&](QString text) {
        return text.replace(u"<held>"_s, QString::number(held.port())).replace(u"<free>"_s, QString::number(free));
    };
    FormsFixture f;
    QVERIFY(f.init());
    const SettingsFile original = SettingsFile().udpPort(resolve(QString::fromLatin1(stored)));
    QVERIFY(f.writeSettings(original));
    QPointer<frmUdpRcvComSetting> dialog = &f.forms->comSettingForm();
    dialog->show(); // the start-up role
    portBox(*dialog)->setText(resolve(typed));

    if (apply)
        dialog->cmdApply_Click();
    else
        dialog->cmdCancel_Click();

    const QStringList expectedTexts = message.isEmpty() ? QStringList() : QStringList(message);
    QCOMPARE(f.boxes.texts(), expectedTexts);
    if (!message.isEmpty()) {
        QCOMPARE(f.boxes.shown[0].style, style);
        QCOMPARE(f.boxes.shown[0].title, QString());
    }
    QCOMPARE(GetIniString(u"Port"_s, u"UdpPort"_s, f.settingFile()), resolve(saved));
    if (resolve(saved) == resolve(QString::fromLatin1(stored)))
        QCOMPARE(testsupport::readFile(f.settingFile()), original.text());

    frmMain *main = f.forms->existingMainForm();
    if (closes) {
        QVERIFY(f.forms->existingComSettingForm() == nullptr);
        QVERIFY(!dialog->isVisible());
        QVERIFY(main != nullptr && main->isVisible() && main->loaded());
        FormsFixture::flushDeletes();
        QVERIFY(dialog.isNull());
    } else {
        QCOMPARE(f.forms->existingComSettingForm(), dialog.data());
        QVERIFY(dialog->isVisible());
        QVERIFY(main == nullptr || !main->isVisible());
        QLineEdit *box = portBox(*dialog);
        QCOMPARE(box->selectedText(), box->text());
        QCOMPARE(box->selectionStart(), box->text().isEmpty() ? -1 : 0);
        QCOMPARE(dialog->focusWidget(), box);
    }
}

void ComSettingTest::unsavedPortIsReported_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("read-only settings file") << u"read-only"_s;
    QTest::newRow("Config folder gone") << u"no folder"_s;
}

void ComSettingTest::unsavedPortIsReported()
{
    QFETCH(QString, fault);
    FormsFixture f;
    QVERIFY(f.init());
    const QByteArray original = SettingsFile().udpPort(7000).text();
    QVERIFY(testsupport::writeFile(f.settingFile(), original));
    if (fault == u"read-only"_s)
        QVERIFY(QFile::setPermissions(f.settingFile(), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    else
        QVERIFY(QDir(f.runtime.appDefine.ConfigPath).removeRecursively());
    QPointer<frmUdpRcvComSetting> dialog = &f.forms->comSettingForm();
    dialog->show();
    portBox(*dialog)->setText(QString::number(freePort()));

    dialog->cmdApply_Click();

    QCOMPARE(f.boxes.texts(),
             QStringList(u"受信ポート設定を保存できませんでした。\r\n設定ファイルを確認してください。"_s));
    QCOMPARE(f.boxes.shown[0].style, 16);
    const QStringList log = f.logMessages();
    QCOMPARE(log.size(), 1);
    QVERIFY2(log[0].endsWith(u"(cmdApply_Click)"_s) && log[0].contains(f.settingFile()), qPrintable(log[0]));
    QCOMPARE(f.forms->existingComSettingForm(), dialog.data());
    QVERIFY(dialog->isVisible());
    if (fault == u"read-only"_s)
        QCOMPARE(testsupport::readFile(f.settingFile()), original);
    else
        QVERIFY(!QFileInfo::exists(f.settingFile()));
}

void ComSettingTest::frameClose_data()
{
    QTest::addColumn<bool>("menuRole");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("start-up, valid stored port") << false << QByteArray("8000") << true << QStringList();
    QTest::newRow("start-up, stored letters") << false << QByteArray("abc") << false << QStringList(NeedValidPort);
    QTest::newRow("menu, stored letters") << true << QByteArray("abc") << true << QStringList();
}

void ComSettingTest::frameClose()
{
    QFETCH(bool, menuRole);
    QFETCH(QByteArray, stored);
    QFETCH(bool, closes);
    QFETCH(QStringList, messages);

    FormsFixture f;
    QVERIFY(f.init());
    QVERIFY(f.writeSettings(SettingsFile().udpPort(QString::fromLatin1(stored))));
    if (menuRole)
        f.forms->showMainForm();
    QPointer<frmUdpRcvComSetting> dialog = &f.forms->comSettingForm();
    dialog->show();

    QCOMPARE(dialog->close(), closes);
    QCOMPARE(f.boxes.texts(), messages);
    QCOMPARE(dialog->isVisible(), !closes);
    QCOMPARE(f.forms->existingComSettingForm() == nullptr, closes);
    // Some window is always up, and the program goes on.
    frmMain *main = f.forms->existingMainForm();
    QVERIFY(dialog->isVisible() || (main != nullptr && main->isVisible()));
    QCOMPARE(f.endCount, 0);
}

QTEST_MAIN(ComSettingTest)
#include "tst_comsetting.moc"
