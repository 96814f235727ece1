#pragma once
#include <QString>

namespace tera {
class GridModel;

// The source table as the fill and the session read it: the texts of the
// file read, field by field. A view over the grid the main window shows it
// in, never a copy.
//
// Rows are the file's lines from 0 (row 0 is the title line when the file
// has one), columns its fields from 0. Texts outside the table read as
// empty.
class SourceTable {
public:
    explicit SourceTable(const GridModel &grid) : m_grid(&grid) {}

    int rowCount() const;
    int columnCount() const;
    QString text(int row, int column) const;

private:
    const GridModel *m_grid;
};

} // namespace tera
