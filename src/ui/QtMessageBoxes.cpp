#include "QtMessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon IconOf(int style)
{
    switch (style & 0x70) {
    case MsgBoxStyle::Critical:
        return QMessageBox::Critical;
    case MsgBoxStyle::Question:
        return QMessageBox::Question;
    case MsgBoxStyle::Critical | MsgBoxStyle::Question: // 48: exclamation
        return QMessageBox::Warning;
    case MsgBoxStyle::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

MsgBoxResult QtMessageBoxes::MsgBox(const QString &text, int style, const QString &title)
{
    QMessageBox box(IconOf(style), title.isEmpty() ? ApplicationTitle() : title,
                    QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setTextFormat(Qt::PlainText);
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton *cancel = nullptr;
    if ((style & 0x0F) == MsgBoxStyle::OkCancel)
        cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    const bool secondIsDefault = (style & MsgBoxStyle::DefaultButton2) != 0 && cancel != nullptr;
    box.setDefaultButton(secondIsDefault ? cancel : ok);
    box.setEscapeButton(cancel != nullptr ? cancel : ok);
    box.exec();
    return box.clickedButton() == cancel && cancel != nullptr ? MsgBoxResult::Cancel : MsgBoxResult::Ok;
}
