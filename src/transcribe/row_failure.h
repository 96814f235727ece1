#pragma once
#include <QString>

namespace tera {

// A failure the user must act on, at a place of the import table: the row
// (1 = first data row, 0 = the run as a whole), the column where known and
// why. A row procedure throws it to stop its row at once; the driver rolls
// the row back and reports it.
struct RowFailure {
    int row = 0;
    int column = -1;
    QString reason;
};

// A member procedure's database failure, after its critical message: the
// run keeps the rows before it, takes the row back and reports that the
// program is to end (TranscribeReport::Outcome::Ended). Ending it is the
// front end's business.
struct ProgramEndingFailure {
    QString reason;
};

} // namespace tera
