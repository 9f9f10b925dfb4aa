#pragma once

#include <cstdint>

class ErrorGuard;

// Colour values with red in the low byte.
namespace lampcolor {
constexpr int Black = 0;
constexpr int Green = 65280;
} // namespace LampColor

// A status lamp: a filled circle whose BackColor is the lamp colour.
class Lamp {
public:
    virtual ~Lamp() = default;
    virtual int BackColor() const = 0;
    virtual void setBackColor(int color) = 0;
};

// Sets the lamp to state 0 (black) or 1 (green); any other state leaves it
// as it is. A failure is logged with "(CtrlLed)".
void CtrlLed(Lamp &lamp, const int16_t &state, ErrorGuard &guard);
