#include "HexGridView.h"

#include "FormMetrics.h"
#include "HexCellDelegate.h"
#include "reception/HexDumpText.h"
#include "reception/HexGrid.h"

#include <QAbstractButton>
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
#include <array>
#include <utility>
#include <vector>

namespace {

// A fixed cell as the form draws it, which no style of Qt draws: flat
// button face with light top and left edges and black right and bottom
// ones (an inset line).
void paintFixedCell(QPainter &painter, const QRect &rect, const QPalette &colors)
{
    painter.fillRect(rect, colors.color(QPalette::Button));
    painter.setPen(colors.color(QPalette::Light));
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(Qt::black);
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
}

// Qt's header over the grid's rows or columns, its sections drawn as fixed
// cells with the text centred as the model's TextAlignmentRole says. Past
// the last section the grid's grey shows.
class GridHeader final : public QHeaderView {
public:
    GridHeader(Qt::Orientation orientation, QWidget *parent) : QHeaderView(orientation, parent)
    {
        setSectionsClickable(false);
        setHighlightSections(false);
        setSectionResizeMode(QHeaderView::Fixed);
        setMinimumSectionSize(0);
        setDefaultAlignment(Qt::AlignCenter);
        QPalette colors = palette();
        colors.setColor(QPalette::Button, colorFromValue(HexGrid::GreyBackColor));
        colors.setColor(QPalette::Window, colorFromValue(HexGrid::GreyBackColor));
        setPalette(colors);
    }

    // The cells' changes are none of a header's business (its texts change
    // by headerDataChanged): under a flood it would hear two a datagram.
    void setModel(QAbstractItemModel *model) override
    {
        QHeaderView::setModel(model);
        if (model != nullptr)
            disconnect(model, &QAbstractItemModel::dataChanged, this, nullptr);
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        const QPalette colors = QApplication::palette();
        painter->save();
        paintFixedCell(*painter, rect, colors);
        if (model() != nullptr) {
            const QVariant alignment = model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole);
            painter->setPen(colors.color(QPalette::ButtonText));
            painter->drawText(rect, alignment.isValid() ? alignment.toInt() : int(defaultAlignment()),
                              model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString());
        }
        painter->restore();
    }
};

// Draws the empty fixed cell where the header row meets the header column
// (QTableView's corner button) as the other fixed cells.
class FixedCorner final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        auto *corner = static_cast<QWidget *>(watched);
        QPainter painter(corner);
        paintFixedCell(painter, corner->rect(), QApplication::palette());
        return true;
    }
};

} // namespace

HexGridView::HexGridView(HexGrid &grid, QWidget *parent)
    : QTableView(parent), m_grid(grid), m_delegate(new HexCellDelegate(grid, this))
{
    m_repaintTimer.setSingleShot(true);
    m_repaintTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_repaintTimer, &QTimer::timeout, this, &HexGridView::repaintChanged);
    connect(&grid, &HexGrid::changesWaiting, this, &HexGridView::scheduleRepaint);
    setHorizontalHeader(new GridHeader(Qt::Horizontal, this));
    setVerticalHeader(new GridHeader(Qt::Vertical, this));
    setModel(&grid);
    setItemDelegate(m_delegate);
    setShowGrid(false);
    setCornerButtonEnabled(false);
    if (auto *corner = findChild<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly))
        corner->installEventFilter(new FixedCorner(corner));
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

    // The selection stays highlighted when the grid loses the focus.
    QPalette colors = palette();
    colors.setColor(QPalette::Inactive, QPalette::Highlight, colors.color(QPalette::Active, QPalette::Highlight));
    colors.setColor(QPalette::Inactive, QPalette::HighlightedText,
                    colors.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colors);
    // Beyond the last cell the grid shows grey: the viewport's background,
    // while the cells keep the view's Base.
    QPalette beyond = viewport()->palette();
    beyond.setColor(QPalette::Base, colorFromValue(HexGrid::GreyBackColor));
    viewport()->setPalette(beyond);
}

void HexGridView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &)
{
    const bool all = !topLeft.isValid() || !bottomRight.isValid();
    m_changed.unite(all ? 0 : topLeft.row(), all ? 0 : topLeft.column(),
                    all ? m_grid.rowCount() - 1 : bottomRight.row(),
                    all ? m_grid.columnCount() - 1 : bottomRight.column());
    // What the grid announces when repaintChanged asks is painted there;
    // any other announcement waits for its turn as a fill does.
    if (!m_collecting)
        scheduleRepaint();
}

void HexGridView::scheduleRepaint()
{
    const qint64 now = QDeadlineTimer::current().deadline();
    const bool quiet = m_repaintIntervalMs == 0 || m_lastRepaintMs < 0 ||
                       (!m_repaintTimer.isActive() && now - m_lastRepaintMs >= m_repaintIntervalMs);
    // In the last fifth of the wait for the next multiple, a change is
    // repainted at once: the paint then follows the work that announced the
    // change (a datagram's), and the loop is free while it waits for the
    // next one, instead of the timer's paint holding up whatever arrives.
    if (quiet || now >= m_nextRepaintMs - m_repaintIntervalMs / 5) {
        repaintChanged();
        return;
    }
    if (!m_repaintTimer.isActive())
        m_repaintTimer.start(static_cast<int>(m_nextRepaintMs - now));
}

void HexGridView::repaintChanged()
{
    m_repaintTimer.stop();
    m_collecting = true;
    m_grid.announceChanges();
    m_collecting = false;
    const CellRange changed = std::exchange(m_changed, {});
    if (changed.empty())
        return;
    m_lastRepaintMs = QDeadlineTimer::current().deadline();
    // The next multiple whose early fifth has not begun yet.
    if (m_repaintIntervalMs > 0) {
        const qint64 early = m_lastRepaintMs + m_repaintIntervalMs / 5;
        m_nextRepaintMs = early + m_repaintIntervalMs - early % m_repaintIntervalMs;
    }
    // Rows removed since the change are left out here.
    const QRect area = cellsArea(changed.top, changed.left, changed.bottom, changed.right);
    if (!area.isEmpty())
        viewport()->update(area);
}

void HexGridView::CellRange::unite(int firstRow, int firstCol, int lastRow, int lastCol)
{
    if (empty()) {
        *this = {firstRow, firstCol, lastRow, lastCol};
        return;
    }
    top = std::min(top, firstRow);
    left = std::min(left, firstCol);
    bottom = std::max(bottom, lastRow);
    right = std::max(right, lastCol);
}

QRect HexGridView::cellsArea(int top, int left, int bottom, int right) const
{
    top = std::max(top, 0);
    left = std::max(left, 0);
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
    const int firstRow = rowAt(area.top()), firstCol = columnAt(area.left());
    if (firstRow < 0 || firstCol < 0)
        return; // the area lies beyond the last row or column
    const int bottomRow = rowAt(area.bottom()), rightCol = columnAt(area.right());
    const int lastRow = bottomRow < 0 ? m_grid.rowCount() - 1 : bottomRow;
    const int lastCol = rightCol < 0 ? m_grid.columnCount() - 1 : rightCol;

    const QItemSelection selection = selectionModel() != nullptr ? selectionModel()->selection() : QItemSelection();
    const auto selected = [&selection](int row, int col) {
        return std::any_of(selection.cbegin(), selection.cend(), [&](const QItemSelectionRange &range) {
            return row >= range.top() && row <= range.bottom() && col >= range.left() && col <= range.right();
        });
    };
    const QModelIndex current = currentIndex();
    const bool showFocus = current.isValid() && (hasFocus() || viewport()->hasFocus());

    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State state = option.state;
    m_delegate->prepare(option, viewport()->devicePixelRatioF());
    // The columns' places are asked of the header once, not for every row.
    std::array<std::pair<int, int>, HexGrid::BytesPerRow> columns {};
    for (int col = firstCol; col <= lastCol; ++col)
        columns[static_cast<size_t>(col)] = {columnViewportPosition(col), columnWidth(col)};
    QPainter painter(viewport());
    for (int row = firstRow; row <= lastRow; ++row) {
        const int y = rowViewportPosition(row);
        const int height = rowHeight(row);
        for (int col = firstCol; col <= lastCol; ++col) {
            const auto [x, width] = columns[static_cast<size_t>(col)];
            option.rect = QRect(x, y, width, height);
            option.state = state;
            if (selected(row, col))
                option.state |= QStyle::State_Selected;
            if (showFocus && row == current.row() && col == current.column())
                option.state |= QStyle::State_HasFocus;
            m_delegate->paintCell(&painter, option, row, col);
        }
    }
}

void HexGridView::fitColumnsToWidth()
{
    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setFixedHeight(rowHeight);

    const int columns = m_grid.columnCount() + 1; // and the header column
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
    QGuiApplication::clipboard()->setText(offsets.empty() ? hexDumpText(bytes) : hexDumpText(bytes, offsets));
}

void HexGridView::selectAll()
{
    if (selectionModel() == nullptr)
        return;
    // The byte cells: the full rows, then the start of the last row.
    const qsizetype count = m_grid.shownBytes().size();
    const int perRow = m_grid.columnCount();
    QItemSelection cells;
    if (count > 0) {
        const int fullRows = static_cast<int>(count / perRow);
        const int rest = static_cast<int>(count % perRow);
        if (fullRows > 0)
            cells.select(m_grid.index(0, 0), m_grid.index(fullRows - 1, perRow - 1));
        if (rest > 0)
            cells.select(m_grid.index(fullRows, 0), m_grid.index(fullRows, rest - 1));
    }
    selectionModel()->select(cells, QItemSelectionModel::ClearAndSelect);
}

void HexGridView::changeEvent(QEvent *event)
{
    // The headers are in the grid's font. Qt does not always pass a font
    // set on the view on to its vertical header, so it is handed on here.
    if (event->type() == QEvent::FontChange) {
        horizontalHeader()->setFont(font());
        verticalHeader()->setFont(font());
    }
    QTableView::changeEvent(event);
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
