#include "SettingsReader.h"

#include "ProfileAccess.h"
#include "core/MessageBoxService.h"
#include "core/Numeric.h"
#include "logging/ErrorGuard.h"
#include "logging/LoggingGlobals.h"

#include <cstdint>

void ReadSetting(const QString &file, ReceiveSettings &members, LoggingGlobals &logging, MessageBoxService &boxes,
                 ErrorGuard &guard)
{
    const auto showFailure = [&] {
        boxes.MsgBox(QStringLiteral("設定ファイルの読み込みに失敗しました。"), MsgBoxStyle::Critical);
    };
    guard.run(
        QStringLiteral("(ReadSetting)"),
        [&] {
            const QString port = GetIniString(QStringLiteral("Port"), QStringLiteral("UdpPort"), file);
            if (!port.isEmpty() && numeric::IsNumeric(port))
                members.RcvPort = numeric::ToInt32(port);

            const QString resSetting = GetIniString(QStringLiteral("Maintenance"), QStringLiteral("ResSetting"), file);
            if (resSetting.isEmpty())
                throw GuardJump {};
            if (numeric::IsNumeric(resSetting))
                members.ResMode = numeric::ToInt16(resSetting);

            // A log limit that is not numeric, or above `largest`, is
            // refused with its own message.
            const auto logLimit = [&](const QString &key, const QString &refusal, int16_t largest) {
                const QString value = GetIniString(QStringLiteral("Maintenance"), key, file);
                const auto refuse = [&] {
                    boxes.MsgBox(refusal, MsgBoxStyle::Critical);
                    throw GuardJump {};
                };
                if (!numeric::IsNumeric(value))
                    refuse();
                const int16_t limit = numeric::ToInt16(value);
                if (limit > largest)
                    refuse();
                return limit;
            };
            logging.LogMaxSize =
                logLimit(QStringLiteral("LogMaxSize"), QStringLiteral("ログ最大サイズが不正です。"), LargestLogMaxSize);
            logging.LogGenerations =
                logLimit(QStringLiteral("LogGenerations"), QStringLiteral("ログ最大世代数が不正です。"), INT16_MAX);
        },
        {showFailure, {}});
}
