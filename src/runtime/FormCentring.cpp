#include "FormCentring.h"

#include "core/Numeric.h"

FormPosition CenterForm(double screenWidth, double screenHeight, double formWidth, double formHeight)
{
    FormPosition position;
    position.left = static_cast<int>(numeric::RoundHalfEven(screenWidth - formWidth)) / 2;
    position.top = static_cast<int>(numeric::RoundHalfEven(screenHeight - formHeight)) / 2;
    return position;
}
