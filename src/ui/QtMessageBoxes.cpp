#include "QtMessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon iconOf(MsgBoxStyles style)
{
    const bool critical = style.testFlag(MsgBoxStyle::Critical);
    const bool question = style.testFlag(MsgBoxStyle::Question);
    if (critical && question) // 48: exclamation
        return QMessageBox::Warning;
    if (critical)
        return QMessageBox::Critical;
    if (question)
        return QMessageBox::Question;
    if (style.testFlag(MsgBoxStyle::Information))
        return QMessageBox::Information;
    return QMessageBox::NoIcon;
}

} // namespace

MsgBoxResult QtMessageBoxes::msgBox(const QString &text, MsgBoxStyles style, const QString &title)
{
    QMessageBox box(iconOf(style), title.isEmpty() ? applicationTitle() : title,
                    QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setTextFormat(Qt::PlainText);
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton *cancel = nullptr;
    if (style.testFlag(MsgBoxStyle::OkCancel))
        cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    const bool secondIsDefault = style.testFlag(MsgBoxStyle::DefaultButton2) && cancel != nullptr;
    box.setDefaultButton(secondIsDefault ? cancel : ok);
    box.setEscapeButton(cancel != nullptr ? cancel : ok);
    box.exec();
    return box.clickedButton() == cancel && cancel != nullptr ? MsgBoxResult::Cancel : MsgBoxResult::Ok;
}
