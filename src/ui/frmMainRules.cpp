// The main window's part in the custom response: its rules, the menu that
// reads them again or opens their editor, and the rule named beside the
// sender.
#include "HexGridView.h"
#include "ResponseRulesDialog.h"
#include "core/MessageBoxService.h"
#include "frmMain.h"
#include "logging/ErrorGuard.h"
#include "runtime/Runtime.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>

QString frmMain::responseRulesFile() const
{
    return responserules::filePath(m_services.runtime.appDefine.ConfigPath);
}

void frmMain::loadResponseRules()
{
    ::loadResponseRules(responseRulesFile(), m_rules, m_services.log, m_services.runtime.ToolKind(), m_services.boxes);
    updateCustomOption();
}

void frmMain::reloadResponseRules()
{
    m_services.guard.run(QStringLiteral("(reloadResponseRules)"), [&] {
        const int problems = ::loadResponseRules(responseRulesFile(), m_rules, m_services.log,
                                                 m_services.runtime.ToolKind(), m_services.boxes);
        updateCustomOption();
        if (problems == 0)
            m_services.boxes.msgBox(QStringLiteral("応答ルールを%1件読み込みました。").arg(m_rules.size()),
                                    MsgBoxStyle::Information);
    });
}

void frmMain::editResponseRules()
{
    m_services.guard.run(QStringLiteral("(editResponseRules)"), [&] {
        ResponseRulesDialog dialog(responseRulesFile(), m_services.boxes, this);
        connect(&dialog, &ResponseRulesDialog::saved, this, [this] { loadResponseRules(); });
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.exec();
    });
}

// Without rules カスタム cannot be chosen; a choice of it made before is
// taken back (it would answer nothing, as no choice does).
void frmMain::updateCustomOption()
{
    m_optCustom->setEnabled(!m_rules.empty());
    if (m_rules.empty() && m_optCustom->isChecked()) {
        m_responseGroup->setExclusive(false);
        m_optCustom->setChecked(false);
        m_responseGroup->setExclusive(true);
    }
}

void frmMain::setAnsweringRule(const QString &name)
{
    if (name == m_answeringRule)
        return;
    m_answeringRule = name;
    showSender();
}

void frmMain::showSender()
{
    QString text = m_senderText;
    if (!m_answeringRule.isEmpty())
        text += QStringLiteral("（応答ルール：%1）").arg(m_answeringRule);
    for (QWidget *shown : {static_cast<QWidget *>(m_fgrdRecvData), static_cast<QWidget *>(m_lblLastRecvDateTimeData)}) {
        shown->setToolTip(text);
        shown->setAccessibleDescription(text);
    }
}
