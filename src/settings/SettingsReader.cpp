#include "SettingsReader.h"

#include "ProfileAccess.h"
#include "core/MessageBoxService.h"
#include "core/Numeric.h"
#include "logging/ErrorGuard.h"
#include "logging/LoggingGlobals.h"

void ReadSetting(const QString &file, ReceiveSettings &members, LoggingGlobals &logging, MessageBoxService &boxes,
                 ErrorGuard &guard)
{
    const auto showFailure = [&] {
        boxes.MsgBox(QStringLiteral("設定ファイルの読み込みに失敗しました。"), MsgBoxStyle::Critical);
    };
    guard.run(QStringLiteral("(ReadSetting)"),
              [&] {
                  const QString port = GetIniString(QStringLiteral("Port"), QStringLiteral("UdpPort"), file);
                  if (!port.isEmpty() && numeric::IsNumeric(port))
                      members.RcvPort = numeric::ToInt32(port);

                  const QString resSetting =
                      GetIniString(QStringLiteral("Maintenance"), QStringLiteral("ResSetting"), file);
                  if (resSetting.isEmpty())
                      throw GuardJump {};
                  if (numeric::IsNumeric(resSetting))
                      members.ResMode = numeric::ToInt16(resSetting);

                  // A log limit that is not numeric is refused with its own message.
                  const auto logLimit = [&](const QString &key, const QString &refusal) {
                      const QString value = GetIniString(QStringLiteral("Maintenance"), key, file);
                      if (!numeric::IsNumeric(value)) {
                          boxes.MsgBox(refusal, MsgBoxStyle::Critical);
                          throw GuardJump {};
                      }
                      return numeric::ToInt16(value);
                  };
                  logging.LogMaxSize =
                      logLimit(QStringLiteral("LogMaxSize"), QStringLiteral("ログ最大サイズが不正です。"));
                  logging.LogGenerations =
                      logLimit(QStringLiteral("LogGenerations"), QStringLiteral("ログ最大世代数が不正です。"));
              },
              {showFailure, {}});
}
