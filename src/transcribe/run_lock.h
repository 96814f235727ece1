#pragma once
#include <QString>

#include <memory>

class QLockFile;

namespace tera {

// One run at a time per database: a transcription and a restore hold this
// lock beside the database (tera.mdb.run-lock) for their whole length, the
// backup included. A lock left by a killed process is taken over (QLockFile
// knows a dead owner by its process id).
class RunLock {
public:
    explicit RunLock(const QString &dbPathOrConnection);
    ~RunLock();
    RunLock(const RunLock &) = delete;
    RunLock &operator=(const RunLock &) = delete;

    // Takes the lock without waiting. False with the message in refusal
    // when another run holds it (busy() is then true) or the lock cannot be
    // made at all (a read-only folder).
    bool tryTake(QString &refusal);
    bool busy() const { return m_busy; }
    QString path() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    bool m_busy = false;
};

// The lock file of a database (a file path, or an ODBC connection string,
// whose lock lives in the temporary folder).
QString RunLockPath(const QString &dbPathOrConnection);

} // namespace tera
