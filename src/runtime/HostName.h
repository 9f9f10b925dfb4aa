#pragma once

#include "core/Result.h"

#include <QString>

// The host name as the sockets library reports it; fails when the name
// does not fit the buffer it is read into.
Result<QString> readHostName();
