#include "grid_view.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QStyledItemDelegate>

namespace tera {

namespace {

// Fixed cells are headings: drawn like buttons, with their text in full
// colour even though they cannot be selected.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto *grid = qobject_cast<const GridModel *>(index.model());
        if (grid && grid->isFixedCell(index.row(), index.column())) {
            option->state |= QStyle::State_Enabled;
            option->backgroundBrush = option->palette.button();
            option->palette.setColor(QPalette::Text, option->palette.color(QPalette::Active, QPalette::ButtonText));
        }
    }
};

} // namespace

GridView::GridView(QWidget *parent) : QTableView(parent)
{
    setItemDelegate(new GridDelegate(this));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                    | QAbstractItemView::AnyKeyPressed);
    setWordWrap(false);
    // Tab and Backtab move on to the next control; the arrow keys move
    // inside the grid.
    setTabKeyNavigation(false);
    for (QHeaderView *header : {horizontalHeader(), verticalHeader()}) {
        header->setMinimumSectionSize(0);
        header->setSectionResizeMode(QHeaderView::Interactive);
        header->setHighlightSections(false);
    }
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) { sectionResized(Qt::Horizontal, section, size); });
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) { sectionResized(Qt::Vertical, section, size); });
}

void GridView::setModel(QAbstractItemModel *model) { QTableView::setModel(model); }

void GridView::setGrid(GridModel *grid)
{
    if (m_grid)
        disconnect(m_grid, nullptr, this, nullptr);
    m_grid = grid;
    if (!grid) {
        setModel(nullptr);
        return;
    }
    // While rows or columns come and go the view moves its current cell on its
    // own; the grid's Row and Col keep their numbers, so the view follows the
    // grid afterwards rather than the other way round. These connections come
    // before the view's own so that the flag is up when the view reacts.
    const auto changing = [this] { m_modelChanging = true; };
    connect(grid, &QAbstractItemModel::modelAboutToBeReset, this, changing);
    connect(grid, &QAbstractItemModel::rowsAboutToBeInserted, this, changing);
    connect(grid, &QAbstractItemModel::rowsAboutToBeRemoved, this, changing);
    connect(grid, &QAbstractItemModel::rowsAboutToBeMoved, this, changing);
    connect(grid, &QAbstractItemModel::columnsAboutToBeInserted, this, changing);
    connect(grid, &QAbstractItemModel::columnsAboutToBeRemoved, this, changing);
    connect(grid, &QAbstractItemModel::columnsAboutToBeMoved, this, changing);
    setModel(grid);

    const auto changed = [this] {
        m_modelChanging = false;
        modelCursorChanged();
    };
    connect(grid, &QAbstractItemModel::modelReset, this, [this] {
        m_modelChanging = false;
        syncAll();
    });
    connect(grid, &QAbstractItemModel::rowsInserted, this, changed);
    connect(grid, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(grid, &QAbstractItemModel::columnsRemoved, this, changed);
    // Rows and columns that arrive or move keep the sizes the model gives them.
    connect(grid, &QAbstractItemModel::rowsMoved, this, [this, changed] {
        syncRowHeights(-1);
        changed();
    });
    connect(grid, &QAbstractItemModel::columnsMoved, this, [this, changed] {
        syncColWidths(-1);
        changed();
    });
    connect(grid, &QAbstractItemModel::columnsInserted, this, [this, changed] {
        syncColWidths(-1);
        changed();
    });
    connect(grid, &GridModel::cursorChanged, this, &GridView::modelCursorChanged);
    connect(grid, &GridModel::rowHeightChanged, this, &GridView::syncRowHeights);
    connect(grid, &GridModel::colWidthChanged, this, &GridView::syncColWidths);
    connect(grid, &GridModel::fixedChanged, this, &GridView::Refresh);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &GridView::viewSelectionChanged);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &GridView::viewSelectionChanged);
    syncAll();
}

int GridView::twipsToPixels(int twips) const { return qRound(twips * logicalDpiY() / 1440.0); }

int GridView::pixelsToTwips(int pixels) const { return qRound(pixels * 1440.0 / logicalDpiY()); }

bool GridView::EditCell()
{
    const QModelIndex current = currentIndex();
    if (!m_grid || !current.isValid() || m_grid->Row() < 0 || !(m_grid->flags(current) & Qt::ItemIsEditable))
        return false;
    return edit(current, QAbstractItemView::AllEditTriggers, nullptr);
}

void GridView::Refresh() { viewport()->update(); }

void GridView::syncAll()
{
    syncRowHeights(-1);
    syncColWidths(-1);
    modelCursorChanged();
}

void GridView::modelCursorChanged()
{
    if (m_syncing || !m_grid)
        return;
    m_syncing = true;
    QItemSelectionModel *selection = selectionModel();
    const int row = m_grid->Row(), col = m_grid->Col();
    if (row < 0 || col < 0) {
        selection->clear();
    } else {
        const int rowSel = m_grid->RowSel() < 0 ? row : m_grid->RowSel();
        const int colSel = m_grid->ColSel() < 0 ? col : m_grid->ColSel();
        const QModelIndex current = m_grid->index(row, col);
        selection->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        const QItemSelection range(m_grid->index(std::min(row, rowSel), std::min(col, colSel)),
                                   m_grid->index(std::max(row, rowSel), std::max(col, colSel)));
        selection->select(range, QItemSelectionModel::ClearAndSelect);
        scrollTo(current);
    }
    m_syncing = false;
}

void GridView::viewSelectionChanged()
{
    if (m_syncing || m_modelChanging || !m_grid)
        return;
    const QModelIndex current = currentIndex();
    int row = -1, col = -1, rowSel = -1, colSel = -1;
    if (current.isValid()) {
        row = rowSel = current.row();
        col = colSel = current.column();
        // The selection is one rectangle holding the current cell; its far
        // corner is RowSel/ColSel.
        for (const QItemSelectionRange &range : selectionModel()->selection()) {
            if (!range.contains(current))
                continue;
            rowSel = row == range.top() ? range.bottom() : range.top();
            colSel = col == range.left() ? range.right() : range.left();
            break;
        }
    }
    m_syncing = true;
    m_grid->select(row, col, rowSel, colSel);
    m_syncing = false;
}

void GridView::syncRowHeights(int row)
{
    if (!m_grid)
        return;
    const bool wasSyncing = m_syncing;
    m_syncing = true;
    QHeaderView *header = verticalHeader();
    if (row >= 0) {
        header->resizeSection(row, twipsToPixels(m_grid->RowHeight(row)));
    } else {
        header->setDefaultSectionSize(twipsToPixels(m_grid->defaultRowHeight()));
        if (!m_grid->hasUniformRowHeights() || header->count() != m_grid->Rows()) {
            for (int r = 0; r < m_grid->Rows(); ++r) {
                const int want = twipsToPixels(m_grid->RowHeight(r));
                if (header->sectionSize(r) != want)
                    header->resizeSection(r, want);
            }
        }
    }
    m_syncing = wasSyncing;
}

void GridView::syncColWidths(int col)
{
    if (!m_grid)
        return;
    const bool wasSyncing = m_syncing;
    m_syncing = true;
    QHeaderView *header = horizontalHeader();
    if (col >= 0) {
        header->resizeSection(col, twipsToPixels(m_grid->ColWidth(col)));
    } else {
        header->setDefaultSectionSize(twipsToPixels(m_grid->defaultColWidth()));
        for (int c = 0; c < m_grid->Cols(); ++c) {
            const int want = twipsToPixels(m_grid->ColWidth(c));
            if (header->sectionSize(c) != want)
                header->resizeSection(c, want);
        }
    }
    m_syncing = wasSyncing;
}

void GridView::sectionResized(Qt::Orientation orientation, int section, int newSize)
{
    if (m_syncing || !m_grid)
        return;
    m_syncing = true;
    const int twips = std::min(pixelsToTwips(newSize), kMaxTwips);
    if (orientation == Qt::Vertical)
        m_grid->setRowHeight(section, twips);
    else
        m_grid->setColWidth(section, twips);
    m_syncing = false;
}

} // namespace tera
