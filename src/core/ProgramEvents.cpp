#include "ProgramEvents.h"

#include "StandardError.h"

namespace {

EventLog &eventLog()
{
    static EventLog log;
    return log;
}

} // namespace

void tellEvent(const ProgramEvent &event)
{
    if (const EventLog &log = eventLog())
        log(event);
    else if (event.standardError)
        printToStandardError(event.message);
}

void setEventLog(EventLog log)
{
    eventLog() = std::move(log);
}
