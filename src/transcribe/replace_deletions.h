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
        QString name;  // the table
        QString words; // what the clerk calls its rows
        qint64 rows = 0;
    };
    QList<Table> tables;
    // Entries of kako.rnd that go with the death register; -1 for the other
    // kinds, which leave the file alone.
    qint64 kakoEntries = -1;

    // In the clerk's words: "過去帳 12 件、年回 275 件、お参り 216 件"
    // (kako.rnd holds the same 過去帳 and is named only when its count
    // differs).
    QString listText() const;
};

// Counts, on db, the rows that replace mode deletes for output kind kind
// (members: D_KOJIN; households: D_SETAI; death register: W_KAKO, W_KAIKI,
// the scheduled services of its entries in D_OMAIRI, and kako.rnd at
// kakoPath). Throws DbError when the tables cannot be read.
ReplaceDeletions CountReplaceDeletions(Database &db, qint16 kind, const QString &kakoPath);

// The replace question with what goes and, when a backup is made after the
// はい (backups names its files), the exception to "削除されたデータは復帰
// できません。" right below it. The fixed lines stay word for word.
QString ReplaceQuestionText(const QString &fixedQuestion, const ReplaceDeletions &deletions,
                            const QStringList &backups);

} // namespace tera
