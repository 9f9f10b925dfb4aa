#include "FormBuilder.h"

#include "CommandButton.h"
#include "LampWidget.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <vector>

namespace {

QLabel *makeLabel(const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// Frames and status bars are drawn by Qt's "Windows" style, as the form's
// platform draws them: a frame's caption interrupts its top border line,
// which runs through the caption's middle, so that the controls inside,
// placed from the frame's top edge, lie below the line; a status bar's
// panels are inset boxes that fit its 255 twips. The desktop styles
// (Fusion among them) draw a frame's caption above its border, through
// the controls inside, and want a taller status bar. The style is the
// control's alone: the controls inside keep the application's.
void drawAsOnTheFormsPlatform(QWidget &control)
{
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Windows"))) {
        style->setParent(&control);
        control.setStyle(style);
    }
}

QWidget *makeControl(const ControlDefinition &definition, QWidget *parent, const ControlMaker &makeSpecial)
{
    const QString caption = definition.captionText();
    switch (definition.kind) {
    case ControlKind::Label:
        return makeLabel(caption, parent);
    case ControlKind::Button:
        return new CommandButton(caption, parent);
    case ControlKind::TextBox: {
        auto *box = new QLineEdit(parent);
        if (!caption.isEmpty())
            box->setText(caption);
        return box;
    }
    case ControlKind::Lamp:
        return new LampWidget(parent);
    case ControlKind::Frame:
        return new QGroupBox(caption, parent);
    case ControlKind::Option:
        return new QRadioButton(caption, parent);
    case ControlKind::Grid:
    case ControlKind::StatusBar:
        break;
    }
    Q_ASSERT_X(makeSpecial, "BuildControls", definition.name);
    return makeSpecial(definition, parent);
}

} // namespace

FormControls buildControls(const FormDefinition &definition, QWidget &clientArea, const ControlMaker &makeSpecial)
{
    FormControls controls;
    for (const ControlDefinition &control : definition.controls) {
        QWidget *parent = control.container != nullptr ? controls.widget(control.container) : &clientArea;
        Q_ASSERT_X(parent != nullptr, "BuildControls", control.container);
        QWidget *made = makeControl(control, parent, makeSpecial);
        made->setObjectName(QString::fromLatin1(control.name));
        if (control.kind == ControlKind::Frame || control.kind == ControlKind::StatusBar)
            drawAsOnTheFormsPlatform(*made);
        if (control.font != FormFontCode::FormDefault)
            made->setFont(formFont(control.font));
        placeControl(*made, control.twips);
        controls.add(made);
    }
    return controls;
}

void arrangeTabOrder(const FormDefinition &definition, const FormControls &controls)
{
    std::vector<const ControlDefinition *> placed;
    for (const ControlDefinition &control : definition.controls) {
        if (control.tabPlace != NoTabPlace && (controls.widget(control.name)->focusPolicy() & Qt::TabFocus) != 0)
            placed.push_back(&control);
    }
    std::ranges::sort(placed, {}, &ControlDefinition::tabPlace);
    for (size_t i = 1; i < placed.size(); ++i)
        QWidget::setTabOrder(controls.widget(placed[i - 1]->name), controls.widget(placed[i]->name));
    if (!placed.empty())
        controls.widget(placed.front()->name)->setFocus();
}
