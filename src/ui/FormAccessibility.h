#pragma once

#include <QString>

// Makes the windows' own controls readable by assistive technology: the
// main window announces itself as a window; a lamp is an indicator, checked
// while lit, with LampStateText as its value; the status bar lists its
// panels (日付, 時刻 and, while shown, お知らせ) with their texts as values.
// Installed once for the application; later calls do nothing.
void InstallFormAccessibility();

// The value a lamp reads as: "点灯" lit, "消灯" dark.
QString LampStateText(bool lit);
