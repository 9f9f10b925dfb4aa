#pragma once

#include <QString>

// Style numbers of a message box: the sum of a button set, an icon and a
// default button.
namespace MsgBoxStyle {
constexpr int OkOnly = 0;
constexpr int OkCancel = 1;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Information = 64;
constexpr int DefaultButton2 = 256;
} // namespace MsgBoxStyle

// The button that closed a message box.
enum class MsgBoxResult { Ok = 1, Cancel = 2 };

// Shows modal message boxes. The widgets layer backs it with real boxes;
// tests answer it.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // An empty title stands for the application title.
    virtual MsgBoxResult MsgBox(const QString &text, int style, const QString &title = {}) = 0;
};

// The title of every box that gives none of its own.
inline QString ApplicationTitle()
{
    return QStringLiteral("Kovantra");
}
