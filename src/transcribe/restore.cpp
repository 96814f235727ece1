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

namespace {

// One restore, in the order it goes: the lock and the killed run's journal
// (start), the question (confirm), the backups staged and checked beside
// their targets (stageBackups), the current files kept (keepCurrentFiles),
// the renames (putBackupsInPlace) and the closing message (reportDone).
// Each step returns false when the restore ends there; the result says why.
class RestoreRun {
public:
    RestoreRun(const DatabaseFiles &files, Prompt &prompt) : m_files(files), m_prompt(prompt), m_lock(files.database) {}

    RestoreResult run()
    {
        if (start() && confirm() && stageBackups() && keepCurrentFiles() && putBackupsInPlace())
            reportDone();
        return m_result;
    }

private:
    bool start();
    bool confirm();
    bool stageBackups();
    bool keepCurrentFiles();
    bool putBackupsInPlace();
    bool putKakoInPlace();
    void reportDone();
    bool fail(const QString &why);

    const DatabaseFiles &m_files;
    Prompt &m_prompt;
    RestoreResult m_result;
    RunLock m_lock;
    RestorePlan m_plan;
    StagedCopy m_db, m_kako;
    // The kept copies made by this attempt. While nothing is replaced they
    // are only duplicates of files still in place and go again on failure.
    QStringList m_kept;
};

bool RestoreRun::fail(const QString &why)
{
    m_result.outcome = RestoreResult::Outcome::Failed;
    m_result.failure = why;
    QStringList lines{QStringLiteral("元に戻せませんでした。"), why};
    if (m_result.restored.isEmpty() && m_result.removed.isEmpty()) {
        for (const QString &copy : std::as_const(m_kept))
            QFile::remove(copy);
        m_result.keptAside.clear();
        lines << QStringLiteral("今のファイルはそのまま残っています。何も置き換えていません。");
    } else {
        if (!m_result.restored.isEmpty())
            lines << QStringLiteral("元に戻したファイル: %1").arg(m_result.restored.join(QStringLiteral("、")));
        if (!m_result.removed.isEmpty())
            lines << QStringLiteral("取り除いたファイル: %1").arg(m_result.removed.join(QStringLiteral("、")));
        lines << QStringLiteral("元に戻す前のファイル: %1").arg(m_result.keptAside.join(QStringLiteral("、")));
    }
    m_prompt.message(lines.join(kCrLf), Icon::Critical);
    return false;
}

// Never under a running transcription: it would go on writing into the
// files put back. A record that a killed run left uncommitted is taken back
// first, so that the kako.rnd kept aside matches the database kept aside.
bool RestoreRun::start()
{
    QString refusal;
    if (!m_lock.tryTake(refusal)) {
        m_result.outcome = m_lock.busy() ? RestoreResult::Outcome::Locked : RestoreResult::Outcome::Failed;
        m_result.failure = refusal;
        m_prompt.message(refusal, Icon::Exclamation);
        return false;
    }
    m_plan = PlanRestore(m_files);
    if (!m_plan.tera2Present) {
        m_result.outcome = RestoreResult::Outcome::NoBackup;
        m_prompt.message(RestoreText::noBackup(m_plan.tera2), Icon::Exclamation);
        return false;
    }
    if (!QFileInfo::exists(KakoJournalPath(m_files.kako)) || !QFileInfo(m_files.database).isFile())
        return true;
    QString why;
    try {
        std::unique_ptr<Database> db = Database::open(m_files.database);
        qint32 last = 0;
        const qint32 undone = SettleKakoJournal(*db, m_files.kako, &last);
        db->close();
        if (undone > 0)
            m_prompt.message(TranscribeText::kakoRecovered(undone, last), Icon::Information);
        return true;
    } catch (const DbError &e) {
        why = e.description();
    } catch (const KakoRndError &e) {
        why = e.message();
    }
    m_result.outcome = RestoreResult::Outcome::Failed;
    m_result.failure = why;
    m_prompt.message(QStringLiteral("元に戻せませんでした。\r\n%1\r\n今のファイルはそのまま残っています。").arg(why), Icon::Critical);
    return false;
}

bool RestoreRun::confirm()
{
    if (m_prompt.ask(RestoreQuestion(m_plan), Buttons::YesNo, Icon::Exclamation) == Answer::Yes)
        return true;
    m_result.outcome = RestoreResult::Outcome::Declined;
    m_prompt.message(RestoreText::kStopped, Icon::Information);
    return false;
}

// The backups, copied beside their targets and checked there.
bool RestoreRun::stageBackups()
{
    QString why;
    auto cannotCopy = [&](const QString &from, const QString &to) {
        return fail(QStringLiteral("%1 を %2 に戻すためのコピーを作れません。").arg(native(from), native(to)) + kCrLf + why);
    };
    if (!m_db.make(m_plan.tera2, m_plan.db, why))
        return cannotCopy(m_plan.tera2, m_plan.db);
    if (Database::detect(m_db.path()) == FileKind::SQLite && !sqliteIntact(m_db.path(), m_plan.tera2, why))
        return fail(why);
    if (m_plan.kako2Present && !m_kako.make(m_plan.kako2, m_plan.kako, why))
        return cannotCopy(m_plan.kako2, m_plan.kako);
    return true;
}

// The current files, kept whole under names no earlier restore used.
bool RestoreRun::keepCurrentFiles()
{
    try {
        if (!m_plan.dbAside.isEmpty())
            settleSqlite(m_plan.db);
    } catch (const DbError &e) {
        return fail(QStringLiteral("%1 を確認できません: %2").arg(native(m_plan.db), e.description()));
    }
    const std::pair<QString, QString> current[] = {{m_plan.db, m_plan.dbAside}, {m_plan.kako, m_plan.kakoAside}};
    for (const auto &[path, aside] : current) {
        if (aside.isEmpty())
            continue;
        QString why;
        StagedCopy copy;
        if (!copy.make(path, aside, why) || !copy.moveTo(aside, why))
            return fail(QStringLiteral("今の %1 を %2 として残せません。").arg(native(path), native(aside)) + kCrLf + why);
        m_kept << aside;
        m_result.keptAside << native(aside);
    }
    return true;
}

// The checked copies take their places, one rename each.
bool RestoreRun::putBackupsInPlace()
{
    for (const QString &side : kSqliteSideFiles) {
        QFile file(m_plan.db + side);
        if (file.exists() && !file.remove())
            return fail(QStringLiteral("%1 を削除できません（%2）。").arg(native(file.fileName()), file.errorString()));
    }
    QString why;
    if (!m_db.replace(m_plan.db, why))
        return fail(why);
    m_result.restored << native(m_plan.db);
    return putKakoInPlace();
}

// kako.rnd from its backup, or gone when the backup was made before it
// existed. tera.mdb without its kako.rnd would not match: when kako.rnd
// cannot follow, tera.mdb goes back too.
bool RestoreRun::putKakoInPlace()
{
    QString why;
    bool done = true;
    if (m_plan.kako2Present) {
        done = m_kako.replace(m_plan.kako, why);
        if (done)
            m_result.restored << native(m_plan.kako);
    } else if (m_plan.kakoPresent) {
        QFile file(m_plan.kako);
        done = file.remove();
        if (done)
            m_result.removed << native(m_plan.kako);
        else
            why = QStringLiteral("%1 を取り除けません（%2）。").arg(native(m_plan.kako), file.errorString());
    }
    if (done)
        return true;
    const Outcome back = m_plan.dbAside.isEmpty() ? Outcome::failure(QString()) : CopyWholeFile(m_plan.dbAside, m_plan.db);
    if (back.ok)
        m_result.restored.clear();
    return fail(why);
}

// Which file now holds which backup's contents, and where what it replaced
// is kept: nothing reads as if the database had gone.
void RestoreRun::reportDone()
{
    m_result.outcome = RestoreResult::Outcome::Restored;
    QStringList lines{RestoreText::kDone, QString()};
    lines << QStringLiteral("データベース %1 を、バックアップ %2 の内容に戻しました。").arg(native(m_plan.db), native(m_plan.tera2));
    if (m_plan.kako2Present)
        lines << QStringLiteral("過去帳ファイル %1 を、バックアップ %2 の内容に戻しました。").arg(native(m_plan.kako), native(m_plan.kako2));
    for (const QString &f : std::as_const(m_result.removed))
        lines << QStringLiteral("過去帳ファイル %1 は、バックアップを作った時にはまだなかったため、使われない場所へ移しました。").arg(f);
    if (!m_result.keptAside.isEmpty()) {
        lines << QString() << QStringLiteral("元に戻す前のファイルは、消さずに次の名前で残してあります:");
        for (const QString &f : std::as_const(m_result.keptAside))
            lines << QStringLiteral("  %1").arg(f);
    }
    m_prompt.message(lines.join(kCrLf), Icon::Information);
}

} // namespace

RestoreResult RestoreFromBackup(const DatabaseFiles &files, Prompt &prompt)
{
    return RestoreRun(files, prompt).run();
}

} // namespace tera
