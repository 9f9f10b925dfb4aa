#include "ErrorGuard.h"

void ErrorGuard::report(const QString &label, const RuntimeError &error) noexcept
{
    try {
        m_log.WriteLog(m_toolKind, error.description() + label);
    } catch (...) {
        // Only the concatenation can fail (memory); the writer itself never does.
    }
}
