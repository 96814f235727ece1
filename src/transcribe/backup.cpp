#include "transcribe/backup.h"

#include "model/run_settings.h"
#include "platform/database.h"
#include "platform/file_io.h"
#include "platform/prompt.h"
#include "transcribe/household_writer.h"
#include "transcribe/pair_files.h"
#include "transcribe/progress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tera {

namespace {

const QString kBackupLabel = QStringLiteral("既存データをバックアップ保存してます。暫くお待ちください。");
const QString kCrLf = QStringLiteral("\r\n");

QString native(const QString &path) { return QDir::toNativeSeparators(path); }

// How long the backup waits for another program that holds the database
// locked while it writes, as long as a run waits for a row.
constexpr int kBackupLockWaitMs = 30000;

// The copy of source, whole and on disk, beside destination. A SQLite
// database is copied through the engine: a copy of the file's bytes could
// miss what its write-ahead log holds, or catch a write half done. False
// when the source is missing (said through prompt) or the copy failed (the
// reason in failure).
bool stageCopy(const QString &source, const QString &destination, Prompt &prompt, StagedCopy &copy, QString &failure)
{
    if (!QFileInfo(source).isFile()) {
        prompt.message(BackupText::noSource(source), Icon::Exclamation);
        return false;
    }
    QString why;
    const bool made = Database::detect(source) == FileKind::SQLite
                          ? copy.makeSqlite(source, destination, kBackupLockWaitMs, why)
                          : copy.make(source, destination, why);
    if (!made)
        failure = QStringLiteral("%1 を %2 にコピーできません。").arg(native(source), native(destination)) + kCrLf + why;
    return made;
}

} // namespace

QString BackupText::noSource(const QString &path) { return kNoSource + kCrLf + native(path); }

QString BackupText::kakoNotYet(const QString &kakoPath)
{
    return QStringLiteral("kako.rnd はまだありません。バックアップするものはありません。") + kCrLf + native(kakoPath);
}

bool CopyIfPresent(const QString &source, const QString &destination, Prompt &prompt, QString *failure)
{
    QString why;
    StagedCopy copy;
    if (stageCopy(source, destination, prompt, copy, why) && copy.replace(destination, why))
        return true;
    if (failure)
        *failure = why;
    return false;
}

BackupResult BackupDatabase(const DatabaseFiles &files, Prompt &prompt, ProgressObserver *progress)
{
    BackupResult result;
    if (progress)
        progress->status(kBackupLabel);
    auto fail = [&](const QString &why) {
        result.ok = false;
        result.failure = why;
        // The driver's question that follows has fixed words: the cause is
        // told here.
        prompt.message(QStringLiteral("バックアップを作れませんでした。") + kCrLf + why, Icon::Exclamation);
        return result;
    };

    const bool kakoPresent = QFileInfo(files.kako).isFile();
    if (!kakoPresent)
        prompt.message(BackupText::kakoNotYet(files.kako), Icon::Information);

    // Both copies are made whole beside their backup names first; the
    // previous pair stays until both are.
    StagedCopy kako, db;
    QString failure;
    if (kakoPresent && !stageCopy(files.kako, files.kakoBackup, prompt, kako, failure))
        return fail(failure);
    const bool dbPresent = QFileInfo(files.database).isFile();
    if (!stageCopy(files.database, files.databaseBackup, prompt, db, failure) && dbPresent)
        return fail(failure);
    if (!db.isMade())
        return result; // no database, no backup: the run meets it itself

    // Then the renames, written down first: a kill between them is finished
    // by the next run, so that tera2.mdb and kako2.rnd always belong to one
    // moment. A kako2.rnd of an earlier pair goes when kako.rnd did not
    // exist: a restore would put it back beside a database that never knew it.
    PairManifest manifest{QStringLiteral("backup"), {}};
    const QString kakoName = QFileInfo(files.kakoBackup).fileName();
    manifest.moves << PairMove{kako.isMade() ? QFileInfo(kako.path()).fileName() : QString(), kakoName};
    manifest.moves << PairMove{QFileInfo(db.path()).fileName(), QFileInfo(files.databaseBackup).fileName()};
    if (!WritePairManifest(files, manifest, failure))
        return fail(failure);
    // From here the manifest owns the copies.
    kako.release();
    db.release();
    if (!CarryOutPairMoves(files, manifest, failure, "backup-between-renames")) {
        // The manifest stays: the next run finishes the moves.
        return fail(failure);
    }
    if (kakoPresent)
        result.made << files.kakoBackup;
    result.made << files.databaseBackup;
    return result;
}

void RenumberHousehold(Database &db, const QString &oldNo, const QString &newNo)
{
    if (newNo.trimmed().isEmpty() || oldNo.trimmed().isEmpty())
        return;
    const QString A = SixDigits(newNo.trimmed());
    const QString B = SixDigits(oldNo.trimmed());
    const qlonglong a = A.toLongLong();
    const qlonglong b = B.toLongLong();
    db.execute(QStringLiteral("UPDATE [D_KOJIN] SET [SETAI_NO] = ? WHERE [SETAI_NO] = ?"), {A, B});
    db.execute(QStringLiteral("UPDATE [D_OMAIRI] SET [世帯CD] = ? WHERE [世帯CD] = ?"), {A, B});
    db.execute(QStringLiteral("UPDATE [W_KAIKI] SET [世帯CD] = ? WHERE [世帯CD] = ?"), {A, B});
    db.execute(QStringLiteral("UPDATE [W_KAKO] SET [世帯ID] = ?, [世帯CD] = ? WHERE [世帯CD] = ?"), {A, a, b});
    db.execute(QStringLiteral("UPDATE [W_OMAIRI] SET [世帯ID] = ?, [世帯CD] = ? WHERE [世帯CD] = ?"), {A, a, b});
}

} // namespace tera
