#include "HexGridView.h"

#include "FormMetrics.h"
#include "reception/HexGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStaticText>
#include <QStyledItemDelegate>

#include <algorithm>
#include <unordered_map>

namespace {

constexpr int BeyondLastCellGrey = 8421504;
constexpr int CellLineGrey = 12632256;

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
        colors.setColor(QPalette::Button, ColorFromValue(BeyondLastCellGrey));
        colors.setColor(QPalette::Window, ColorFromValue(BeyondLastCellGrey));
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

// Paints a data cell: its BackColor (the window colour for 0), the
// highlight when selected, its text and the light grey lines to its right
// and below.
class DataCellDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Cells show few distinct texts (00 to FF): each is laid out once and
    // drawn from the cache after that.
    const QStaticText &staticText(const QString &text, const QFont &font) const
    {
        if (font != m_cacheFont) {
            m_cache.clear();
            m_cacheFont = font;
        }
        auto found = m_cache.find(text);
        if (found == m_cache.end()) {
            QStaticText prepared(text);
            prepared.setTextFormat(Qt::PlainText);
            prepared.prepare(QTransform(), font);
            found = m_cache.emplace(text, prepared).first;
        }
        return found->second;
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QPalette colors = QApplication::palette();
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const int backColor = index.data(HexGrid::BackColorRole).toInt();
        QColor background = backColor != 0 ? ColorFromValue(backColor) : colors.color(QPalette::Base);
        if (selected)
            background = colors.color(QPalette::Active, QPalette::Highlight);
        painter->save();
        painter->fillRect(option.rect, background);
        painter->setFont(option.font);
        painter->setPen(colors.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text));
        const QString text = index.data(Qt::DisplayRole).toString();
        if (!text.isEmpty())
            drawAligned(painter, option.rect.adjusted(2, 0, -2, 0),
                        AlignmentOf(index.data(Qt::TextAlignmentRole)), staticText(text, option.font));
        // The lines right and below, as one-pixel fills (cheaper than strokes).
        const QRect &r = option.rect;
        const QColor line = ColorFromValue(CellLineGrey);
        painter->fillRect(QRect(r.right(), r.top(), 1, r.height()), line);
        painter->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), line);
        if (option.state.testFlag(QStyle::State_HasFocus)) {
            QPen focus(colors.color(QPalette::Text), 1, Qt::DotLine);
            painter->setPen(focus);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
        }
        painter->restore();
    }

private:
    static void drawAligned(QPainter *painter, const QRect &rect, Qt::Alignment alignment, const QStaticText &text)
    {
        const QSizeF size = text.size();
        qreal x = rect.left();
        if (alignment.testFlag(Qt::AlignHCenter))
            x = rect.left() + (rect.width() - size.width()) / 2;
        else if (alignment.testFlag(Qt::AlignRight))
            x = rect.right() + 1 - size.width();
        qreal y = rect.top() + (rect.height() - size.height()) / 2;
        if (alignment.testFlag(Qt::AlignTop))
            y = rect.top();
        else if (alignment.testFlag(Qt::AlignBottom))
            y = rect.bottom() + 1 - size.height();
        painter->drawStaticText(QPointF(x, y), text);
    }

    mutable std::unordered_map<QString, QStaticText> m_cache;
    mutable QFont m_cacheFont;
};

} // namespace

HexGridView::HexGridView(HexGrid &grid, QWidget *parent) : QTableView(parent)
{
    setHorizontalHeader(new FixedCellHeader(Qt::Horizontal, this));
    setVerticalHeader(new FixedCellHeader(Qt::Vertical, this));
    setItemDelegate(new DataCellDelegate(this));
    setModel(&grid);
    // The headers hear of changed fixed cells from this view, once per
    // repaint (repaintChangedCells), not at every change.
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

    // Beyond the last cell the grid shows grey; the selection stays
    // highlighted when the grid loses the focus.
    QPalette colors = palette();
    colors.setColor(QPalette::Base, ColorFromValue(BeyondLastCellGrey));
    colors.setColor(QPalette::Inactive, QPalette::Highlight, colors.color(QPalette::Active, QPalette::Highlight));
    colors.setColor(QPalette::Inactive, QPalette::HighlightedText,
                    colors.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colors);

    // The headers show the model's fixed cells: repaint them when those change.
    const auto repaintHeaders = [this] {
        horizontalHeader()->viewport()->update();
        verticalHeader()->viewport()->update();
    };
    m_repaintTimer.setSingleShot(true);
    connect(&m_repaintTimer, &QTimer::timeout, this, &HexGridView::repaintChangedCells);
    connect(&grid, &QAbstractItemModel::modelReset, this, [this, repaintHeaders] {
        hideFixedCells();
        repaintHeaders();
    });
    connect(&grid, &QAbstractItemModel::layoutChanged, this, [this] { hideFixedCells(); });
    hideFixedCells();
}

void HexGridView::dataChanged(const QModelIndex &topLeft, const QModelIndex &, const QList<int> &)
{
    m_dataChanged = true;
    m_headerRowChanged = m_headerRowChanged || topLeft.row() == 0;
    m_headerColumnChanged = m_headerColumnChanged || topLeft.column() == 0;
    if (m_repaintTimer.isActive())
        return;
    const qint64 since = m_sinceRepaint.isValid() ? m_sinceRepaint.elapsed() : RepaintIntervalMs;
    m_repaintTimer.start(static_cast<int>(std::max<qint64>(0, RepaintIntervalMs - since)));
}

void HexGridView::repaintChangedCells()
{
    m_sinceRepaint.start();
    if (m_dataChanged)
        viewport()->update();
    if (m_headerRowChanged)
        horizontalHeader()->viewport()->update();
    if (m_headerColumnChanged)
        verticalHeader()->viewport()->update();
    m_dataChanged = m_headerRowChanged = m_headerColumnChanged = false;
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
