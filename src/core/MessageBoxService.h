#pragma once

#include <QFlags>
#include <QString>

// What a message box shows: a button set, an icon and a default button.
// The value of a combination is the box's style number.
enum class MsgBoxStyle : int {
    OkOnly = 0,
    OkCancel = 1,
    Critical = 16,
    Question = 32,
    Information = 64,
    DefaultButton2 = 256,
};
Q_DECLARE_FLAGS(MsgBoxStyles, MsgBoxStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(MsgBoxStyles)

// The button that closed a message box.
enum class MsgBoxResult { Ok = 1, Cancel = 2 };

// Shows modal message boxes. The widgets layer backs it with real boxes;
// tests answer it.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // An empty title stands for the application title.
    virtual MsgBoxResult msgBox(const QString &text, MsgBoxStyles style, const QString &title = {}) = 0;
};

// The title of every box that gives none of its own.
inline QString applicationTitle()
{
    return QStringLiteral("Kovantra");
}
