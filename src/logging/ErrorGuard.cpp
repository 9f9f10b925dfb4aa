#include "ErrorGuard.h"

void ErrorGuard::handle(const QString &description, const QString &label, const Steps &steps) noexcept
{
    try {
        if (steps.beforeLog)
            steps.beforeLog();
    } catch (...) {
    }
    m_log.WriteLog(m_toolKind, description + label);
    try {
        if (steps.afterLog)
            steps.afterLog();
    } catch (...) {
    }
}
