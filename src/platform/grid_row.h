#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace tera {

// One row of grid cells, kept compact: the cells' texts laid end to end in one
// string plus the end of each cell in it. A register of 100,000 lines by 30
// fields would otherwise cost one heap block per cell, several times the size
// of the file. Cells past the last stored one are empty; trailing empty cells
// are never stored, so two rows with the same texts compare equal.
class GridRow {
public:
    GridRow() = default;
    // The cells' texts laid end to end and the end of each cell in text.
    // Ends must be non-decreasing and the last one must be text.size().
    GridRow(QString text, QList<qint32> ends);
    static GridRow fromCells(const QStringList &cells);

    // Number of cells stored; every cell from here on is empty.
    int storedCells() const { return int(m_ends.size()); }
    // Valid until the row is next changed.
    QStringView cellView(int col) const;
    QString cell(int col) const { return cellView(col).toString(); }
    QStringList cells(int count) const;

    void setCell(int col, QStringView text);
    // An empty cell at col; the cells from col on move one to the right.
    void insertCell(int col);
    // Removes cell col; the cells after it move one to the left.
    void removeCell(int col);
    void moveCell(int from, int to);
    // Drops every cell from index count on.
    void truncate(int count);

    const QString &text() const { return m_text; }
    const QList<qint32> &ends() const { return m_ends; }

    // Height in twips; -1 means the table's default row height (0 is a real
    // height: a row the user has closed up).
    int height = -1;

private:
    int startOf(int col) const { return col == 0 ? 0 : m_ends[col - 1]; }
    void trim();

    QString m_text;
    QList<qint32> m_ends;
};

} // namespace tera

Q_DECLARE_TYPEINFO(tera::GridRow, Q_RELOCATABLE_TYPE);
