#include "Lamp.h"
