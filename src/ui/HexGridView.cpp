#include "HexGridView.h"

#include "FormMetrics.h"
#include "reception/HexGrid.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

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

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QPalette colors = QApplication::palette();
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const int backColor = index.data(HexGrid::BackColorRole).toInt();
        CellLook look;
        look.text = index.data(Qt::DisplayRole).toString();
        look.alignment = AlignmentOf(index.data(Qt::TextAlignmentRole));
        look.background = selected ? colors.color(QPalette::Active, QPalette::Highlight).rgb()
                                   : (backColor != 0 ? ColorFromValue(backColor) : colors.color(QPalette::Base)).rgb();
        look.foreground = colors.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text).rgb();
        look.size = option.rect.size();
        painter->drawImage(option.rect.topLeft(), cellImage(look, option.font, painter->device()->devicePixelRatioF()));
        if (option.state.testFlag(QStyle::State_HasFocus)) {
            painter->save();
            QPen focus(colors.color(QPalette::Text), 1, Qt::DotLine);
            painter->setPen(focus);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
            painter->restore();
        }
    }

private:
    // Everything a cell's picture depends on.
    struct CellLook {
        QString text;
        Qt::Alignment alignment;
        QRgb background = 0;
        QRgb foreground = 0;
        QSize size;
        bool operator==(const CellLook &) const = default;
    };
    struct CellLookHash {
        size_t operator()(const CellLook &look) const noexcept
        {
            return qHashMulti(0, look.text, look.alignment.toInt(), look.background, look.foreground, look.size.width(),
                              look.size.height());
        }
    };

    // Cells show few distinct pictures (00 to FF on two backgrounds): each is
    // drawn once and copied from the cache after that.
    const QImage &cellImage(const CellLook &look, const QFont &font, qreal pixelRatio) const
    {
        if (font != m_cacheFont || pixelRatio != m_cacheRatio || m_cache.size() > MaxCachedCells) {
            m_cache.clear();
            m_cacheFont = font;
            m_cacheRatio = pixelRatio;
        }
        auto found = m_cache.find(look);
        if (found == m_cache.end())
            found = m_cache.emplace(look, drawCell(look, font, pixelRatio)).first;
        return found->second;
    }

    static QImage drawCell(const CellLook &look, const QFont &font, qreal pixelRatio)
    {
        QImage image(look.size * pixelRatio, QImage::Format_RGB32);
        image.setDevicePixelRatio(pixelRatio);
        image.fill(QColor(look.background));
        QPainter painter(&image);
        const QRect rect(QPoint(0, 0), look.size);
        if (!look.text.isEmpty()) {
            painter.setFont(font);
            painter.setPen(QColor(look.foreground));
            painter.drawText(rect.adjusted(2, 0, -2, 0), static_cast<int>(look.alignment), look.text);
        }
        // The lines right and below.
        const QColor line = ColorFromValue(CellLineGrey);
        painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), line);
        painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), line);
        return image;
    }

    static constexpr size_t MaxCachedCells = 4096;
    mutable std::unordered_map<CellLook, QImage, CellLookHash> m_cache;
    mutable QFont m_cacheFont;
    mutable qreal m_cacheRatio = 1;
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
    m_repaintTimer.setTimerType(Qt::PreciseTimer);
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
    // After a quiet spell at once; otherwise on the next tick of a clock
    // shared by every grid, so that grids changed together repaint together.
    const qint64 now = QDeadlineTimer::current().deadline();
    if (m_lastRepaintMs < 0 || now - m_lastRepaintMs >= RepaintIntervalMs) {
        m_repaintTimer.start(0);
        return;
    }
    m_repaintTimer.start(static_cast<int>(RepaintIntervalMs - now % RepaintIntervalMs));
}

void HexGridView::repaintChangedCells()
{
    m_lastRepaintMs = QDeadlineTimer::current().deadline();
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
