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

    // Another connection (the temple product, another program) held a lock
    // that the statement needed. Such a failure is nobody's fault in the
    // row: the run waits and tries the row again instead of reporting it.
    bool isLockConflict() const { return m_lockConflict; }
    DbError &markLockConflict()
    {
        m_lockConflict = true;
        return *this;
    }

private:
    int m_number;
    QString m_description;
    bool m_lockConflict = false;
};

} // namespace tera
