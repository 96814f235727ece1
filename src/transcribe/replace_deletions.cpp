#include "transcribe/replace_deletions.h"

#include "model/run_settings.h"
#include "platform/database.h"
#include "transcribe/kako_rnd.h"

#include <QFileInfo>

namespace tera {

namespace {

qint64 countRows(Database &db, const QString &sql)
{
    Query q = db.exec(sql);
    const qint64 n = q.next() ? q.integer(QStringLiteral("n")) : 0;
    q.finish();
    return n;
}

} // namespace

QString ReplaceDeletions::listText() const
{
    QStringList parts;
    for (const Table &t : tables)
        parts << QStringLiteral("%1 %2 件").arg(t.name).arg(t.rows);
    if (kakoEntries >= 0)
        parts << QStringLiteral("kako.rnd %1 件").arg(kakoEntries);
    return parts.join(QStringLiteral("、"));
}

ReplaceDeletions CountReplaceDeletions(Database &db, qint16 kind, const QString &kakoPath)
{
    ReplaceDeletions d;
    const auto table = [&](const QString &name, const QString &where = QString()) {
        d.tables << ReplaceDeletions::Table{
            name, countRows(db, QStringLiteral("SELECT count(*) AS n FROM [%1]%2").arg(name, where))};
    };
    if (kind == kOutMembers) {
        table(QStringLiteral("D_KOJIN"));
    } else if (kind == kOutHouseholds) {
        table(QStringLiteral("D_SETAI"));
    } else {
        table(QStringLiteral("W_KAKO"));
        table(QStringLiteral("W_KAIKI"));
        // Rows of no entry (過去CD 0) are the household's own and stay.
        table(QStringLiteral("D_OMAIRI"), QStringLiteral(" WHERE [過去CD] >= 1"));
        d.kakoEntries = QFileInfo(kakoPath).isFile() ? KakoRndFile(kakoPath).entryCount() : 0;
    }
    return d;
}

QString ReplaceQuestionText(const QString &fixedQuestion, const ReplaceDeletions &deletions,
                            const BackupResult &backup)
{
    QString text = fixedQuestion + QStringLiteral("\r\n\r\n削除するデータ: ") + deletions.listText();
    if (backup.ok && !backup.made.isEmpty()) {
        QStringList names;
        for (const QString &path : backup.made)
            names << QFileInfo(path).fileName();
        text += QStringLiteral("\r\n実行の前にバックアップ（%1）を作りました。削除した後でも「バックアップから元に戻す」で"
                               "実行前の状態に戻せます。")
                    .arg(names.join(QStringLiteral("、")));
    }
    return text;
}

} // namespace tera
