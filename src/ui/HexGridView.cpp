#include "HexGridView.h"

#include "FormMetrics.h"
#include "reception/HexDumpText.h"
#include "reception/HexGrid.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

Qt::Alignment AlignmentOf(const QVariant &value)
{
    return value.isValid() ? Qt::Alignment(value.toInt()) : Qt::AlignLeft | Qt::AlignVCenter;
}

// Paints the model's fixed row (horizontal) or fixed column (vertical):
// button face, button text, black inset lines.
class FixedCellHeader final : public QHeaderView {
public:
    FixedCellHeader(Qt::Orientation orientation, QWidget *parent) : QHeaderView(orientation, parent)
    {
        setSectionsClickable(false);
        setHighlightSections(false);
        setSectionResizeMode(QHeaderView::Fixed);
        setMinimumSectionSize(0);
        // Past the last header cell the grid's grey shows.
        QPalette colors = palette();
        colors.setColor(QPalette::Button, ColorFromValue(HexGrid::GreyBackColor));
        colors.setColor(QPalette::Window, ColorFromValue(HexGrid::GreyBackColor));
        setPalette(colors);
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        const QPalette colors = QApplication::palette();
        painter->save();
        painter->fillRect(rect, colors.color(QPalette::Button));
        painter->setPen(colors.color(QPalette::Light));
        painter->drawLine(rect.topLeft(), rect.topRight());
        painter->drawLine(rect.topLeft(), rect.bottomLeft());
        painter->setPen(Qt::black);
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        if (model() != nullptr) {
            const QModelIndex cell =
                orientation() == Qt::Horizontal ? model()->index(0, logicalIndex) : model()->index(logicalIndex, 0);
            painter->setPen(colors.color(QPalette::ButtonText));
            painter->drawText(rect.adjusted(2, 0, -2, 0),
                              static_cast<int>(AlignmentOf(cell.data(Qt::TextAlignmentRole))),
                              cell.data(Qt::DisplayRole).toString());
        }
        painter->restore();
    }
};

} // namespace

HexGridView::HexGridView(HexGrid &grid, QWidget *parent) : QTableView(parent), m_grid(grid)
{
    m_repaintTimer.setSingleShot(true);
    m_repaintTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_repaintTimer, &QTimer::timeout, this, &HexGridView::repaintChanged);
    setHorizontalHeader(new FixedCellHeader(Qt::Horizontal, this));
    setVerticalHeader(new FixedCellHeader(Qt::Vertical, this));
    setModel(&grid);
    // The headers hear of changed fixed cells from this view, which knows
    // whether the fixed row or column is among them.
    disconnect(&grid, &QAbstractItemModel::dataChanged, horizontalHeader(), nullptr);
    disconnect(&grid, &QAbstractItemModel::dataChanged, verticalHeader(), nullptr);
    setShowGrid(false);
    setCornerButtonEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWordWrap(false);
    // Tab moves on to the next control, not to the next cell.
    setTabKeyNavigation(false);

    auto *copy = new QAction(QStringLiteral("コピー"), this);
    copy->setObjectName(QStringLiteral("copyAction"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, &HexGridView::copyAsHexText);
    addAction(copy);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    // Beyond the last cell the grid shows grey; the selection stays
    // highlighted when the grid loses the focus.
    QPalette colors = palette();
    colors.setColor(QPalette::Base, ColorFromValue(HexGrid::GreyBackColor));
    colors.setColor(QPalette::Inactive, QPalette::Highlight, colors.color(QPalette::Active, QPalette::Highlight));
    colors.setColor(QPalette::Inactive, QPalette::HighlightedText,
                    colors.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colors);

    // The headers show the model's fixed cells: repaint them when those change.
    connect(&grid, &QAbstractItemModel::modelReset, this, [this] {
        hideFixedCells();
        horizontalHeader()->viewport()->update();
        verticalHeader()->viewport()->update();
    });
    connect(&grid, &QAbstractItemModel::layoutChanged, this, [this] { hideFixedCells(); });
    hideFixedCells();
}

void HexGridView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &)
{
    const bool all = !topLeft.isValid() || !bottomRight.isValid();
    m_changed.unite(all ? 0 : topLeft.row(), all ? 0 : topLeft.column(),
                    all ? m_grid.rowCount() - 1 : bottomRight.row(),
                    all ? m_grid.columnCount() - 1 : bottomRight.column());
    if (m_repaintTimer.isActive())
        return;
    const qint64 now = QDeadlineTimer::current().deadline();
    if (m_repaintIntervalMs == 0 || m_lastRepaintMs < 0 || now - m_lastRepaintMs >= m_repaintIntervalMs) {
        repaintChanged();
        return;
    }
    m_repaintTimer.start(static_cast<int>(m_repaintIntervalMs - now % m_repaintIntervalMs));
}

void HexGridView::repaintChanged()
{
    m_repaintTimer.stop();
    m_lastRepaintMs = QDeadlineTimer::current().deadline();
    const HexGrid::CellRange changed = std::exchange(m_changed, {});
    if (changed.empty())
        return;
    if (changed.top == 0)
        horizontalHeader()->viewport()->update();
    if (changed.left == 0)
        verticalHeader()->viewport()->update();
    // Rows removed since the change are left out here.
    const QRect area = cellsArea(changed.top, changed.left, changed.bottom, changed.right);
    if (!area.isEmpty())
        viewport()->update(area);
}

QRect HexGridView::cellsArea(int top, int left, int bottom, int right) const
{
    top = std::max(top, 1);
    left = std::max(left, 1);
    bottom = std::min(bottom, m_grid.rowCount() - 1);
    right = std::min(right, m_grid.columnCount() - 1);
    if (top > bottom || left > right)
        return {};
    const int y = rowViewportPosition(top);
    const int x = columnViewportPosition(left);
    const int yEnd = rowViewportPosition(bottom) + rowHeight(bottom);
    const int xEnd = columnViewportPosition(right) + columnWidth(right);
    return QRect(QPoint(std::min(x, xEnd), y), QPoint(std::max(x, xEnd) - 1, yEnd - 1)).intersected(viewport()->rect());
}

void HexGridView::paintEvent(QPaintEvent *event)
{
    // The grey beyond the last cell is the viewport's own background.
    const QRect area = event->rect();
    const int topRow = rowAt(area.top()), leftCol = columnAt(area.left());
    if (topRow < 0 || leftCol < 0)
        return; // the area lies beyond the last row or column
    const int bottomRow = rowAt(area.bottom()), rightCol = columnAt(area.right());
    const int firstRow = std::max(1, topRow), firstCol = std::max(1, leftCol);
    // Never past the grid, whatever the headers hold.
    const int lastRow = bottomRow < 0 ? m_grid.rowCount() - 1 : std::min(bottomRow, m_grid.rowCount() - 1);
    const int lastCol = rightCol < 0 ? m_grid.columnCount() - 1 : std::min(rightCol, m_grid.columnCount() - 1);

    const QPalette colors = QApplication::palette();
    const QRgb standard = colors.color(QPalette::Base).rgb();
    const QRgb highlight = colors.color(QPalette::Active, QPalette::Highlight).rgb();
    const QRgb text = colors.color(QPalette::Active, QPalette::Text).rgb();
    const QRgb highlightedText = colors.color(QPalette::Active, QPalette::HighlightedText).rgb();
    const QItemSelection selection = selectionModel() != nullptr ? selectionModel()->selection() : QItemSelection();
    const auto selected = [&selection](int row, int col) {
        return std::any_of(selection.cbegin(), selection.cend(), [&](const QItemSelectionRange &range) {
            return row >= range.top() && row <= range.bottom() && col >= range.left() && col <= range.right();
        });
    };
    const QModelIndex current = currentIndex();
    const bool showFocus = current.isValid() && (hasFocus() || viewport()->hasFocus());

    QPainter painter(viewport());
    m_pictures.prepare(font(), viewport()->devicePixelRatioF());
    CellLook look;
    look.alignment = Qt::AlignCenter; // every cell of the grid is centred
    for (int row = firstRow; row <= lastRow; ++row) {
        if (isRowHidden(row))
            continue;
        const int y = rowViewportPosition(row);
        const int height = rowHeight(row);
        for (int col = firstCol; col <= lastCol; ++col) {
            if (isColumnHidden(col))
                continue;
            const QRect cell(columnViewportPosition(col), y, columnWidth(col), height);
            const bool isSelected = selected(row, col);
            const int backColor = m_grid.backColorAt(row, col);
            look.text = m_grid.textAt(row, col);
            look.background = isSelected                                ? highlight
                              : backColor != HexGrid::StandardBackColor ? ColorFromValue(backColor).rgb()
                                                                        : standard;
            look.foreground = isSelected ? highlightedText : text;
            look.size = cell.size();
            const int byte = isSelected ? -1 : m_grid.byteAt(row, col);
            painter.drawImage(cell.topLeft(),
                              byte >= 0 ? m_pictures.bytePicture(byte, look) : m_pictures.picture(look));
            if (showFocus && row == current.row() && col == current.column()) {
                painter.setPen(QPen(colors.color(QPalette::Text), 1, Qt::DotLine));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(cell.adjusted(1, 1, -2, -2));
            }
        }
    }
}

void HexGridView::hideFixedCells()
{
    if (model() == nullptr)
        return;
    if (model()->rowCount() > 0)
        setRowHidden(0, true);
    if (model()->columnCount() > 0)
        setColumnHidden(0, true);
}

void HexGridView::fitColumnsToWidth()
{
    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setFixedHeight(rowHeight);

    const int columns = qMax(1, model() != nullptr ? model()->columnCount() : 1);
    const int inner = width() - 2 * frameWidth() - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int columnWidth = qMax(1, inner / columns);
    horizontalHeader()->setDefaultSectionSize(columnWidth);
    verticalHeader()->setFixedWidth(columnWidth);
}

void HexGridView::copyAsHexText()
{
    std::vector<qsizetype> offsets;
    if (selectionModel() != nullptr) {
        for (const QModelIndex &cell : selectionModel()->selectedIndexes()) {
            const qsizetype offset = m_grid.offsetAt(cell.row(), cell.column());
            if (offset >= 0)
                offsets.push_back(offset);
        }
    }
    std::ranges::sort(offsets);
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
    const QByteArray &bytes = m_grid.shownBytes();
    QGuiApplication::clipboard()->setText(offsets.empty() ? HexDumpText(bytes) : HexDumpText(bytes, offsets));
}

void HexGridView::selectAll()
{
    if (selectionModel() == nullptr)
        return;
    // The byte cells: the full rows, then the start of the last row.
    const qsizetype count = m_grid.shownBytes().size();
    const int perRow = m_grid.columnCount() - 1;
    QItemSelection cells;
    if (count > 0 && perRow > 0) {
        const int fullRows = static_cast<int>(count / perRow);
        const int rest = static_cast<int>(count % perRow);
        if (fullRows > 0)
            cells.select(m_grid.index(1, 1), m_grid.index(fullRows, perRow));
        if (rest > 0)
            cells.select(m_grid.index(fullRows + 1, 1), m_grid.index(fullRows + 1, rest));
    }
    selectionModel()->select(cells, QItemSelectionModel::ClearAndSelect);
}

void HexGridView::keyPressEvent(QKeyEvent *event)
{
    // Where the copy shortcut does not fire, the view's own copy of the
    // current cell's text must not take its place.
    if (event->matches(QKeySequence::Copy)) {
        copyAsHexText();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
