#include "ProfileAccess.h"
