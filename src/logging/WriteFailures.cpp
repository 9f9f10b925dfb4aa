#include "WriteFailures.h"

#include "LogFolder.h"
#include "core/ProgramEvents.h"
#include "core/RuntimeError.h"

void WriteFailures::noteChange(int error, const QString &path, uint64_t count) noexcept
{
    if (error == 0) {
        m_failing = false;
        const QString text = QStringLiteral("%1の書き込みを再開しました（書き込めなかった%2：%3）")
                                 .arg(m_subject, m_unit, QString::number(m_lost));
        tellEvent({m_kind + "-recovered",
                   text,
                   ProgramEvent::Notice,
                   {{"UDPRECV_FILE", path}, {"UDPRECV_LOST", QString::number(m_lost)}},
                   true});
        m_lost = 0;
    } else {
        m_lost += count;
        m_lostTotal += count;
        if (m_failing)
            return;
        m_failing = true;
        const QString what = QStringLiteral("%1を書き込めません（%2）").arg(m_subject, path);
        const QString text = error == NotARegularFile ? what + QStringLiteral("：通常のファイルではありません")
                                                      : RuntimeError::systemCall(what, error).description();
        QList<std::pair<QByteArray, QString>> fields {{"UDPRECV_FILE", path}};
        if (error != NotARegularFile)
            fields.append({"ERRNO", QString::number(error)});
        tellEvent({m_kind + "-failing", text, ProgramEvent::Warning, fields, true});
    }
    if (m_failingChanged)
        m_failingChanged(m_failing);
}
