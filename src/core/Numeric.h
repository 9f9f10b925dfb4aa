#pragma once

#include "Result.h"

#include <QStringView>

#include <cstdint>
#include <optional>

// The numeric test and conversion used for settings values and port texts.
//
// A text is numeric when, with blanks (spaces, tabs) around it allowed, it
// is a decimal number: an optional sign, digits with an optional decimal
// point and fraction (at least one digit in all), and an optional exponent
// (E or e, optional sign, digits). Anything else, the empty text included,
// is not numeric.
namespace numeric {

std::optional<double> parse(QStringView text);
bool isNumeric(QStringView text);

// The nearest whole number, halves to the even neighbour (2.5 gives 2).
double roundHalfEven(double value);

// Nearest integer, halves to the even neighbour. A text that is not
// numeric fails with a type mismatch, a value outside the range with an
// overflow.
Result<int32_t> toInt32(QStringView text);
Result<int16_t> toInt16(QStringView text);

} // namespace numeric
