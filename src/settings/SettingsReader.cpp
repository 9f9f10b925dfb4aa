#include "SettingsReader.h"

#include "ProfileAccess.h"
#include "core/MessageBoxService.h"
#include "core/Numeric.h"
#include "logging/ErrorGuard.h"
#include "logging/LoggingGlobals.h"

#include <cstdint>
#include <optional>

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

            // Capture is optional: absent or 0 is off, 1 on; anything else
            // is refused like a bad log limit and leaves it off.
            const QString capture = GetIniString(QStringLiteral("Maintenance"), QStringLiteral("Capture"), file);
            logging.Capture = false;
            if (capture.isEmpty())
                return;
            const std::optional<double> value = numeric::Parse(capture);
            const double rounded = value ? numeric::RoundHalfEven(*value) : -1;
            if (rounded != 0 && rounded != 1) {
                boxes.MsgBox(QStringLiteral("キャプチャ設定が不正です。"), MsgBoxStyle::Critical);
                throw GuardJump {};
            }
            logging.Capture = rounded == 1;
        },
        {showFailure, {}});
}
