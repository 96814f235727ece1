#pragma once
#include "platform/grid_model.h"

#include <QTableView>

namespace tera {

// Shows a GridModel in a window. The model stays the grid: the view keeps the
// model's Row/Col/RowSel/ColSel in step with its current cell and selection
// (both ways), shows the model's row heights and column widths (twips) and
// writes back sizes the user drags, paints fixed cells as headings and lets
// cells be edited only while the model is Editable. Rows share one height
// unless the model gives some their own, so large tables scroll smoothly; no
// cell ever holds a widget.
class GridView : public QTableView {
    Q_OBJECT
public:
    explicit GridView(QWidget *parent = nullptr);

    void setGrid(GridModel *grid);
    GridModel *grid() const { return m_grid; }

    // Starts editing the current cell; false when there is none or the grid
    // is not editable.
    bool EditCell();
    // Repaints the table.
    void Refresh();

    int twipsToPixels(int twips) const;
    int pixelsToTwips(int pixels) const;

private:
    void setModel(QAbstractItemModel *model) override;
    void modelCursorChanged();
    void viewSelectionChanged();
    void syncRowHeights(int row);
    void syncColWidths(int col);
    void sectionResized(Qt::Orientation orientation, int section, int newSize);
    void syncAll();

    GridModel *m_grid = nullptr;
    bool m_syncing = false;
    bool m_modelChanging = false;
};

} // namespace tera
