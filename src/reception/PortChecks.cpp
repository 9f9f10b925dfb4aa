#include "PortChecks.h"
