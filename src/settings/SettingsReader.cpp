#include "SettingsReader.h"

#include "ProfileAccess.h"
#include "core/MessageBoxService.h"
#include "core/Numeric.h"
#include "core/Result.h"
#include "logging/ErrorGuard.h"
#include "logging/LoggingGlobals.h"

#include <cstdint>
#include <optional>

namespace {

// Reads the values in order, each stored as it is read; a value refused
// (its own box shown first, where it has one) ends the reading.
Result<> readValues(const QString &file, ReceiveSettings &members, LoggingGlobals &logging, MessageBoxService &boxes)
{
    const QString port = GetIniString(QStringLiteral("Port"), QStringLiteral("UdpPort"), file);
    if (!port.isEmpty() && numeric::isNumeric(port)) {
        const Result<int32_t> value = numeric::toInt32(port);
        if (!value)
            return value.error();
        members.RcvPort = *value;
    }

    const QString resSetting = GetIniString(QStringLiteral("Maintenance"), QStringLiteral("ResSetting"), file);
    if (resSetting.isEmpty())
        return RuntimeError::undescribed();
    if (numeric::isNumeric(resSetting)) {
        const Result<int16_t> value = numeric::toInt16(resSetting);
        if (!value)
            return value.error();
        members.ResMode = *value;
    }

    // A log limit that is not numeric, or above `largest`, is refused with
    // its own message.
    const auto logLimit = [&](const QString &key, const QString &refusal, int16_t largest) -> Result<int16_t> {
        const QString value = GetIniString(QStringLiteral("Maintenance"), key, file);
        if (!numeric::isNumeric(value)) {
            boxes.msgBox(refusal, MsgBoxStyle::Critical);
            return RuntimeError::undescribed();
        }
        const Result<int16_t> limit = numeric::toInt16(value);
        if (limit && *limit > largest) {
            boxes.msgBox(refusal, MsgBoxStyle::Critical);
            return RuntimeError::undescribed();
        }
        return limit;
    };
    const Result<int16_t> maxSize =
        logLimit(QStringLiteral("LogMaxSize"), QStringLiteral("ログ最大サイズが不正です。"), LargestLogMaxSize);
    if (!maxSize)
        return maxSize.error();
    logging.LogMaxSize = *maxSize;
    const Result<int16_t> generations =
        logLimit(QStringLiteral("LogGenerations"), QStringLiteral("ログ最大世代数が不正です。"), INT16_MAX);
    if (!generations)
        return generations.error();
    logging.LogGenerations = *generations;

    // Capture is optional: absent or 0 is off, 1 on; anything else is
    // refused like a bad log limit and leaves it off.
    const QString capture = GetIniString(QStringLiteral("Maintenance"), QStringLiteral("Capture"), file);
    logging.capture = false;
    if (capture.isEmpty())
        return {};
    const std::optional<double> value = numeric::parse(capture);
    const double rounded = value ? numeric::roundHalfEven(*value) : -1;
    if (rounded != 0 && rounded != 1) {
        boxes.msgBox(QStringLiteral("キャプチャ設定が不正です。"), MsgBoxStyle::Critical);
        return RuntimeError::undescribed();
    }
    logging.capture = rounded == 1;
    return {};
}

} // namespace

void ReadSetting(const QString &file, ReceiveSettings &members, LoggingGlobals &logging, MessageBoxService &boxes,
                 ErrorGuard &guard)
{
    const Result<> read = ErrorGuard::attempt([&] { return readValues(file, members, logging, boxes); });
    if (read)
        return;
    // The failure's box comes before its line.
    boxes.msgBox(QStringLiteral("設定ファイルの読み込みに失敗しました。"), MsgBoxStyle::Critical);
    guard.report(QStringLiteral("(ReadSetting)"), read.error());
}
