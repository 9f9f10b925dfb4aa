#pragma once

#include <QString>

// Makes the windows' own controls readable by assistive technology: the
// main window announces itself as a window; a lamp is an indicator, checked
// while lit, with lampStateText as its value.
// Installed once for the application; later calls do nothing.
void installFormAccessibility();

// The value a lamp reads as: "点灯" lit, "消灯" dark.
QString lampStateText(bool lit);
