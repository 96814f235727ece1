#pragma once
#include <QString>
#include <QStringList>

namespace tera {
struct DatabaseFiles;
class Database;
class Prompt;
class ProgressObserver;

// The outcome of a backup: ok is false when an existing file could not be
// copied whole; failure then says why, with the system's reason. made lists
// the copies written.
struct BackupResult {
    bool ok = true;
    QStringList made;
    QString failure;
};

namespace BackupText {
// The first line of CopyIfPresent's message; the second names the file.
inline const QString kNoSource = QStringLiteral("元になるファイルがありません。");
QString noSource(const QString &path);
// kako.rnd is made by the first death-register import: before it there is
// nothing to back up, which is no warning.
QString kakoNotYet(const QString &kakoPath);
} // namespace BackupText

// Copies tera.mdb and kako.rnd to tera2.mdb and kako2.rnd beside them, one
// generation deep, under the run lock the caller holds. A SQLite database is
// copied through the engine's backup (one committed state, also while another
// program holds it open); an Access file as a file. Both new copies are made
// whole before either replaces the previous pair, and the two renames are
// written down first (kako.rnd.pair), so a failure leaves the previous pair
// as it was, a kill between the renames is finished by the next run, and the
// two backups always belong to the same moment. A kako.rnd that does not exist
// yet is noted (and a kako2.rnd of an earlier pair removed); a missing
// tera.mdb is reported by CopyIfPresent's message. Neither is a failure.
BackupResult BackupDatabase(const DatabaseFiles &files, Prompt &prompt, ProgressObserver *progress = nullptr);

// Copies source to destination, whole or not at all, when the source
// exists; says so (naming the file) and returns false when it does not. A
// copy that fails returns false without a message, the reason in failure.
bool CopyIfPresent(const QString &source, const QString &destination, Prompt &prompt, QString *failure = nullptr);

// Moves every reference to household oldNo over to newNo in D_KOJIN,
// D_OMAIRI, W_KAIKI, W_KAKO and W_OMAIRI. An empty number does nothing.
void RenumberHousehold(Database &db, const QString &oldNo, const QString &newNo);

} // namespace tera
