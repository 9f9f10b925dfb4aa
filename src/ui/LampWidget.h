#pragma once

#include "reception/Lamp.h"

#include <QTimer>
#include <QWidget>

// A status lamp: a filled circle whose diameter is the shorter side of the
// widget, centred in it. Black at creation. A colour change is painted on
// the next frame, and only when the colour then differs from the painted one:
// a lamp switched off and on again within one arrival is not repainted.
class LampWidget final : public QWidget, public Lamp {
    Q_OBJECT

public:
    explicit LampWidget(QWidget *parent);

    int BackColor() const override { return m_backColor; }
    void setBackColor(int color) override;
    // Lit: any colour but black. Assistive technology hears of a change
    // with the repaint, not with every colour set.
    bool isLit() const { return m_backColor != lampcolor::Black; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void repaintIfChanged();

    int m_backColor = lampcolor::Black;
    int m_paintedColor = lampcolor::Black;
    bool m_announcedLit = false;
    QTimer m_frameTimer;
};
