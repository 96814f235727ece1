#include "transcribe/backup.h"

#include "app/app_state.h"
#include "platform/database.h"
#include "platform/prompt.h"
#include "transcribe/household_writer.h"
#include "transcribe/progress.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tera {

namespace {

const QString kBackupLabel = QStringLiteral("既存データをバックアップ保存してます。暫くお待ちください。");
const QString kNoSource = QStringLiteral("元になるファイルがありません。");

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

} // namespace

bool CopyIfPresent(const QString &source, const QString &destination, Prompt &prompt, QString *failure)
{
    if (!QFileInfo(source).isFile()) {
        prompt.message(kNoSource, Icon::Exclamation);
        return false;
    }
    try {
        checkpointIfLogged(source);
    } catch (const DbError &e) {
        if (failure)
            *failure = e.description();
        return false;
    }
    QFile in(source);
    QSaveFile out(destination);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        if (failure)
            *failure = QStringLiteral("%1 を %2 にコピーできません: %3")
                           .arg(source, destination, in.isOpen() ? out.errorString() : in.errorString());
        return false;
    }
    // Written to a temporary file and renamed at the end: a copy is whole or
    // absent, never half a database.
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
            break;
        if (out.write(chunk) != chunk.size())
            break;
    }
    if (in.error() != QFileDevice::NoError || !out.commit()) {
        if (failure)
            *failure = QStringLiteral("%1 を %2 にコピーできません: %3").arg(source, destination, out.errorString());
        return false;
    }
    return true;
}

BackupResult BackupDatabase(const AppState &state, Prompt &prompt, ProgressObserver *progress)
{
    BackupResult result;
    if (progress)
        progress->status(kBackupLabel);
    for (const QString &old : {state.gKako2Path, state.gTera2Path}) {
        if (QFileInfo::exists(old) && !QFile::remove(old)) {
            result.ok = false;
            result.failure = QStringLiteral("古いバックアップ %1 を削除できません。").arg(old);
            return result;
        }
    }
    const std::pair<QString, QString> copies[] = {{state.gKakoPath, state.gKako2Path}, {state.gDbPath, state.gTera2Path}};
    for (const auto &[source, destination] : copies) {
        const bool present = QFileInfo(source).isFile();
        QString failure;
        if (CopyIfPresent(source, destination, prompt, &failure)) {
            result.made << destination;
        } else if (present) {
            // An existing file that could not be copied leaves no way back:
            // the caller must ask before going on.
            result.ok = false;
            if (result.failure.isEmpty())
                result.failure = failure;
        }
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
