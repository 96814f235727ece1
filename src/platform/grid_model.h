#pragma once
#include "grid_document.h"
#include "outcome.h"
#include "grid_row.h"
#include "grid_sort.h"
#include "spreadsheet.h"
#include "text_file.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

namespace tera {

// File kinds of the grid's save and load, as the file-kind dialog numbers them.
enum class GridFileKind : int {
    All = 0,        // texts and formatting, grid document
    TextsOnly = 1,  // texts only, grid document
    FormatOnly = 2, // formatting only, grid document
    Csv = 3,        // comma-separated text
    Tsv = 4,        // tab-separated text
    Workbook = 5,   // a sheet of a workbook (.xlsx, .xlsm, .xls, .ods), read only
};

// The grid: a table of text cells with fixed header rows and columns, a
// current cell and a rectangular selection, row and column operations, sort
// modes and whole-table save and load. Headless (Qt Core only), so that the
// windows, the transcription, the command line and the tests all work on the
// same grid; GridView shows it in a window.
//
// Indexes count from 0. Row and Col are the current cell, RowSel and ColSel
// the other corner of the selection; a negative Row (or Col) means there is
// none. Sizes are in twips; -1 as a row or column index means all of them.
// Operations that can be refused return false and change nothing.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject *parent = nullptr);

    // Sizes a fresh grid starts with, and the largest table it takes.
    static constexpr int kDefaultRowHeight = 300; // twips
    static constexpr int kDefaultColWidth = 1200; // twips
    static constexpr int kMaxRows = kMaxTextRows;
    static constexpr int kMaxCols = kMaxTextCols;

    // --- size
    int Rows() const { return int(m_rows.size()); }
    bool setRows(int rows);
    int Cols() const { return m_cols; }
    bool setCols(int cols);
    int FixedRows() const { return m_fixedRows; }
    bool setFixedRows(int rows); // at most Rows
    int FixedCols() const { return m_fixedCols; }
    bool setFixedCols(int cols); // at most Cols
    bool isFixedCell(int row, int col) const { return row < m_fixedRows || col < m_fixedCols; }

    // --- cells
    // Empty text outside the table.
    QString TextMatrix(int row, int col) const;
    // A view of a cell's text, valid until the grid next changes.
    QStringView cellView(int row, int col) const;
    bool setTextMatrix(int row, int col, const QString &text);
    // The Cols texts of a row.
    QStringList rowTexts(int row) const;

    // --- current cell and selection
    int Row() const { return m_row; }
    int Col() const { return m_col; }
    int RowSel() const { return m_rowSel; }
    int ColSel() const { return m_colSel; }
    // Each takes -1 up to the count - 1 and collapses the selection onto the
    // new current cell, as a click does.
    bool setRow(int row);
    bool setCol(int col);
    // All four at once: the current cell and the other corner of the selection.
    bool select(int row, int col, int rowSel, int colSel);
    // The selection's texts: cells joined by TAB, rows by CR (no CR after the
    // last row). Empty without a current cell.
    QString Clip() const;
    // Writes text into the selection from its top-left cell: TAB separates
    // cells, CR, LF or CR LF rows, and one line end at the very end is
    // ignored. A single selected cell takes as much of the text as fits in the
    // table; a larger selection takes only what falls inside it. Cells the text
    // does not reach are left as they are.
    bool setClip(const QString &text);

    // --- rows and columns
    // Inserts a row at index (Rows or -1: at the end), its cells taken from
    // TAB-separated text from column 0 on (texts past the last column are
    // dropped). Refused inside the fixed rows, which keep the headings on top.
    bool AddItem(const QString &text, int index = -1);
    // Removes a row; refused for a fixed row.
    bool RemoveItem(int index);
    // Moves row (column) from to index to; the ones between shift by one.
    bool setRowPosition(int from, int to);
    bool setColPosition(int from, int to);

    // --- formatting
    int RowHeight(int row) const;
    bool setRowHeight(int row, int twips); // row -1: every row and rows added later
    int ColWidth(int col) const;
    bool setColWidth(int col, int twips); // col -1: every column and columns added later
    int defaultRowHeight() const { return m_defaultRowHeight; }
    int defaultColWidth() const { return m_defaultColWidth; }
    // True when no row has a height of its own (the view then scrolls fastest).
    bool hasUniformRowHeights() const;
    bool Editable() const { return m_editable; }
    void setEditable(bool editable);
    int ColSort(int col) const;
    bool setColSort(int col, int mode); // modes 0 to 9

    // Sorts the rows Row..RowSel (either way round; fixed rows never move) on
    // the key columns Col..ColSel, the leftmost deciding first, with a mode of
    // GridSortMode; mode 10 takes each key column's own ColSort. Stable.
    // Refused for an unknown mode; nothing happens without a current cell.
    bool Sort(int mode);

    // Empties every cell and puts the formatting back to its defaults (sizes
    // and sort modes); the row and column counts stay.
    void Clear();

    // --- files
    // Loads a whole table. Kinds 3 and 4 replace the rows and columns with
    // the file's (one row per line, the widest line giving the column count;
    // column formatting stays). On failure the table stays exactly as it was;
    // a result with a message but ok true loaded with a warning.
    Outcome LoadGrid(const QString &path, GridFileKind kind, TextEncoding encoding = TextEncoding::Auto);
    Outcome SaveGrid(const QString &path, GridFileKind kind, TextEncoding encoding = TextEncoding::Auto) const;
    // Loads one sheet of a workbook as the texts its cells show (ReadSheet):
    // sheet is a name or a number from 1, empty for the sheet the workbook
    // opens on. The rows and columns are replaced as for a text file; read,
    // when given, learns which sheet it was and what was hidden (its rows
    // are left empty).
    Outcome LoadSheet(const QString &path, const QString &sheet, SheetTable *read = nullptr);

    // The table's rows, for readers that walk all of it.
    const QList<GridRow> &rows() const { return m_rows; }

    // --- QAbstractTableModel
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // Row, Col, RowSel or ColSel changed.
    void cursorChanged();
    // A height or width changed; -1 for every row or column.
    void rowHeightChanged(int row);
    void colWidthChanged(int col);
    void fixedChanged();

private:
    GridDocument document(bool texts, bool format) const;
    void applyTexts(QList<GridRow> rows, int cols);
    void applyFormat(const GridFormat &format);
    void setCursor(int row, int col, int rowSel, int colSel);
    void clampCursor();
    void resizeColumnLists();

    QList<GridRow> m_rows;
    int m_cols = 0;
    int m_fixedRows = 0;
    int m_fixedCols = 0;
    int m_row = -1;
    int m_col = -1;
    int m_rowSel = -1;
    int m_colSel = -1;
    bool m_editable = false;
    int m_defaultRowHeight = kDefaultRowHeight;
    int m_defaultColWidth = kDefaultColWidth;
    QList<int> m_colWidths; // -1: the default width
    QList<int> m_colSorts;
};

} // namespace tera
