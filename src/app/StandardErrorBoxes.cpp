#include "StandardErrorBoxes.h"

#include "core/StandardError.h"

MsgBoxResult StandardErrorBoxes::MsgBox(const QString &text, MsgBoxStyles style, const QString &)
{
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    PrintToStandardError(line);
    return style.testFlag(MsgBoxStyle::OkCancel) ? MsgBoxResult::Cancel : MsgBoxResult::Ok;
}
