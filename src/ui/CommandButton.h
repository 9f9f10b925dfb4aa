#pragma once

#include <QPushButton>

// A push button that is never a window's default or cancel button: Enter
// and Return click it only while it has the focus, as Space does.
class CommandButton final : public QPushButton {
    Q_OBJECT

public:
    explicit CommandButton(const QString &caption, QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
