#pragma once
#include "outcome.h"
#include "text_file.h"

#include <QList>
#include <QString>

namespace tera {

// Workbooks read as sources: .xlsx/.xlsm (Office Open XML), .ods
// (OpenDocument) and .xls (Excel 97-2003). The kind is told by the file's
// content, not its name; a ".xls" that is really an HTML table or a CSV (as
// web systems hand them out) is None here and read as what it is.
enum class SpreadsheetKind { None, Xlsx, Ods, Xls };

SpreadsheetKind SpreadsheetKindOf(const QString &path);
// True for the file names a workbook goes by (.xlsx, .xlsm, .xls, .ods), in
// any case.
bool HasSpreadsheetName(const QString &path);

struct SheetInfo {
    QString name;
    int rows = 0; // without the trailing empty rows and columns
    int cols = 0;
    bool hidden = false;
};

// One sheet read as the text the clerk sees in each cell.
struct SheetTable {
    TextTable table;
    QString sheetName;
    int sheetIndex = -1;
    int sheetCount = 0;
    int hiddenRows = 0; // within the table
    int hiddenCols = 0;
    // What the file turned out to be when it was no workbook ("HTML", "CSV").
    QString readAs;
};

// Limits that keep a damaged or hostile workbook from exhausting memory or
// time: the bytes one ZIP entry may inflate to, and the cells a table may hold.
constexpr qint64 kMaxInflatedEntryBytes = qint64(1024) * 1024 * 1024;
constexpr qint64 kMaxSheetCells = 50'000'000;

// The sheets of a workbook, in the workbook's order, and the one it opens
// on (its active sheet).
Outcome ListSheets(const QString &path, QList<SheetInfo> &sheets, int &activeSheet);

// Reads one sheet. choice is a sheet's name, or its number counted from 1
// when no sheet has that name; empty reads the active sheet. Every cell is
// the text the spreadsheet program shows for it; merged cells keep their
// value in the top-left cell; hidden rows and columns are read and counted;
// trailing empty rows and columns are dropped. A warning result says what
// the clerk should know (hidden rows, a file that was no workbook).
Outcome ReadSheet(const QString &path, const QString &choice, SheetTable &out);

// The note that a sheet had hidden rows or columns; empty when none.
QString HiddenCellsNote(const SheetTable &sheet);

} // namespace tera
