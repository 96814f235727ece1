#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tera {
struct AppState;
class Prompt;

// Restore: puts the backup copies tera2.mdb and kako2.rnd that every
// transcription makes back in place of tera.mdb and kako.rnd, so that a run
// that went wrong can be undone without a file manager. The files it
// replaces are kept beside them as tera.mdb.before-restore and
// kako.rnd.before-restore, so that a restore made by mistake is not the end
// of the data either.

// What a restore would do.
struct RestorePlan {
    QString db, kako;     // the files put back
    QString tera2, kako2; // the backups
    bool tera2Present = false;
    bool kako2Present = false;
    bool kakoPresent = false;
    QDateTime tera2Time, kako2Time; // when the backups were written
    bool dbLocked = false;          // an Access lock file (.ldb/.laccdb) lies beside the database
};

RestorePlan PlanRestore(const AppState &state);

// The confirmation: the backups with their times and what becomes of the
// current files, then "元に戻しますか？".
QString RestoreQuestion(const RestorePlan &plan);

// The name of the copy a restore keeps of a file it replaces.
QString BeforeRestorePath(const QString &path);

namespace RestoreText {
QString noBackup(const QString &tera2Path);
inline const QString kDone = QStringLiteral("バックアップから元に戻しました。");
inline const QString kStopped = QStringLiteral("処理を中止します");
} // namespace RestoreText

struct RestoreResult {
    enum class Outcome { Restored, NoBackup, Declined, Failed };
    Outcome outcome = Outcome::Failed;
    QStringList restored; // the files written from a backup
    QStringList keptAside;
    QStringList removed;  // kako.rnd, when the backup was made before it existed
    QString failure;
};

// Asks (prompt, Yes/No) and restores. Says through prompt when there is no
// backup, when the user declines, what failed, and when it is done. A
// failure leaves the .before-restore copies in place; the message says which
// files were already put back.
RestoreResult RestoreFromBackup(const AppState &state, Prompt &prompt);

} // namespace tera
