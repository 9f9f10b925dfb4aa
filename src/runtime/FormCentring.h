#pragma once

// The top-left corner, in twips, that centres a window on the screen.
struct FormPosition {
    int left = 0;
    int top = 0;
};
FormPosition CenterForm(double screenWidth, double screenHeight, double formWidth, double formHeight);
