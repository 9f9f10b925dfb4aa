#pragma once

#include "reception/Lamp.h"

#include <QWidget>

// A status lamp: a filled circle whose diameter is the shorter side of the
// widget, centred in it. Black at creation.
class LampWidget final : public QWidget, public Lamp {
    Q_OBJECT

public:
    explicit LampWidget(QWidget *parent);

    int BackColor() const override { return m_backColor; }
    void SetBackColor(int color) override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_backColor = LampColor::Black;
};
