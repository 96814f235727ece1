#pragma once
#include "transcribe/backup.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tera {
struct AppState;
class Clock;
class GridModel;
class Prompt;
class ProgressObserver;
struct TranscribeContext;

// The texts of the run's questions and messages.
namespace TranscribeText {
QString backupFailedQuestion();
QString replaceQuestion();
inline const QString kStopped = QStringLiteral("処理を中止します");
inline const QString kProgress = QStringLiteral("データを転記してます");
QString rowProgress(int row);
} // namespace TranscribeText

// A place in the import table as messages name it: "3 行目（10 列目「戒名」）",
// "全体" for no row, the column part only when one is known.
QString RowPlace(const GridModel &vsf, int row, int column);

// One row that was read but not written, and why.
struct RowNote {
    int row = 0;    // import-table row (1 = first data row)
    QString reason;
};

// A failure that stops a run at a row (or, in a run that goes on past
// failures, would have stopped it).
struct RowStop {
    int row = 0;
    int column = -1;  // import-table column where known
    QString reason;
    bool endsProgram = false; // a member procedure's end of the program
};

// What a run did: the windows and the command line show it, and the run
// report keeps it.
struct TranscribeReport {
    enum class Outcome {
        Completed,       // every row was read
        BackupDeclined,  // the backup failed and the user did not go on
        ReplaceDeclined, // the user did not confirm the deletion
        Cancelled,       // the user stopped the run between two rows
        Failed,          // a failure stopped the run; rows before it stay written
        Ended,           // a member procedure ended the program
    };
    Outcome outcome = Outcome::Completed;
    int rowsRead = 0;     // data rows handed to the row procedures
    int rowsWritten = 0;
    QList<RowNote> skipped;    // rows the rules skip (no name, household exists, ...)
    QList<RowNote> rolledBack; // rows whose writers reported a failure: nothing of them was kept
    QString failure;           // why the run stopped (Failed)
    int failureRow = -1;
    int failureColumn = -1;
    BackupResult backup;
    qint64 kakoReplacedChars = 0; // characters kako.rnd could not hold (written as "?")
    qint32 firstKakoCd = 0;       // death register: the entry numbers written
    qint32 lastKakoCd = 0;
    // Only in a run that goes on past failures: every row that would have
    // stopped an ordinary run, in order.
    QList<RowStop> stops;

    // Values of the rows written that were stored other than they read (a
    // number that is no number, a negative age, ...), one per value, its
    // column named in the reason (ValueNoticeLine).
    QList<RowNote> valueNotices;
    bool ok() const { return outcome == Outcome::Completed || outcome == Outcome::Cancelled; }
};

// Watches each row of a run while its transaction is open, on the run's own
// connection (ctx.db): the check before writing learns from it what the row
// procedures did.
class RowObserver {
public:
    virtual ~RowObserver() = default;
    // The cells of row are assigned to ctx's working records; the row
    // procedure of the output kind runs next.
    virtual void rowAssigned(int row, TranscribeContext &ctx)
    {
        Q_UNUSED(row);
        Q_UNUSED(ctx);
    }
    // The row procedure wrote row without a failure; it is committed next.
    virtual void rowWritten(int row, TranscribeContext &ctx)
    {
        Q_UNUSED(row);
        Q_UNUSED(ctx);
    }
};

// How a run goes besides the user's choices. The defaults are the ordinary
// transcription of the windows and the command line.
struct TranscribeOptions {
    // Copy tera.mdb and kako.rnd to tera2.mdb and kako2.rnd first. A check,
    // which works on scratch copies, makes none.
    bool backup = true;
    // Roll a row that fails back whole and go on with the next one, listing
    // it in TranscribeReport::stops, instead of stopping the run; an end of
    // the program is treated the same. The messages of such failures are not
    // shown. Only for scratch copies: a check lists every such row at once.
    bool continueAfterFailure = false;
    RowObserver *rows = nullptr;
    // Receives the report when a member procedure ends the program (the
    // exception carries none), so that the caller can still file it.
    TranscribeReport *reportOnEnd = nullptr;
};

// Transcribes the data rows of the import grid vsf (rows 1 to Rows - 1,
// columns 1 to Cols - 1) as state.gOutKind, in state.gExecMode, into the
// database state.gDbPath and kako.rnd state.gKakoPath: backup, the replace
// question and deletions, then one atomic transaction per row. Failures are
// reported through prompt with the row, the column where known and the
// reason. Throws EndProgram (after the database is closed and the current row
// rolled back) when a member procedure ends the program.
TranscribeReport Transcribe(const GridModel &vsf, AppState &state, Prompt &prompt, const Clock &clock,
                            ProgressObserver *progress = nullptr, const TranscribeOptions &options = {});

} // namespace tera
