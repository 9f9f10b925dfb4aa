#include "QtMessageBoxes.h"
