#pragma once
#include "platform/db_error.h"
#include "transcribe/backup.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tera {
struct MasterData;
struct RunSettings;
struct RowRecords;
class Clock;
class Database;
class ImportTable;
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
QString RowPlace(const ImportTable &importTable, int row, int column);

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
        Ended,           // a member procedure's failure: the program is to end
        Locked,          // another run held the database; nothing was written
    };
    Outcome outcome = Outcome::Completed;
    int rowsTotal = 0;    // data rows of the import table
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
    // An earlier run was killed between a kako.rnd record and its commit:
    // the record it took back before this run started (0: none).
    qint32 recoveredKakoCd = 0;
    // Only in a run that goes on past failures: every row that would have
    // stopped an ordinary run, in order.
    QList<RowStop> stops;
    // Rows with a cell to correct (a date that does not exist, a value out
    // of range), found by reading every row before anything was written:
    // the run then wrote nothing, made no backup, and these are why (Failed).
    QList<RowStop> rowsToCorrect;
    // What the run finished for a step that an earlier, killed process left
    // half done (a backup, restore or replace), in the user's words.
    QStringList settled;
    // Values of the rows written that were stored other than they read (a
    // number that is no number, a negative age, ...), one per value, its
    // column named in the reason (ValueNoticeLine).
    QList<RowNote> valueNotices;
    // Append runs: rows whose key fields (戒名, 俗名 and date of death;
    // 氏名 and date of birth; 世帯主名 and 住所) match a row the database
    // already held or the run had written. They are written all the same
    // unless TranscribeOptions::skipDuplicates, when they are in skipped too.
    QList<RowNote> duplicates;
    bool duplicatesSkipped = false; // the run was told to leave them out
    // Members: the rows written over an existing member of the same name
    // (the rest of rowsWritten are new members).
    QList<int> updatedRows;
    // Rows left unwritten because of a failure: the rows rolled back, and
    // after a stop the row that stopped the run and every row after it. Rows
    // the rules skip and rows a cancel never reached are not counted.
    int incompleteRows() const;
    // The run wrote every row it was asked to, apart from the rule skips.
    bool ok() const
    {
        return (outcome == Outcome::Completed || outcome == Outcome::Cancelled) && rolledBack.isEmpty();
    }
};

// " （新規 4 行、更新 8 行）" after the rows written, when the run wrote
// over existing members; empty otherwise.
QString NewAndUpdatedText(const TranscribeReport &report);

// Watches each row of a run while its transaction is open, on the run's own
// connection (ctx.db): the check before writing learns from it what the row
// procedures did.
class RowObserver {
public:
    virtual ~RowObserver() = default;
    // The cells of row are assigned to records; the row procedure of the
    // output kind runs next.
    virtual void rowAssigned(int row, TranscribeContext &ctx, const RowRecords &records)
    {
        Q_UNUSED(row);
        Q_UNUSED(ctx);
        Q_UNUSED(records);
    }
    // The row procedure wrote row (records as it left them) without a
    // failure; it is committed next.
    virtual void rowWritten(int row, TranscribeContext &ctx, const RowRecords &records)
    {
        Q_UNUSED(row);
        Q_UNUSED(ctx);
        Q_UNUSED(records);
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
    // Hold the database's run lock for the whole run. A check, on its own
    // scratch copies, takes none.
    bool runLock = true;
    // How long a row waits for a lock that another program holds on the
    // database before the run stops.
    int lockWaitMs = 30000;
    // Leave out the likely duplicates of an append run (see
    // TranscribeReport::duplicates) instead of writing them.
    bool skipDuplicates = false;
    // Rows are committed together, up to this many or a second's worth at a
    // time, each row in a savepoint of its own (engines without savepoints
    // commit every row). A failed row is still taken back alone.
    int batchRows = 500;
    int batchMs = 1000;
    // Run on this open connection instead of opening state.files.database (the
    // check's in-memory copy); it is left open afterwards.
    Database *database = nullptr;
};

namespace TranscribeText {
// The run stops because another program kept the database locked.
QString lockedOut(int waitedMs);
// The progress text while a row waits for such a lock.
QString waitingForLock(int row, qint64 waitedMs);
// The run stops because the database cannot be written at all (a full disk,
// a read-only file, a disk error), with the engine's own words.
QString cannotWrite(const QString &engineText, DbError::Cause cause);
// kako.rnd holds fewer records than W_KAKO has entries, or is cut inside a
// record: an append run would write over existing entries.
QString kakoBehind(qint64 records, qint64 highestKakoCd);
QString kakoCut(qint64 bytes);
// kako.rnd holds more records than W_KAKO has entries: an append run would
// number on past the end and leave records of no entry.
QString kakoAhead(qint64 records, qint64 highestKakoCd);
// The backups are left as a killed replace made them (see SettlePairFiles).
QString backupsKept(const DatabaseFiles &files);
// Rows that would stop the run, found before anything was written.
QString rowsToCorrect(const ImportTable &importTable, const QList<RowStop> &rows);
// What the run took back of a run killed between a record and its commit.
QString kakoRecovered(qint32 record, qint32 last = 0);
} // namespace TranscribeText

// A journal that a killed run left beside kakoPath: its records are kept
// when their rows were committed (W_KAKO holds the first entry) and taken
// back otherwise; the journal goes. Returns the first 過去CD taken back, 0
// when none, and the last one in *lastUndone. A journal that does not match
// kako.rnd (unreadable, another length, records that are not the pending
// ones, or an undo that would cut entries W_KAKO holds) is not acted on: it
// is kept under another name and *setAside says so. Throws DbError or
// KakoRndError.
qint32 SettleKakoJournal(Database &db, const QString &kakoPath, qint32 *lastUndone = nullptr,
                         QString *setAside = nullptr);

// Transcribes the data rows of the import table (rows 1 to Rows - 1,
// columns 1 to Cols - 1) as state.outputKind, in state.executionMode, into the
// database state.files.database and kako.rnd state.files.kako: backup, the replace
// question and deletions, then one atomic transaction per row. Failures are
// reported through prompt with the row, the column where known and the
// reason. A member procedure's database failure ends the run with
// Outcome::Ended (the rows before it kept, its own rolled back, the database
// closed): the caller then ends the program.
//
// Before anything is written, the backup included: the run lock is taken
// (another run: Outcome::Locked), a kako.rnd record that a killed run left
// uncommitted is taken back, the masters M_年号, OMAIRI and M_KBN must be
// readable, and an append to the death register must not number into
// existing entries. A row that meets another program's lock waits for it
// (TranscribeOptions::lockWaitMs) and is tried again whole; a row that still
// cannot get the lock stops the run.
//
// The run reads state and master and writes neither: what it changes of the
// master data for the rest of the run, it changes in a copy of its own.
TranscribeReport Transcribe(const ImportTable &importTable, const RunSettings &state, const MasterData &master, Prompt &prompt,
                            const Clock &clock, ProgressObserver *progress = nullptr,
                            const TranscribeOptions &options = {});

} // namespace tera
