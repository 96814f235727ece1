#pragma once
#include "spreadsheet.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

namespace tera {

// Collects the shown texts of one sheet, row by row, into a table: empty
// rows are only counted until a filled one follows, so the trailing empty
// rows a sheet often carries (styled to its millionth row) cost nothing.
class SheetBuilder {
public:
    // Rows and columns count from 0. Returns false once the table would hold
    // more than kMaxSheetCells filled cells.
    bool setCell(int row, int col, const QString &text);
    void hideRow(int row) { m_hiddenRows.insert(row); }
    void hideColumns(int first, int last);
    // A merged range: only its top-left cell keeps its text.
    void merge(int top, int left, int bottom, int right) { m_merges.append({top, left, bottom, right}); }
    // Puts the table into out and counts the hidden rows and columns in it.
    void finish(SheetTable &out);

private:
    void flush();
    struct Range {
        int top, left, bottom, right;
    };
    QList<GridRow> m_rows;
    int m_cols = 0;
    int m_row = -1;
    QStringList m_cells;
    bool m_filled = false;
    qint64 m_filledCells = 0;
    QSet<int> m_hiddenRows;
    QList<std::pair<int, int>> m_hiddenCols;
    QList<Range> m_merges;
};

// One kind of workbook: open lists its sheets, readSheet reads one.
class WorkbookReader {
public:
    virtual ~WorkbookReader() = default;
    virtual Outcome open(const QString &path) = 0;
    virtual Outcome readSheet(int index, SheetTable &out) = 0;
    QList<SheetInfo> sheets;
    int activeSheet = 0;
};

std::unique_ptr<WorkbookReader> MakeXlsxReader();
std::unique_ptr<WorkbookReader> MakeOdsReader();
std::unique_ptr<WorkbookReader> MakeXlsReader();

// Messages the readers share.
QString TooManyCellsMessage(const QString &path);
QString NoSheetsMessage(const QString &path);
QString ProtectedMessage(const QString &path);
QString DamagedMessage(const QString &path, const QString &reason);

} // namespace tera
