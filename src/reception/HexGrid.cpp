#include "HexGrid.h"
