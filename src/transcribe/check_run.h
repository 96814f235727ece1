#pragma once
#include "transcribe/transcribe.h"

#include <QList>
#include <QString>

namespace tera {
struct MasterData;
struct RunSettings;
class Clock;
class Database;
class ImportTable;
class ProgressObserver;
struct TranscribeContext;

// The check before writing (検証): the transcription run whole, with the very
// same cell assignment, lookups and row procedures, on scratch copies of
// tera.mdb (in memory for a SQLite file) and kako.rnd in a temporary folder. Nothing of the real database,
// kako.rnd or the backups is written; the copies are thrown away afterwards.
// What the run did on the copies is what a transcription started now would do.

// What a finding is about, in the order of their weight.
enum class CheckKind {
    Stop,       // a failure that stops the transcription at this row
    NotWritten, // a writer failure: the row is left out whole, the run goes on
    Skip,       // the rules skip the row
    Duplicate,  // an append row that repeats a row the database holds
    Unreadable, // a value that cannot be read and is written as 0 or blank
    Notice,     // the run as a whole: deletions of replace mode, the backup
    Created,    // a household (and member) the row creates besides its own
    Deceased,   // a member the row marks deceased
    Renumbered, // a household whose references move to a new number
    Updated,    // an existing member row written over
    KakoText,   // text that kako.rnd cannot hold (cut, or "?" in CP932)
};

// The word the lists show for a kind.
QString CheckKindName(CheckKind kind);

struct CheckFinding {
    int row = 0;     // import-table row (1 = first data row); 0 the run as a whole
    int column = -1; // import-table column where known
    CheckKind kind = CheckKind::Notice;
    QString text;
    int replacedChars = 0; // KakoText: characters written as "?" in kako.rnd
};

struct CheckReport {
    // False when the check could not be made (failure says why); nothing is
    // known about the rows then.
    bool made = false;
    QString failure;
    // What the run on the copies did: rows read, written, skipped, and the
    // stops (TranscribeReport::stops) of every row that would stop a real run.
    TranscribeReport run;
    // Per row, in row order; findings of the run as a whole (row 0) first.
    QList<CheckFinding> findings;

    // The first row at which a transcription would stop (0: it cannot even
    // start), -1 when none would.
    int firstStopRow() const;
    // True when a transcription started now would stop before its end (or
    // the check could not tell).
    bool stops() const { return !made || firstStopRow() >= 0; }
    int count(CheckKind kind) const;
    int replacedChars() const;
    // What a transcription started now would write: every row the run on the
    // copies wrote, or, when a row would stop it, only those before that row
    // (the check goes on past a stop; the real run does not).
    int rowsWrittenBeforeStop() const;
};

// Copies the SQLite database file at path into target (an empty SQLite
// database, in memory for the check) with the engine's backup, which reads
// one committed state even while another connection writes. Waits up to
// lockWaitMs for a connection that holds the file locked. Never writes path.
// False with the reason in failure.
bool CopySqliteInto(const QString &path, Database &target, int lockWaitMs, QString &failure);

// The part of the check that needs no writing: every row's cells read as
// the run reads them (the same cell assignment, with ctx's era table and
// master data, the working texts carried from row to row), nothing written.
// Returns the rows with a cell to correct, each of which would stop a run
// at its row; a transcription looks for them before it writes anything.
// Passes on DbError when the era table cannot be read. With
// yearsWithoutEra, also gives the years of death (from 明治 on) that
// M_年号 holds no era for: their entries would be written without one.
QList<RowStop> FindRowsToCorrect(const ImportTable &importTable, TranscribeContext &ctx, qint16 kind,
                                 QList<qint16> *yearsWithoutEra = nullptr);

// The rows a run refused to start for (TranscribeReport::rowsToCorrect) as
// a check's report, so that a front end lists them as 検証 lists its stops:
// one Stop finding per row, with its column and reason.
CheckReport RowsToCorrectReport(const TranscribeReport &run);

// Runs the check over the import table as state says (kind, mode, paths)
// with the master data master, on copies of the files. A progress
// observer sees "n 番目のデータを検証しています" and may cancel; the rows
// checked up to then are reported.
// skipDuplicates checks a run that leaves likely duplicates out.
CheckReport CheckTranscription(const ImportTable &importTable, const RunSettings &state, const MasterData &master, const Clock &clock,
                               ProgressObserver *progress = nullptr, bool skipDuplicates = false);

// The check's closing note: rows, what will be written, and whether the run
// would stop.
QString CheckSummaryText(const CheckReport &report);
// Its one-line summary, as the command line prints it first: "書込 8 行、9
// 行目で停止（…）" when a row would stop the run.
QString CheckSummaryLine(const CheckReport &report);

// Progress texts of the check.
namespace CheckText {
inline const QString kChecking = QStringLiteral("データを検証しています");
QString rowProgress(int row);
} // namespace CheckText

// The findings as table rows: 行, 列, 区分, 内容 (and a heading row first).
// headings names the import-table columns (row 0 of the import grid) for the
// 列 cell; may be empty.
QList<QStringList> CheckFindingRows(const CheckReport &report, const QStringList &headings);

// Writes the findings as comma-separated text with CR LF line ends, as
// spreadsheet programs on Windows expect: in CP932 when every character fits
// (else UTF-8 with a byte-order mark), or in UTF-8 with a byte-order mark when
// utf8 is set. False with the reason in error.
bool SaveCheckCsv(const CheckReport &report, const QStringList &headings, const QString &path, QString &error,
                  bool utf8 = false);

} // namespace tera
