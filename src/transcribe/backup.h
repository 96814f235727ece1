#pragma once
#include <QString>
#include <QStringList>

namespace tera {
struct AppState;
class Database;
class Prompt;
class ProgressObserver;

// The outcome of a backup: ok is false when an old copy could not be removed
// or an existing file could not be copied; made lists the copies written.
struct BackupResult {
    bool ok = true;
    QStringList made;
    QString failure;
};

// Copies tera.mdb and kako.rnd to tera2.mdb and kako2.rnd beside them, one
// generation deep. A missing source is reported with its message and is no
// failure of the backup.
BackupResult BackupDatabase(const AppState &state, Prompt &prompt, ProgressObserver *progress = nullptr);

// Copies source to destination when the source exists; says so and returns
// false when it does not. A copy that fails returns false without a message.
bool CopyIfPresent(const QString &source, const QString &destination, Prompt &prompt, QString *failure = nullptr);

// Moves every reference to household oldNo over to newNo in D_KOJIN,
// D_OMAIRI, W_KAIKI, W_KAKO and W_OMAIRI. An empty number does nothing.
void RenumberHousehold(Database &db, const QString &oldNo, const QString &newNo);

} // namespace tera
