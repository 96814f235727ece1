#pragma once
#include <QString>
#include <stdexcept>

namespace tera {

// A failure of the database engine: a number and a description, as the
// callers report or clear them.
class DbError : public std::runtime_error {
public:
    DbError(int number, const QString &description)
        : std::runtime_error(description.toStdString()), m_number(number), m_description(description) {}
    int number() const { return m_number; }
    QString description() const { return m_description; }

    // Failures whose cause lies outside the row, which every later row would
    // meet too.
    enum class Cause {
        None,
        Lock,     // another connection (the temple product) held a lock the statement needed
        DiskFull, // no space left for the database or its journal
        ReadOnly, // the file or its folder cannot be written
        Io,       // the disk refused a read or a write
    };
    Cause cause() const { return m_cause; }
    bool isLockConflict() const { return m_cause == Cause::Lock; }
    DbError &setCause(Cause cause)
    {
        m_cause = cause;
        return *this;
    }
    DbError &markLockConflict() { return setCause(Cause::Lock); }

private:
    int m_number;
    QString m_description;
    Cause m_cause = Cause::None;
};

} // namespace tera
