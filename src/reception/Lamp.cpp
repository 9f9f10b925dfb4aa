#include "Lamp.h"

#include "logging/ErrorGuard.h"

void CtrlLed(Lamp &lamp, const int16_t &state, ErrorGuard &guard)
{
    guard.run(QStringLiteral("(CtrlLed)"), [&] {
        // Other states have no colour: the lamp keeps its own.
        if (state == 0)
            lamp.setBackColor(lampcolor::Black);
        else if (state == 1)
            lamp.setBackColor(lampcolor::Green);
    });
}
