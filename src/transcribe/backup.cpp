#include "transcribe/backup.h"

#include "model/run_settings.h"
#include "platform/database.h"
#include "platform/file_io.h"
#include "platform/prompt.h"
#include "transcribe/household_writer.h"
#include "transcribe/progress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>
#include <vector>

namespace tera {

namespace {

const QString kBackupLabel = QStringLiteral("既存データをバックアップ保存してます。暫くお待ちください。");
const QString kCrLf = QStringLiteral("\r\n");

QString native(const QString &path) { return QDir::toNativeSeparators(path); }

// A SQLite database whose write-ahead log still holds pages is folded into
// the main file first, so that the copy of the file alone is the whole
// database.
void checkpointIfLogged(const QString &path)
{
    if (!QFileInfo::exists(path + QStringLiteral("-wal")) || Database::detect(path) != FileKind::SQLite)
        return;
    std::unique_ptr<Database> db = Database::open(path);
    db->exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")).finish();
    db->close();
}

// The copy of source, whole and checked, in a temporary file that takes
// destination's place only on commit(). Null when the source is missing (said
// through prompt) or the copy failed (the reason in failure).
std::unique_ptr<QSaveFile> stageCopy(const QString &source, const QString &destination, Prompt &prompt, QString &failure)
{
    if (!QFileInfo(source).isFile()) {
        prompt.message(BackupText::noSource(source), Icon::Exclamation);
        return nullptr;
    }
    const QString cannot = QStringLiteral("%1 を %2 にコピーできません。").arg(native(source), native(destination));
    try {
        checkpointIfLogged(source);
    } catch (const DbError &e) {
        failure = cannot + kCrLf + e.description();
        return nullptr;
    }
    auto out = std::make_unique<QSaveFile>(destination);
    if (!out->open(QIODevice::WriteOnly)) {
        failure = cannot + kCrLf + WriteFailureText(destination, *out);
        return nullptr;
    }
    const Outcome copied = CopyInto(source, *out, destination);
    if (!copied.ok) {
        failure = cannot + kCrLf + copied.message;
        out->cancelWriting();
        return nullptr;
    }
    return out;
}

bool commitCopy(QSaveFile &out, QString &failure)
{
    if (out.commit())
        return true;
    failure = QStringLiteral("%1 を置き換えられません。").arg(native(out.fileName())) + kCrLf
              + WriteFailureText(out.fileName(), out);
    return false;
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
    std::unique_ptr<QSaveFile> out = stageCopy(source, destination, prompt, why);
    if (out && commitCopy(*out, why))
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

    // Each copy is made whole beside its backup name first; only when both
    // are whole do they replace the previous pair. The uncommitted copies
    // are discarded on every way out.
    std::vector<std::unique_ptr<QSaveFile>> staged;
    QString failure;
    if (kakoPresent) {
        staged.push_back(stageCopy(files.kako, files.kakoBackup, prompt, failure));
        if (!staged.back())
            return fail(failure);
    }
    const bool dbPresent = QFileInfo(files.database).isFile();
    std::unique_ptr<QSaveFile> db = stageCopy(files.database, files.databaseBackup, prompt, failure);
    if (dbPresent && !db)
        return fail(failure);

    // A kako2.rnd of an earlier pair does not belong to the new tera2.mdb: a
    // restore would put it back beside a database that never knew it.
    if (db && !kakoPresent && QFileInfo::exists(files.kakoBackup)) {
        QFile old(files.kakoBackup);
        if (!old.remove())
            return fail(QStringLiteral("古いバックアップ %1 を削除できません（%2）。").arg(native(files.kakoBackup), old.errorString()));
    }
    if (db)
        staged.push_back(std::move(db));
    for (const std::unique_ptr<QSaveFile> &copy : staged) {
        if (!commitCopy(*copy, failure))
            return fail(failure);
        result.made << copy->fileName();
    }
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
