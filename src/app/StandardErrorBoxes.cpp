#include "StandardErrorBoxes.h"

#include "core/StandardError.h"

MsgBoxResult StandardErrorBoxes::msgBox(const QString &text, MsgBoxStyles style, const QString &)
{
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    printToStandardError(line);
    return style.testFlag(MsgBoxStyle::OkCancel) ? MsgBoxResult::Cancel : MsgBoxResult::Ok;
}
