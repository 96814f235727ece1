#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tera {
struct DatabaseFiles;
class Prompt;

// Restore: puts the backup copies tera2.mdb and kako2.rnd that every
// transcription makes back in place of tera.mdb and kako.rnd, so that a run
// that went wrong can be undone without a file manager. The files it
// replaces are kept beside them as tera.mdb.before-restore and
// kako.rnd.before-restore (.2, .3, ... when a restore was made before), so
// that a restore made by mistake is not the end of the data either.
//
// Nothing is replaced until everything is ready: each backup is first copied
// into a temporary file beside its target and checked there (the size, and
// SQLite's integrity check for a SQLite database), and the current files are
// copied to their kept names; only then do the checked copies take the
// targets' places, each by one rename.

// What a restore would do.
struct RestorePlan {
    QString db, kako;           // the files put back
    QString tera2, kako2;       // the backups
    QString dbAside, kakoAside; // the names the current files are kept under (kakoAside when kako.rnd exists)
    bool tera2Present = false;
    bool kako2Present = false;
    bool kakoPresent = false;
    QDateTime tera2Time, kako2Time; // when the backups were written
    bool dbLocked = false;          // an Access lock file (.ldb/.laccdb) lies beside the database
};

RestorePlan PlanRestore(const DatabaseFiles &files);

// The confirmation: the backups with their times and what becomes of the
// current files, then "元に戻しますか？".
QString RestoreQuestion(const RestorePlan &plan);

// The name of the copy a restore keeps of a file it replaces: path +
// ".before-restore", or with ".2", ".3", ... added when that name is taken,
// so that no earlier copy is ever overwritten.
QString BeforeRestorePath(const QString &path);

namespace RestoreText {
QString noBackup(const QString &tera2Path);
inline const QString kDone = QStringLiteral("バックアップから元に戻しました。");
inline const QString kStopped = QStringLiteral("処理を中止します");
} // namespace RestoreText

struct RestoreResult {
    // Locked: another transcription or restore held the database.
    enum class Outcome { Restored, NoBackup, Declined, Failed, Locked };
    Outcome outcome = Outcome::Failed;
    QStringList restored;  // the files written from a backup
    QStringList keptAside; // the copies kept of the replaced files
    QStringList removed;   // kako.rnd, when the backup was made before it existed
    QString failure;       // with the system's reason
};

// Asks (prompt, Yes/No) and restores. Says through prompt when there is no
// backup, when the user declines, what failed, and when it is done. A
// failure before anything was replaced leaves every file as it was; a
// failure after tera.mdb was replaced puts it back from its kept copy, and
// the message says which files are in which state.
RestoreResult RestoreFromBackup(const DatabaseFiles &files, Prompt &prompt);

} // namespace tera
