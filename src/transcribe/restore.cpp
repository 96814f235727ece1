#include "transcribe/restore.h"

#include "model/run_settings.h"
#include "platform/database.h"
#include "platform/file_io.h"
#include "platform/prompt.h"
#include "transcribe/kako_rnd.h"
#include "transcribe/run_lock.h"
#include "transcribe/transcribe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

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

std::filesystem::path fsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Puts source in target's place with one rename, replacing target: whoever
// looks finds the old file or the new one, never part of either.
bool renameOver(const QString &source, const QString &target, QString &why)
{
    std::error_code ec;
    std::filesystem::rename(fsPath(source), fsPath(target), ec);
    if (!ec)
        return true;
    why = QStringLiteral("%1 を %2 に置き換えられません（%3）。")
              .arg(native(source), native(target), QString::fromLocal8Bit(ec.message().c_str()));
    return false;
}

// A checked copy of a file in a temporary file beside where it is going,
// removed again unless it was moved into place.
class StagedCopy {
public:
    StagedCopy() = default;
    StagedCopy(const StagedCopy &) = delete;
    StagedCopy &operator=(const StagedCopy &) = delete;
    ~StagedCopy()
    {
        if (!m_path.isEmpty())
            QFile::remove(m_path);
    }

    QString path() const { return m_path; }

    // Copies source into a new file in target's folder: every byte written,
    // on disk, and as long as the source.
    bool make(const QString &source, const QString &target, QString &why)
    {
        QTemporaryFile file(target + QStringLiteral(".XXXXXX.tmp"));
        if (!file.open()) {
            why = WriteFailureText(target, file);
            return false;
        }
        const Outcome copied = CopyInto(source, file, target);
        if (!copied.ok) {
            why = copied.message;
            return false;
        }
        if (!syncToDisk(file)) {
            why = QStringLiteral("ファイル「%1」を書き終えられません（%2）。")
                      .arg(native(target), QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        // The file put in place keeps the permissions of the one it replaces.
        file.setPermissions(QFileInfo(QFileInfo::exists(target) ? target : source).permissions());
        file.setAutoRemove(false);
        m_path = file.fileName();
        return true;
    }

    // Takes target's place, replacing it.
    bool replace(const QString &target, QString &why)
    {
        if (!renameOver(m_path, target, why))
            return false;
        m_path.clear();
        return true;
    }

    // Takes the name name, which nothing may have yet: an existing file of
    // that name is never overwritten.
    bool moveTo(const QString &name, QString &why)
    {
        QFile file(m_path);
        if (!file.rename(name)) {
            why = QStringLiteral("%1 に名前を変えられません（%2）。").arg(native(name), file.errorString());
            return false;
        }
        m_path.clear();
        return true;
    }

private:
    static bool syncToDisk(QFileDevice &file)
    {
#ifdef Q_OS_WIN
        return _commit(file.handle()) == 0;
#else
        return ::fsync(file.handle()) == 0;
#endif
    }

    QString m_path;
};

// SQLite's own integrity check of the database file at path, as what the
// user reads when it fails. Read-only, so the copy stays byte for byte the
// backup.
bool sqliteIntact(const QString &path, const QString &shownAs, QString &why)
{
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("tera-restore-check-%1").arg(++serial);
    QStringList found;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            found << db.lastError().text();
        } else {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("PRAGMA integrity_check")))
                found << q.lastError().text();
            while (q.next())
                found << q.value(0).toString();
            if (q.lastError().isValid() && !found.contains(q.lastError().text()))
                found << q.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    for (const QString &side : kSqliteSideFiles)
        QFile::remove(path + side);
    if (found == QStringList{QStringLiteral("ok")})
        return true;
    if (found.size() > 5)
        found = found.mid(0, 5) << QStringLiteral("…");
    why = QStringLiteral("バックアップ %1 は壊れているため、元に戻せません（SQLite の検査結果: %2）。")
              .arg(native(shownAs), found.join(QStringLiteral(" / ")));
    return false;
}

} // namespace

QString BeforeRestorePath(const QString &path)
{
    const QString first = path + QStringLiteral(".before-restore");
    QString name = first;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = first + QLatin1Char('.') + QString::number(n);
    return name;
}

QString RestoreText::noBackup(const QString &tera2Path)
{
    return QStringLiteral("元に戻すバックアップがありません。") + kCrLf + native(tera2Path) + kCrLf
           + QStringLiteral("バックアップは転記を実行したときに作られます。");
}

RestorePlan PlanRestore(const DatabaseFiles &files)
{
    RestorePlan p;
    p.db = files.database;
    p.kako = files.kako;
    p.tera2 = files.databaseBackup;
    p.kako2 = files.kakoBackup;
    const QFileInfo tera2(p.tera2), kako2(p.kako2);
    p.tera2Present = tera2.isFile();
    p.kako2Present = kako2.isFile();
    p.kakoPresent = QFileInfo(p.kako).isFile();
    if (p.tera2Present)
        p.tera2Time = tera2.lastModified();
    if (p.kako2Present)
        p.kako2Time = kako2.lastModified();
    if (QFileInfo(p.db).isFile())
        p.dbAside = BeforeRestorePath(p.db);
    if (p.kakoPresent)
        p.kakoAside = BeforeRestorePath(p.kako);
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
    QStringList aside;
    for (const QString &name : {p.dbAside, p.kakoAside})
        if (!name.isEmpty())
            aside << native(name);
    if (!aside.isEmpty())
        lines << QStringLiteral("今のファイルは %1 として残します。").arg(aside.join(QStringLiteral("、")));
    lines << QStringLiteral("バックアップの後に転記したデータは、元に戻すとなくなります。");
    if (p.dbLocked)
        lines << QStringLiteral("注意: データベースのロックファイルがあります。カリンデを使っている場合は終了してから実行してください。");
    lines << QStringLiteral("元に戻しますか？") << QStringLiteral("「はい」で元に戻します。")
          << QStringLiteral("「いいえ」で処理を中止します。");
    return lines.join(kCrLf);
}

RestoreResult RestoreFromBackup(const DatabaseFiles &files, Prompt &prompt)
{
    RestoreResult result;
    // Never under a running transcription: it would go on writing into the
    // files put back.
    RunLock lock(files.database);
    QString refusal;
    if (!lock.tryTake(refusal)) {
        result.outcome = lock.busy() ? RestoreResult::Outcome::Locked : RestoreResult::Outcome::Failed;
        result.failure = refusal;
        prompt.message(refusal, Icon::Exclamation);
        return result;
    }
    const RestorePlan p = PlanRestore(files);
    if (!p.tera2Present) {
        result.outcome = RestoreResult::Outcome::NoBackup;
        prompt.message(RestoreText::noBackup(p.tera2), Icon::Exclamation);
        return result;
    }
    // A record that a killed run left uncommitted is taken back first, so
    // that the kako.rnd kept aside matches the database kept aside.
    if (QFileInfo::exists(KakoJournalPath(files.kako)) && QFileInfo(files.database).isFile()) {
        QString why;
        try {
            std::unique_ptr<Database> db = Database::open(files.database);
            qint32 last = 0;
            const qint32 undone = SettleKakoJournal(*db, files.kako, &last);
            db->close();
            if (undone > 0)
                prompt.message(TranscribeText::kakoRecovered(undone, last), Icon::Information);
        } catch (const DbError &e) {
            why = e.description();
        } catch (const KakoRndError &e) {
            why = e.message();
        }
        if (!why.isEmpty()) {
            result.outcome = RestoreResult::Outcome::Failed;
            result.failure = why;
            prompt.message(QStringLiteral("元に戻せませんでした。\r\n%1\r\n今のファイルはそのまま残っています。").arg(why), Icon::Critical);
            return result;
        }
    }
    if (prompt.ask(RestoreQuestion(p), Buttons::YesNo, Icon::Exclamation) != Answer::Yes) {
        result.outcome = RestoreResult::Outcome::Declined;
        prompt.message(RestoreText::kStopped, Icon::Information);
        return result;
    }

    // The kept copies made by this attempt. While nothing is replaced they
    // are only duplicates of files still in place and go again on failure.
    QStringList kept;
    auto fail = [&](const QString &why) {
        result.outcome = RestoreResult::Outcome::Failed;
        result.failure = why;
        QStringList lines{QStringLiteral("元に戻せませんでした。"), why};
        if (result.restored.isEmpty() && result.removed.isEmpty()) {
            for (const QString &copy : kept)
                QFile::remove(copy);
            result.keptAside.clear();
            lines << QStringLiteral("今のファイルはそのまま残っています。何も置き換えていません。");
        } else {
            if (!result.restored.isEmpty())
                lines << QStringLiteral("元に戻したファイル: %1").arg(result.restored.join(QStringLiteral("、")));
            if (!result.removed.isEmpty())
                lines << QStringLiteral("取り除いたファイル: %1").arg(result.removed.join(QStringLiteral("、")));
            lines << QStringLiteral("元に戻す前のファイル: %1").arg(result.keptAside.join(QStringLiteral("、")));
        }
        prompt.message(lines.join(kCrLf), Icon::Critical);
        return result;
    };
    QString why;

    // 1. The backups, copied beside their targets and checked there.
    auto cannotCopy = [&](const QString &from, const QString &to) {
        return fail(QStringLiteral("%1 を %2 に戻すためのコピーを作れません。").arg(native(from), native(to)) + kCrLf + why);
    };
    StagedCopy db, kako;
    if (!db.make(p.tera2, p.db, why))
        return cannotCopy(p.tera2, p.db);
    if (Database::detect(db.path()) == FileKind::SQLite && !sqliteIntact(db.path(), p.tera2, why))
        return fail(why);
    if (p.kako2Present && !kako.make(p.kako2, p.kako, why))
        return cannotCopy(p.kako2, p.kako);

    // 2. The current files, kept whole under names no earlier restore used.
    try {
        if (!p.dbAside.isEmpty())
            settleSqlite(p.db);
    } catch (const DbError &e) {
        return fail(QStringLiteral("%1 を確認できません: %2").arg(native(p.db), e.description()));
    }
    const std::pair<QString, QString> current[] = {{p.db, p.dbAside}, {p.kako, p.kakoAside}};
    for (const auto &[path, aside] : current) {
        if (aside.isEmpty())
            continue;
        StagedCopy copy;
        if (!copy.make(path, aside, why) || !copy.moveTo(aside, why))
            return fail(QStringLiteral("今の %1 を %2 として残せません。").arg(native(path), native(aside)) + kCrLf + why);
        kept << aside;
        result.keptAside << native(aside);
    }

    // 3. The checked copies take their places, one rename each.
    for (const QString &side : kSqliteSideFiles) {
        QFile file(p.db + side);
        if (file.exists() && !file.remove())
            return fail(QStringLiteral("%1 を削除できません（%2）。").arg(native(file.fileName()), file.errorString()));
    }
    if (!db.replace(p.db, why))
        return fail(why);
    result.restored << native(p.db);
    bool kakoDone = true;
    if (p.kako2Present) {
        kakoDone = kako.replace(p.kako, why);
        if (kakoDone)
            result.restored << native(p.kako);
    } else if (p.kakoPresent) {
        QFile file(p.kako);
        kakoDone = file.remove();
        if (kakoDone)
            result.removed << native(p.kako);
        else
            why = QStringLiteral("%1 を取り除けません（%2）。").arg(native(p.kako), file.errorString());
    }
    if (!kakoDone) {
        // tera.mdb without its kako.rnd would not match: it goes back too.
        const Outcome back = p.dbAside.isEmpty() ? Outcome::failure(QString()) : CopyWholeFile(p.dbAside, p.db);
        if (back.ok)
            result.restored.clear();
        return fail(why);
    }

    result.outcome = RestoreResult::Outcome::Restored;
    // Which file now holds which backup's contents, and where what it
    // replaced is kept: nothing reads as if the database had gone.
    QStringList lines{RestoreText::kDone, QString()};
    lines << QStringLiteral("データベース %1 を、バックアップ %2 の内容に戻しました。").arg(native(p.db), native(p.tera2));
    if (p.kako2Present)
        lines << QStringLiteral("過去帳ファイル %1 を、バックアップ %2 の内容に戻しました。").arg(native(p.kako), native(p.kako2));
    for (const QString &f : result.removed)
        lines << QStringLiteral("過去帳ファイル %1 は、バックアップを作った時にはまだなかったため、使われない場所へ移しました。").arg(f);
    if (!result.keptAside.isEmpty()) {
        lines << QString() << QStringLiteral("元に戻す前のファイルは、消さずに次の名前で残してあります:");
        for (const QString &f : result.keptAside)
            lines << QStringLiteral("  %1").arg(f);
    }
    prompt.message(lines.join(kCrLf), Icon::Information);
    return result;
}

} // namespace tera
