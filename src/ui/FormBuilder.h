#pragma once

#include "FormDefinitions.h"

#include <QHash>
#include <QString>
#include <QWidget>

#include <functional>

// The controls of a window as built from its definition, by name.
class FormControls {
public:
    void add(QWidget *control) { m_controls.insert(control->objectName(), control); }
    QWidget *widget(const char *name) const { return m_controls.value(QString::fromLatin1(name)); }

    template <typename Control> Control *get(const char *name) const
    {
        auto *control = qobject_cast<Control *>(widget(name));
        Q_ASSERT_X(control != nullptr, "FormControls::get", name);
        return control;
    }

private:
    QHash<QString, QWidget *> m_controls;
};

// Makes the controls whose making needs the window's own objects (a grid's
// model, the status bar's clock).
using ControlMaker = std::function<QWidget *(const ControlDefinition &definition, QWidget *parent)>;

// Builds the controls of `definition` in its order: each is made, named,
// given its caption and font (a control of the form font has none of its
// own) and placed, directly in `clientArea` or in a frame built before it.
// Grids and status bars come from `makeSpecial`. Frames and status bars
// are drawn by Qt's "Windows" style, which draws them as the form's
// platform does: a frame's caption on its top border above the controls
// inside, a status bar's panels as inset boxes within its height.
FormControls buildControls(const FormDefinition &definition, QWidget &clientArea, const ControlMaker &makeSpecial = {});

// Chains the controls that take the focus by their tab places and gives the
// focus to the first of them.
void arrangeTabOrder(const FormDefinition &definition, const FormControls &controls);
