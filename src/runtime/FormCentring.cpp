#include "FormCentring.h"

#include "core/Numeric.h"

FormPosition CenterForm(double screenWidth, double screenHeight, double formWidth, double formHeight)
{
    FormPosition position;
    position.left = static_cast<int>(numeric::roundHalfEven(screenWidth - formWidth)) / 2;
    position.top = static_cast<int>(numeric::roundHalfEven(screenHeight - formHeight)) / 2;
    return position;
}
