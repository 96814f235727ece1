#pragma once
#include "grid_row.h"

#include <QList>
#include <QStringView>

namespace tera {

// The grid's sort modes: the number is what the sort dialog hands over.
enum GridSortMode : int {
    SortNone = 0,
    SortGenericAscending = 1,   // a key compares as a number when it is one, else as text
    SortGenericDescending = 2,
    SortNumericAscending = 3,   // keys read as numbers (the leading number, 0 for none)
    SortNumericDescending = 4,
    SortNoCaseAscending = 5,    // text ignoring letter case
    SortNoCaseDescending = 6,
    SortCaseAscending = 7,      // text respecting letter case
    SortCaseDescending = 8,
    SortCustom = 9,             // Japanese collation (kana order, numbers by value)
    SortUseColSort = 10,        // every key column by its own mode
};

// A number as users type it: blanks around it (the ideographic space too), a
// sign, ASCII or full-width digits, commas between digit groups, one decimal
// point. ParseNumber wants the whole text to be such a number; LeadingNumber
// reads the number at the start of the text and gives 0 when there is none.
bool ParseNumber(QStringView text, double &value);
double LeadingNumber(QStringView text);

struct SortKey {
    int col;
    int mode; // 1 to 9; any other mode leaves the column out of the comparison
};

// Sorts rows first..last (inclusive) on the keys, the first key deciding first.
// Rows whose keys all compare equal keep their order (the sort is stable).
void SortRows(QList<GridRow> &rows, int first, int last, const QList<SortKey> &keys);

} // namespace tera
