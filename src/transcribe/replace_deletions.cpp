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
        parts << QStringLiteral("%1 %2 件").arg(t.words).arg(t.rows);
    if (kakoEntries >= 0 && !tables.isEmpty() && kakoEntries != tables.constFirst().rows)
        parts << QStringLiteral("kako.rnd の記録 %1 件").arg(kakoEntries);
    return parts.join(QStringLiteral("、"));
}

ReplaceDeletions CountReplaceDeletions(Database &db, qint16 kind, const QString &kakoPath)
{
    ReplaceDeletions d;
    const auto table = [&](const QString &name, const QString &words, const QString &where = QString()) {
        d.tables << ReplaceDeletions::Table{
            name, words, countRows(db, QStringLiteral("SELECT count(*) AS n FROM [%1]%2").arg(name, where))};
    };
    if (kind == kOutMembers) {
        table(QStringLiteral("D_KOJIN"), QStringLiteral("檀信徒"));
    } else if (kind == kOutHouseholds) {
        table(QStringLiteral("D_SETAI"), QStringLiteral("世帯"));
    } else {
        table(QStringLiteral("W_KAKO"), QStringLiteral("過去帳"));
        table(QStringLiteral("W_KAIKI"), QStringLiteral("年回"));
        // Rows of no entry (過去CD 0) are the household's own and stay.
        table(QStringLiteral("D_OMAIRI"), QStringLiteral("お参り"), QStringLiteral(" WHERE [過去CD] >= 1"));
        d.kakoEntries = QFileInfo(kakoPath).isFile() ? KakoRndFile(kakoPath).entryCount() : 0;
    }
    return d;
}

QString ReplaceQuestionText(const QString &fixedQuestion, const ReplaceDeletions &deletions,
                            const QStringList &backups)
{
    QStringList lines = fixedQuestion.split(QStringLiteral("\r\n"));
    // Right below "削除されたデータは復帰できません。", as its exception.
    const qsizetype below = qMin<qsizetype>(2, lines.size());
    if (!backups.isEmpty())
        lines.insert(below, QStringLiteral("ただし、実行の前に作るバックアップ（%1）から元に戻せます（「バックアップから元に戻す」）。")
                                .arg(backups.join(QStringLiteral("、"))));
    if (!deletions.tables.isEmpty())
        lines.insert(backups.isEmpty() ? below : below + 1, QStringLiteral("削除するデータ: %1").arg(deletions.listText()));
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace tera
