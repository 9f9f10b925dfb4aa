#include "ResponseRulesDialog.h"

#include "FormMetrics.h"
#include "core/Cp932.h"
#include "core/MessageBoxService.h"
#include "reception/ResponseRulesFile.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// "127.0.0.1:50000" or "[::1]:50000" as a socket address; false when it is neither.
bool parseSender(const QString &text, sockaddr_storage &address, socklen_t &length)
{
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon < 0)
        return false;
    bool ok = false;
    const uint port = text.sliced(colon + 1).toUInt(&ok);
    QString host = text.first(colon);
    if (!ok || port > 65535)
        return false;
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.sliced(1, host.size() - 2);
    const QByteArray hostBytes = host.toLatin1();
    address = {};
    auto &v4 = reinterpret_cast<sockaddr_in &>(address);
    auto &v6 = reinterpret_cast<sockaddr_in6 &>(address);
    if (::inet_pton(AF_INET, hostBytes.constData(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(static_cast<uint16_t>(port));
        length = sizeof v4;
        return true;
    }
    if (::inet_pton(AF_INET6, hostBytes.constData(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(static_cast<uint16_t>(port));
        length = sizeof v6;
        return true;
    }
    return false;
}

// "text(&K)": Alt+K reaches it; screen readers read the text alone.
QString withMnemonic(const QString &text, char key)
{
    return text + u"(&"_s + QLatin1Char(key) + u")"_s;
}

QPushButton *button(const QString &text, char key, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(withMnemonic(text, key), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAccessibleName(text);
    b->setAutoDefault(false); // Enter in a text box saves nothing
    return b;
}

// A label whose mnemonic moves to `buddy`, and which names it for screen readers.
QLabel *labelFor(const QString &text, char key, QWidget *buddy, QWidget *parent, const QString &more = {})
{
    auto *label = new QLabel(withMnemonic(text, key) + u"："_s + more, parent);
    label->setBuddy(buddy);
    buddy->setAccessibleName(text);
    return label;
}

} // namespace

ResponseRulesDialog::ResponseRulesDialog(const QString &rulesFile, MessageBoxService &boxes, QWidget *parent)
    : QDialog(parent), m_file(rulesFile), m_boxes(boxes)
{
    createControls();
    load();
}

void ResponseRulesDialog::createControls()
{
    setObjectName(u"responseRulesDialog"_s);
    setWindowTitle(u"応答ルール"_s);

    m_lstRules = new QListWidget(this);
    m_lstRules->setObjectName(u"lstRules"_s);
    m_cmdAdd = button(u"追加"_s, 'A', "cmdAdd", this);
    m_cmdUp = button(u"上へ"_s, 'U', "cmdUp", this);
    m_cmdDown = button(u"下へ"_s, 'N', "cmdDown", this);
    m_cmdDelete = button(u"削除"_s, 'D', "cmdDelete", this);
    m_txtRule = new QLineEdit(this);
    m_txtRule->setObjectName(u"txtRule"_s);
    m_lblRuleCheck = new QLabel(this);
    m_lblRuleCheck->setObjectName(u"lblRuleCheck"_s);
    m_lblRuleCheck->setWordWrap(true);
    m_lblRuleCheck->setAccessibleName(u"ルールの確認"_s);
    m_txtSample = new QLineEdit(this);
    m_txtSample->setObjectName(u"txtSample"_s);
    m_txtSample->setPlaceholderText(u"81 0b 00 0c 01 20 ff ff 00 ff 10 08"_s);
    m_txtSampleSender = new QLineEdit(u"127.0.0.1:50000"_s, this);
    m_txtSampleSender->setObjectName(u"txtSampleSender"_s);
    m_cmdTry = button(u"試す"_s, 'T', "cmdTry", this);
    m_lblTryResult = new QLabel(this);
    m_lblTryResult->setObjectName(u"lblTryResult"_s);
    m_lblTryResult->setWordWrap(true);
    m_lblTryResult->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_lblTryResult->setAccessibleName(u"試した結果"_s);
    m_cmdSave = button(u"保存"_s, 'S', "cmdSave", this);
    m_cmdClose = button(u"閉じる"_s, 'C', "cmdClose", this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(
        labelFor(u"ルール一覧"_s, 'L', m_lstRules, this, u"上から順に照合し、最初に一致したルールが応答します"_s));
    auto *listRow = new QHBoxLayout;
    listRow->addWidget(m_lstRules, 1);
    auto *listButtons = new QVBoxLayout;
    for (QPushButton *b : {m_cmdAdd, m_cmdUp, m_cmdDown, m_cmdDelete})
        listButtons->addWidget(b);
    listButtons->addStretch();
    listRow->addLayout(listButtons);
    layout->addLayout(listRow);
    auto *edit = new QGridLayout;
    edit->addWidget(labelFor(u"選択中のルール"_s, 'R', m_txtRule, this), 0, 0);
    edit->addWidget(m_txtRule, 0, 1, 1, 2);
    edit->addWidget(m_lblRuleCheck, 1, 1, 1, 2);
    edit->addWidget(labelFor(u"試す受信データ（16進）"_s, 'H', m_txtSample, this), 2, 0);
    edit->addWidget(m_txtSample, 2, 1);
    edit->addWidget(m_cmdTry, 2, 2);
    edit->addWidget(labelFor(u"送信元"_s, 'F', m_txtSampleSender, this), 3, 0);
    edit->addWidget(m_txtSampleSender, 3, 1);
    edit->addWidget(m_lblTryResult, 4, 1, 1, 2);
    layout->addLayout(edit);
    auto *closing = new QHBoxLayout;
    closing->addStretch();
    closing->addWidget(m_cmdSave);
    closing->addWidget(m_cmdClose);
    layout->addLayout(closing);
    resize(px(9960), px(6000));

    const QList<QWidget *> tabOrder {m_lstRules,  m_cmdAdd, m_cmdUp,           m_cmdDown, m_cmdDelete, m_txtRule,
                                     m_txtSample, m_cmdTry, m_txtSampleSender, m_cmdSave, m_cmdClose};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(m_lstRules, &QListWidget::currentRowChanged, this, &ResponseRulesDialog::showCurrentRule);
    connect(m_txtRule, &QLineEdit::textEdited, this, &ResponseRulesDialog::ruleEdited);
    connect(m_cmdAdd, &QPushButton::clicked, this, &ResponseRulesDialog::addRule);
    connect(m_cmdUp, &QPushButton::clicked, this, [this] { moveRule(-1); });
    connect(m_cmdDown, &QPushButton::clicked, this, [this] { moveRule(1); });
    connect(m_cmdDelete, &QPushButton::clicked, this, &ResponseRulesDialog::deleteRule);
    connect(m_cmdTry, &QPushButton::clicked, this, &ResponseRulesDialog::tryRules);
    connect(m_txtSample, &QLineEdit::returnPressed, this, &ResponseRulesDialog::tryRules);
    connect(m_cmdSave, &QPushButton::clicked, this, &ResponseRulesDialog::save);
    connect(m_cmdClose, &QPushButton::clicked, this, &ResponseRulesDialog::reject);
}

void ResponseRulesDialog::load()
{
    const Result<QByteArray> content = responserules::readFile(m_file);
    if (!content)
        m_boxes.msgBox(u"応答ルールファイルを読み込めませんでした。\r\n"_s + content.error().description(),
                       MsgBoxStyle::Critical);
    m_entries = responserules::split(content ? *content : QByteArray());
    showRules(0);
}

QStringList ResponseRulesDialog::ruleLines() const
{
    QStringList lines;
    for (const responserules::Entry &entry : m_entries.entries)
        lines << cp932::decode(entry.line);
    return lines;
}

int ResponseRulesDialog::currentIndex() const
{
    const int row = m_lstRules->currentRow();
    return row >= 0 && row < static_cast<int>(m_entries.entries.size()) ? row : -1;
}

// A rule is shown as written; a malformed one with its error after it.
QString ResponseRulesDialog::itemText(const responserules::Entry &entry, int line) const
{
    const responserules::LineOutcome outcome = responserules::parseLine(entry.line, line);
    QString text = cp932::decode(entry.line);
    if (outcome.error)
        text += u"　← 誤り："_s + outcome.error->message;
    return text;
}

void ResponseRulesDialog::showRules(int current)
{
    m_lstRules->clear();
    for (size_t i = 0; i < m_entries.entries.size(); ++i)
        m_lstRules->addItem(itemText(m_entries.entries[i], static_cast<int>(i) + 1));
    if (m_lstRules->count() > 0)
        m_lstRules->setCurrentRow(std::clamp(current, 0, m_lstRules->count() - 1));
    showCurrentRule();
}

void ResponseRulesDialog::showCurrentRule()
{
    const int index = currentIndex();
    for (QWidget *w : {static_cast<QWidget *>(m_txtRule), static_cast<QWidget *>(m_cmdDelete),
                       static_cast<QWidget *>(m_cmdUp), static_cast<QWidget *>(m_cmdDown)})
        w->setEnabled(index >= 0);
    if (index < 0) {
        m_txtRule->clear();
        m_lblRuleCheck->clear();
        return;
    }
    const responserules::Entry &entry = m_entries.entries[static_cast<size_t>(index)];
    const QString text = cp932::decode(entry.line);
    if (m_txtRule->text() != text)
        m_txtRule->setText(text);
    const responserules::LineOutcome outcome = responserules::parseLine(entry.line);
    m_lblRuleCheck->setText(outcome.error ? u"誤り："_s + outcome.error->message
                                          : u"正しいルールです（名前：%1）"_s.arg(outcome.rule->name));
}

void ResponseRulesDialog::ruleEdited(const QString &text)
{
    const int index = currentIndex();
    if (index < 0)
        return;
    responserules::Entry &entry = m_entries.entries[static_cast<size_t>(index)];
    // A rule stays one line.
    entry.line = cp932::encode(QString(text).replace(u'\r', u' ').replace(u'\n', u' '));
    m_modified = true;
    m_lstRules->currentItem()->setText(itemText(entry, index + 1));
    showCurrentRule();
}

void ResponseRulesDialog::addRule()
{
    const int at = currentIndex() + 1;
    responserules::Entry entry;
    entry.line = cp932::encode(u"新しいルール -> data"_s);
    m_entries.entries.insert(m_entries.entries.begin() + at, std::move(entry));
    m_modified = true;
    showRules(at);
    m_txtRule->setFocus();
    m_txtRule->selectAll();
}

void ResponseRulesDialog::moveRule(int step)
{
    const int index = currentIndex();
    const int to = index + step;
    if (index < 0 || to < 0 || to >= static_cast<int>(m_entries.entries.size()))
        return;
    std::swap(m_entries.entries[static_cast<size_t>(index)], m_entries.entries[static_cast<size_t>(to)]);
    m_modified = true;
    showRules(to);
}

void ResponseRulesDialog::deleteRule()
{
    const int index = currentIndex();
    if (index < 0)
        return;
    m_entries.entries.erase(m_entries.entries.begin() + index);
    m_modified = true;
    showRules(index);
}

// The whole list on the sample, as a datagram from the sender would meet it.
void ResponseRulesDialog::tryRules()
{
    const std::optional<QByteArray> sample = responserules::parseHex(m_txtSample->text().toLatin1());
    sockaddr_storage sender {};
    socklen_t senderLength = 0;
    if (!sample) {
        m_lblTryResult->setText(u"受信データを16進数で入力してください（例：81 0b 00 0c）"_s);
        return;
    }
    if (!parseSender(m_txtSampleSender->text().trimmed(), sender, senderLength)) {
        m_lblTryResult->setText(u"送信元をアドレス:ポートで入力してください（例：127.0.0.1:50000）"_s);
        return;
    }
    const responserules::RuleList list = responserules::parse(responserules::join(m_entries));
    const int index =
        responserules::match(list.rules, *sample, reinterpret_cast<const sockaddr *>(&sender), senderLength);
    if (index < 0) {
        m_lblTryResult->setText(u"一致するルールはありません：応答しません"_s);
        return;
    }
    const responserules::Rule &rule = list.rules[static_cast<size_t>(index)];
    const QString which = u"%1（%2番目）が一致："_s.arg(rule.name).arg(index + 1);
    if (rule.silent) {
        m_lblTryResult->setText(which + u"応答しません"_s);
        return;
    }
    const QByteArray reply = responserules::reply(rule, *sample, 1);
    m_lblTryResult->setText(which +
                            u"%1バイトの応答 %2"_s.arg(reply.size()).arg(QString::fromLatin1(reply.toHex(' '))));
}

bool ResponseRulesDialog::save()
{
    const Result<> written = responserules::saveFile(m_file, responserules::join(m_entries));
    if (!written) {
        m_boxes.msgBox(written.error().description(), MsgBoxStyle::Critical);
        return false;
    }
    m_modified = false;
    Q_EMIT saved();
    return true;
}

void ResponseRulesDialog::reject()
{
    if (m_modified && m_boxes.msgBox(u"変更を保存せずに閉じますか？"_s,
                                     MsgBoxStyle::OkCancel | MsgBoxStyle::Question | MsgBoxStyle::DefaultButton2,
                                     windowTitle()) != MsgBoxResult::Ok)
        return;
    QDialog::reject();
}
