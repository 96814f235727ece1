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

// The texts of the run's questions and messages.
namespace TranscribeText {
QString backupFailedQuestion();
QString replaceQuestion();
inline const QString kStopped = QStringLiteral("処理を中止します");
inline const QString kProgress = QStringLiteral("データを転記してます");
QString rowProgress(int row);
} // namespace TranscribeText

// One row that was read but not written, and why.
struct RowNote {
    int row = 0;    // import-table row (1 = first data row)
    QString reason;
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
    bool ok() const { return outcome == Outcome::Completed || outcome == Outcome::Cancelled; }
};

// Transcribes the data rows of the import grid vsf (rows 1 to Rows - 1,
// columns 1 to Cols - 1) as state.gOutKind, in state.gExecMode, into the
// database state.gDbPath and kako.rnd state.gKakoPath: backup, the replace
// question and deletions, then one atomic transaction per row. Failures are
// reported through prompt with the row, the column where known and the
// reason. Throws EndProgram (after the database is closed and the current row
// rolled back) when a member procedure ends the program.
TranscribeReport Transcribe(const GridModel &vsf, AppState &state, Prompt &prompt, const Clock &clock,
                            ProgressObserver *progress = nullptr);

} // namespace tera
