#pragma once
#include <QString>

namespace tera {

// The outcome of a file operation of the platform layer (reading, writing,
// copying a file, loading or saving the grid). Failures come back as values
// rather than exceptions so that they never unwind through Qt's event loop;
// exceptions are left to the database (DbError).
//   ok false: nothing was changed (the table, or the file on disk);
//   ok true with a message: done, but the message warns of what was wrong.
// Messages are complete Japanese sentences that name the file, and the line
// where one applies (badLine, counted from 1; 0 when none applies).
struct Outcome {
    bool ok = true;
    QString message;
    qint64 badLine = 0;

    bool hasWarning() const { return ok && !message.isEmpty(); }

    static Outcome failure(const QString &message, qint64 badLine = 0) { return {false, message, badLine}; }
    static Outcome warning(const QString &message, qint64 badLine = 0) { return {true, message, badLine}; }
};

} // namespace tera
