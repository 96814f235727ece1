#pragma once
#include "transcribe/backup.h"

#include <QList>
#include <QString>

namespace tera {
class Database;

// What replace mode deletes before it writes, counted before anything goes:
// the question that asks for the deletion and the check both say it.
struct ReplaceDeletions {
    struct Table {
        QString name;
        qint64 rows = 0;
    };
    QList<Table> tables;
    // Entries of kako.rnd that go with the death register; -1 for the other
    // kinds, which leave the file alone.
    qint64 kakoEntries = -1;

    // "W_KAKO 12 件、W_KAIKI 275 件、D_OMAIRI 216 件、kako.rnd 12 件"
    QString listText() const;
};

// Counts, on db, the rows that replace mode deletes for output kind kind
// (members: D_KOJIN; households: D_SETAI; death register: W_KAKO, W_KAIKI,
// the scheduled services of its entries in D_OMAIRI, and kako.rnd at
// kakoPath). Throws DbError when the tables cannot be read.
ReplaceDeletions CountReplaceDeletions(Database &db, qint16 kind, const QString &kakoPath);

// The replace question with what goes and, when the backup was made just
// now, which files hold the state before the run and how to bring it back.
// The fixed question comes first, word for word.
QString ReplaceQuestionText(const QString &fixedQuestion, const ReplaceDeletions &deletions,
                            const BackupResult &backup);

} // namespace tera
