#pragma once
#include <QString>

namespace tera {

// A cell whose value is stored other than it reads: a number that is no
// number (stored as 0), a negative age, a registration date that is no
// date. The cell assignment records them for the row, so that a run of
// thousands of rows asks nothing and still says afterwards which values to
// look at: the check lists them, the run report keeps those of the rows
// written.
struct ValueNotice {
    int column = -1; // import-table column (the link item)
    QString value;   // the cell as it stands, trimmed
    QString reason;  // the whole message: what was read and what is stored
};

// The notice as one line of its row: "7 列目: 享年「-5」は負の数です。…".
inline QString ValueNoticeLine(const ValueNotice &n)
{
    return n.column >= 0 ? QStringLiteral("%1 列目: %2").arg(n.column).arg(n.reason) : n.reason;
}

} // namespace tera
