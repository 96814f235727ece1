#pragma once
#include <QString>

namespace tera {
class GridModel;

// The import table as the check, the run and the session read and fill it:
// a header of the output kind's item names over rows of cell texts.
//
// A view over the import window's grid, never a copy: the clerk edits the
// grid and the run reads those edits, so the two must stay one table.
//
// Numbering, as the clerk sees it in the grid and in every report, message
// and check finding ("3 行目"): row 0 is the header, the data rows are 1 to
// rowCount(). Column c holds the item of the output kind's catalogue slot c;
// column 0 holds the row numbers, so the items are columns 1 to
// columnCount() - 1. Texts outside the table read as empty.
class ImportTable {
public:
    explicit ImportTable(GridModel &grid) : m_grid(&grid) {}

    // The data rows, not counting the header.
    int rowCount() const;
    // The columns, counting the row-number column.
    int columnCount() const;
    // False only for a grid without even its header row.
    bool hasHeader() const;

    QString heading(int column) const;
    QString text(int row, int column) const;
    void setHeading(int column, const QString &text);
    void setText(int row, int column, const QString &text);

    // New rows and columns come empty; rows past count and columns past
    // count are dropped.
    void setRowCount(int count);
    void setColumnCount(int count);
    void removeRow(int row);
    // Back to an empty header and nothing else: the header row and the
    // row-number column, both kept in place when the grid scrolls.
    void clear();

    // The grid the windows show and edit this table through.
    GridModel &grid() { return *m_grid; }
    const GridModel &grid() const { return *m_grid; }

private:
    GridModel *m_grid;
};

} // namespace tera
