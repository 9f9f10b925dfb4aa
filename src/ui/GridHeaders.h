#pragma once

class HexGrid;

// Labels the header row (00 to 0F) and the header column (0000, 0001, ...)
// of a hex dump grid from its current Rows and Cols, each cell centred.
// The top-left cell is left as it is.
void LabelGridHeaders(HexGrid &grid);
