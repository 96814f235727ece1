#pragma once
#include <QString>

namespace tera {

// A failure the user must act on, at a place of the import table: the row
// (1 = first data row, 0 = the run as a whole), the column where known (the
// driver fills in the cell it was on) and why. A row procedure throws it to
// stop its row at once. A failed lookup only costs its row: the driver rolls
// it back, reports it and goes on. A cell the user must correct stops the
// run at its row (a check lists it and goes on).
struct RowFailure {
    int row = 0;
    int column = -1;
    QString reason;
    bool stopsRun = false;

    static RowFailure cell(const QString &reason) { return {0, -1, reason, true}; }
};

// A member procedure's database failure, after its critical message: the
// run keeps the rows before it, takes the row back and reports that the
// program is to end (TranscribeReport::Outcome::Ended). Ending it is the
// front end's business.
struct ProgramEndingFailure {
    QString reason;
};

} // namespace tera
