#pragma once

#include "LogWriter.h"
#include "core/RuntimeError.h"

#include <QString>

#include <exception>
#include <functional>
#include <new>

// The shape every guarded procedure shares: the body runs; a failure (or a
// GuardJump) leaves it at once, one log line made of the error's
// description followed directly by the label is written, the error is
// discarded and the procedure returns normally.
class ErrorGuard {
public:
    ErrorGuard(LogWriter &log, int16_t toolKind) : m_log(log), m_toolKind(toolKind) {}

    struct Steps {
        // Runs before the log line (a message box of ReadSetting).
        std::function<void()> beforeLog;
        // Runs after the error is discarded (a message box of cmdRecvData_Click).
        std::function<void()> afterLog;
    };

    // Returns true when the body ran to its end.
    template <typename Body> bool run(const QString &label, Body &&body, const Steps &steps = {}) noexcept
    {
        QString description;
        try {
            body();
            return true;
        } catch (const RuntimeError &error) {
            description = error.description();
        } catch (const GuardJump &) {
        } catch (const std::bad_alloc &) {
            description = QStringLiteral("メモリが不足しています。");
        } catch (const std::exception &error) {
            description = QString::fromLocal8Bit(error.what());
        } catch (...) {
            description = QStringLiteral("予期しないエラーが発生しました。");
        }
        handle(description, label, steps);
        return false;
    }

    LogWriter &log() const { return m_log; }
    int16_t toolKind() const { return m_toolKind; }

private:
    void handle(const QString &description, const QString &label, const Steps &steps) noexcept;

    LogWriter &m_log;
    int16_t m_toolKind;
};
