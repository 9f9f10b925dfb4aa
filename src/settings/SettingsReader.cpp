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

                  const QString maxSize =
                      GetIniString(QStringLiteral("Maintenance"), QStringLiteral("LogMaxSize"), file);
                  if (!numeric::IsNumeric(maxSize)) {
                      boxes.MsgBox(QStringLiteral("ログ最大サイズが不正です。"), MsgBoxStyle::Critical);
                      throw GuardJump {};
                  }
                  logging.LogMaxSize = numeric::ToInt16(maxSize);

                  const QString generations =
                      GetIniString(QStringLiteral("Maintenance"), QStringLiteral("LogGenerations"), file);
                  if (!numeric::IsNumeric(generations)) {
                      boxes.MsgBox(QStringLiteral("ログ最大世代数が不正です。"), MsgBoxStyle::Critical);
                      throw GuardJump {};
                  }
                  logging.LogGenerations = numeric::ToInt16(generations);
              },
              {showFailure, {}});
}
