#include "GridHeaders.h"

#include "core/RuntimeError.h"
#include "reception/HexGrid.h"

#include <cstdint>
#include <limits>

namespace {

// The last `digits` characters of zeros followed by the upper-case hex digits.
QString HexRight(int value, int digits)
{
    return (QString(digits, u'0') + QString::number(value, 16).toUpper()).right(digits);
}

} // namespace

void LabelGridHeaders(HexGrid &grid)
{
    // The counters are 16-bit: a grid they cannot cover is an overflow.
    constexpr int counterMax = std::numeric_limits<int16_t>::max();
    if (grid.Cols() - 2 >= counterMax || grid.Rows() - 2 >= counterMax)
        throw RuntimeError::overflow();
    grid.SetRow(0);
    for (int16_t i = 0; i <= grid.Cols() - 2; ++i) {
        grid.SetCol(i + 1);
        grid.SetCellAlignment(HexGrid::AlignCenterCenter);
        grid.SetText(HexRight(i, 2));
    }
    grid.SetCol(0);
    for (int16_t j = 0; j <= grid.Rows() - 2; ++j) {
        grid.SetRow(j + 1);
        grid.SetCellAlignment(HexGrid::AlignCenterCenter);
        grid.SetText(HexRight(j, 4));
    }
}
