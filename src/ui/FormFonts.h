#pragma once

#include <QFont>
#include <QStringList>

// The fonts of the form definitions, mapped to installed Japanese Gothic
// faces. Sizes are pixel sizes at 96 dots per inch, like the layout.
enum class FormFontCode {
    F1,         // proportional Gothic 14.25 pt bold
    F2,         // proportional Gothic 11.25 pt bold
    F3,         // proportional Gothic 15.75 pt bold
    F4,         // fixed-pitch Gothic 9 pt
    FormDefault // proportional Gothic 9 pt: controls without a font of their own
};

QFont formFont(FormFontCode code);

// The first of `candidates` that is installed; "" when none is.
QString firstInstalledFamily(const QStringList &candidates);

// Candidate faces, best first.
QStringList proportionalGothicFamilies();
QStringList fixedGothicFamilies();
