#include "WriteFailures.h"

#include "LogFolder.h"
#include "core/RuntimeError.h"
#include "core/StandardError.h"

void WriteFailures::note(int error, const QString &path, uint64_t count) noexcept
{
    if (error == 0) {
        if (!m_failing)
            return;
        m_failing = false;
        const QString text = QStringLiteral("%1の書き込みを再開しました（書き込めなかった%2：%3）")
                                 .arg(m_subject, m_unit, QString::number(m_lost));
        PrintToStandardError(text);
        m_lost = 0;
    } else {
        m_lost += count;
        if (m_failing)
            return;
        m_failing = true;
        const QString what = QStringLiteral("%1を書き込めません（%2）").arg(m_subject, path);
        const QString text = error == NotARegularFile ? what + QStringLiteral("：通常のファイルではありません")
                                                      : RuntimeError::systemCall(what, error).description();
        PrintToStandardError(text);
    }
    if (m_failingChanged)
        m_failingChanged(m_failing);
}
