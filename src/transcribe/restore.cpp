#include "transcribe/restore.h"

#include "app/app_state.h"
#include "platform/database.h"
#include "platform/prompt.h"
#include "transcribe/backup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tera {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString stamp(const QDateTime &t) { return t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")); }
QString native(const QString &path) { return QDir::toNativeSeparators(path); }

// SQLite keeps pending changes in side files; a side file left by an earlier
// process belongs to the file it was written for and must not be applied to
// the file put back.
const QStringList kSqliteSideFiles = {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")};

// Lets SQLite finish or roll back what a killed process left in the side
// files, so that the copy kept aside is the whole current database.
void settleSqlite(const QString &path)
{
    if (Database::detect(path) != FileKind::SQLite)
        return;
    if (!QFileInfo::exists(path + QStringLiteral("-journal")) && !QFileInfo::exists(path + QStringLiteral("-wal")))
        return;
    std::unique_ptr<Database> db = Database::open(path);
    Query q = db->exec(QStringLiteral("SELECT count(*) AS n FROM sqlite_master"));
    q.next();
    q.finish();
    db->close();
}

} // namespace

QString BeforeRestorePath(const QString &path) { return path + QStringLiteral(".before-restore"); }

QString RestoreText::noBackup(const QString &tera2Path)
{
    return QStringLiteral("元に戻すバックアップがありません。") + kCrLf + native(tera2Path) + kCrLf
           + QStringLiteral("バックアップは転記を実行したときに作られます。");
}

RestorePlan PlanRestore(const AppState &state)
{
    RestorePlan p;
    p.db = state.gDbPath;
    p.kako = state.gKakoPath;
    p.tera2 = state.gTera2Path;
    p.kako2 = state.gKako2Path;
    const QFileInfo tera2(p.tera2), kako2(p.kako2);
    p.tera2Present = tera2.isFile();
    p.kako2Present = kako2.isFile();
    p.kakoPresent = QFileInfo(p.kako).isFile();
    if (p.tera2Present)
        p.tera2Time = tera2.lastModified();
    if (p.kako2Present)
        p.kako2Time = kako2.lastModified();
    const QFileInfo db(p.db);
    const QString base = db.absoluteDir().filePath(db.completeBaseName());
    p.dbLocked = QFileInfo::exists(base + QStringLiteral(".ldb")) || QFileInfo::exists(base + QStringLiteral(".laccdb"));
    return p;
}

QString RestoreQuestion(const RestorePlan &p)
{
    QStringList lines;
    lines << QStringLiteral("バックアップから元に戻します。");
    lines << QStringLiteral("  %1（%2 のバックアップ）").arg(native(p.tera2), stamp(p.tera2Time));
    lines << QStringLiteral("    → %1").arg(native(p.db));
    if (p.kako2Present) {
        lines << QStringLiteral("  %1（%2 のバックアップ）").arg(native(p.kako2), stamp(p.kako2Time));
        lines << QStringLiteral("    → %1").arg(native(p.kako));
    } else if (p.kakoPresent) {
        lines << QStringLiteral("  %1 はありません（バックアップの時 kako.rnd はありませんでした）。").arg(native(p.kako2));
        lines << QStringLiteral("    → 今の %1 を取り除きます").arg(native(p.kako));
    }
    QStringList aside{native(BeforeRestorePath(p.db))};
    if (p.kakoPresent)
        aside << native(BeforeRestorePath(p.kako));
    lines << QStringLiteral("今のファイルは %1 として残します。").arg(aside.join(QStringLiteral("、")));
    lines << QStringLiteral("バックアップの後に転記したデータは、元に戻すとなくなります。");
    if (p.dbLocked)
        lines << QStringLiteral("注意: データベースのロックファイルがあります。カリンデを使っている場合は終了してから実行してください。");
    lines << QStringLiteral("元に戻しますか？") << QStringLiteral("「はい」で元に戻します。")
          << QStringLiteral("「いいえ」で処理を中止します。");
    return lines.join(kCrLf);
}

RestoreResult RestoreFromBackup(const AppState &state, Prompt &prompt)
{
    RestoreResult result;
    const RestorePlan p = PlanRestore(state);
    if (!p.tera2Present) {
        result.outcome = RestoreResult::Outcome::NoBackup;
        prompt.message(RestoreText::noBackup(p.tera2), Icon::Exclamation);
        return result;
    }
    if (prompt.ask(RestoreQuestion(p), Buttons::YesNo, Icon::Exclamation) != Answer::Yes) {
        result.outcome = RestoreResult::Outcome::Declined;
        prompt.message(RestoreText::kStopped, Icon::Information);
        return result;
    }

    auto fail = [&](const QString &why) {
        result.outcome = RestoreResult::Outcome::Failed;
        result.failure = why;
        QStringList lines{QStringLiteral("元に戻せませんでした。"), why};
        if (!result.restored.isEmpty())
            lines << QStringLiteral("元に戻したファイル: %1").arg(result.restored.join(QStringLiteral("、")));
        if (!result.keptAside.isEmpty())
            lines << QStringLiteral("元に戻す前のファイル: %1").arg(result.keptAside.join(QStringLiteral("、")));
        prompt.message(lines.join(kCrLf), Icon::Critical);
        return result;
    };

    // A missing file is decided before copying: no message to show.
    QuietPrompt quiet(Answer::No);
    QString failure;
    // 1. The current files, kept aside whole before anything is replaced.
    try {
        if (QFileInfo(p.db).isFile())
            settleSqlite(p.db);
    } catch (const DbError &e) {
        return fail(QStringLiteral("%1 を確認できません: %2").arg(native(p.db), e.description()));
    }
    const std::pair<QString, bool> current[] = {{p.db, QFileInfo(p.db).isFile()}, {p.kako, p.kakoPresent}};
    for (const auto &[path, present] : current) {
        if (!present)
            continue;
        if (!CopyIfPresent(path, BeforeRestorePath(path), quiet, &failure))
            return fail(failure);
        result.keptAside << native(BeforeRestorePath(path));
    }

    // 2. The backups put back. Each copy replaces its file only once it is
    // whole, so a failure leaves either the old or the restored file.
    if (!CopyIfPresent(p.tera2, p.db, quiet, &failure))
        return fail(failure);
    result.restored << native(p.db);
    for (const QString &side : kSqliteSideFiles) {
        const QString path = p.db + side;
        if (QFileInfo::exists(path) && !QFile::remove(path))
            return fail(QStringLiteral("%1 を削除できません。").arg(native(path)));
    }
    if (p.kako2Present) {
        if (!CopyIfPresent(p.kako2, p.kako, quiet, &failure))
            return fail(failure);
        result.restored << native(p.kako);
    } else if (p.kakoPresent) {
        if (!QFile::remove(p.kako))
            return fail(QStringLiteral("%1 を削除できません。").arg(native(p.kako)));
        result.removed << native(p.kako);
    }

    result.outcome = RestoreResult::Outcome::Restored;
    QStringList lines{RestoreText::kDone};
    for (const QString &f : result.restored)
        lines << QStringLiteral("  %1").arg(f);
    for (const QString &f : result.removed)
        lines << QStringLiteral("  %1 を取り除きました").arg(f);
    lines << QStringLiteral("元に戻す前のファイル: %1").arg(result.keptAside.join(QStringLiteral("、")));
    prompt.message(lines.join(kCrLf), Icon::Information);
    return result;
}

} // namespace tera
