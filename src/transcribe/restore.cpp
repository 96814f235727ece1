#include "transcribe/restore.h"

#include "model/run_settings.h"
#include "platform/database.h"
#include "platform/file_io.h"
#include "platform/prompt.h"
#include "transcribe/kako_rnd.h"
#include "transcribe/pair_files.h"
#include "transcribe/run_lock.h"
#include "transcribe/transcribe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

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

// The entries of the death register in the database file at path (a staged
// copy of the backup), that is the records its kako.rnd must hold. False
// with the reason when it is no database of this system.
bool backupEntries(const QString &path, const QString &shownAs, qint64 &entries, QString &why)
{
    try {
        std::unique_ptr<Database> db = Database::open(path);
        Query q = db->exec(QStringLiteral("SELECT max([過去CD]) AS n FROM [W_KAKO]"));
        entries = q.next() ? q.integer(QStringLiteral("n")) : 0;
        q.finish();
        db->close();
    } catch (const DbError &e) {
        why = QStringLiteral("バックアップ %1 はこのシステムのデータベースとして読めないため、元に戻せません（%2）。")
                  .arg(native(shownAs), e.description());
        return false;
    }
    for (const QString &side : kSqliteSideFiles)
        QFile::remove(path + side);
    return true;
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
        if (start() && stageBackups() && confirm() && keepCurrentFiles() && putBackupsInPlace())
            reportDone();
        return m_result;
    }

private:
    bool start();
    bool confirm();
    bool stageBackups();
    bool keepCurrentFiles();
    bool putBackupsInPlace();
    bool checkBackupPair();
    bool takeBack(const QString &why);
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
    try {
        for (const QString &note : SettlePairFiles(m_files))
            m_prompt.message(note, Icon::Information);
    } catch (const KakoRndError &e) {
        m_result.outcome = RestoreResult::Outcome::Failed;
        m_result.failure = e.message();
        m_prompt.message(QStringLiteral("元に戻せませんでした。\r\n%1").arg(e.message()), Icon::Critical);
        return false;
    } catch (const DbError &e) {
        m_result.outcome = RestoreResult::Outcome::Failed;
        m_result.failure = e.description();
        m_prompt.message(QStringLiteral("元に戻せませんでした。\r\n%1").arg(e.description()), Icon::Critical);
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
        QString aside;
        const qint32 undone = SettleKakoJournal(*db, m_files.kako, &last, &aside);
        db->close();
        if (!aside.isEmpty())
            m_prompt.message(aside, Icon::Exclamation);
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

// The backups, copied beside their targets and checked there before the
// question: a backup that would not work is refused with its reason, and
// nothing is touched.
bool RestoreRun::stageBackups()
{
    QString why;
    auto cannotCopy = [&](const QString &from, const QString &to) {
        return fail(QStringLiteral("%1 を %2 に戻すためのコピーを作れません。").arg(native(from), native(to)) + kCrLf + why);
    };
    if (!m_db.make(m_plan.tera2, m_plan.db, why))
        return cannotCopy(m_plan.tera2, m_plan.db);
    if (m_plan.kako2Present && !m_kako.make(m_plan.kako2, m_plan.kako, why))
        return cannotCopy(m_plan.kako2, m_plan.kako);
    return checkBackupPair();
}

// The pair must be one that this system can work on: tera2.mdb a database
// (for SQLite: one that passes its integrity check) with a death register,
// kako2.rnd a whole number of records, and the two of one moment: a record
// for each entry, no more, no less.
bool RestoreRun::checkBackupPair()
{
    QString why;
    const FileKind kind = Database::detect(m_db.path());
    if (kind != FileKind::SQLite && kind != FileKind::Jet)
        return fail(QStringLiteral("バックアップ %1 はデータベースのファイルではないため、元に戻せません（%2 バイト）。")
                        .arg(native(m_plan.tera2))
                        .arg(QFileInfo(m_db.path()).size()));
    if (kind == FileKind::SQLite && !sqliteIntact(m_db.path(), m_plan.tera2, why))
        return fail(why);
    qint64 entries = 0;
    if (!backupEntries(m_db.path(), m_plan.tera2, entries, why))
        return fail(why);
    const QFileInfo kako2(m_plan.kako2);
    if (kako2.exists() && !kako2.isFile())
        return fail(QStringLiteral("バックアップ %1 はファイルではないため、元に戻せません。").arg(native(m_plan.kako2)));
    const qint64 bytes = m_kako.isMade() ? QFileInfo(m_kako.path()).size() : 0;
    if (bytes % kKakoRecordBytes != 0)
        return fail(QStringLiteral("バックアップ %1 の長さ（%2 バイト）が 1 件 780 バイトの倍数ではありません。途中で切れているため、元に戻せません。")
                        .arg(native(m_plan.kako2))
                        .arg(bytes));
    const qint64 records = bytes / kKakoRecordBytes;
    if (records != entries) {
        const QString kakoSide = m_kako.isMade() ? QStringLiteral("%1 の記録は %2 件").arg(native(m_plan.kako2)).arg(records)
                                                 : QStringLiteral("%1 がありません").arg(native(m_plan.kako2));
        return fail(QStringLiteral("バックアップの 2 つのファイルが合っていないため、元に戻せません。\r\n"
                                   "%1 の過去帳は過去CD %2 までありますが、%3。")
                        .arg(native(m_plan.tera2))
                        .arg(entries)
                        .arg(kakoSide));
    }
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

// The checked copies take their places, one rename each, written down
// first: a kill between the renames is finished by the next run, so that
// tera.mdb and kako.rnd are both the backup's or both what they were.
bool RestoreRun::putBackupsInPlace()
{
    PairManifest manifest{QStringLiteral("restore"), {}};
    manifest.moves << PairMove{QFileInfo(m_db.path()).fileName(), QFileInfo(m_plan.db).fileName()};
    if (m_kako.isMade())
        manifest.moves << PairMove{QFileInfo(m_kako.path()).fileName(), QFileInfo(m_plan.kako).fileName()};
    else if (m_plan.kakoPresent)
        manifest.moves << PairMove{QString(), QFileInfo(m_plan.kako).fileName()};
    QString why;
    if (!WritePairManifest(m_files, manifest, why))
        return fail(why);
    const QString stagedDb = m_db.release(), stagedKako = m_kako.release();
    if (!CarryOutPairMoves(m_files, manifest, why, "restore-between-renames")) {
        if (QFileInfo::exists(stagedDb)) {
            // Nothing was replaced.
            QFile::remove(stagedDb);
            QFile::remove(stagedKako);
            QString ignored;
            RemovePairManifest(m_files, ignored);
            return fail(why);
        }
        m_result.restored << native(m_plan.db);
        return takeBack(why);
    }
    m_result.restored << native(m_plan.db);
    if (!stagedKako.isEmpty())
        m_result.restored << native(m_plan.kako);
    else if (m_plan.kakoPresent)
        m_result.removed << native(m_plan.kako);
    return true;
}

// tera.mdb is the backup's, but kako.rnd could not follow: tera.mdb goes
// back to its kept copy, so that the pair stays the one before the restore.
// When even that fails, the manifest stays and the next run finishes the
// restore.
bool RestoreRun::takeBack(const QString &why)
{
    if (!m_plan.dbAside.isEmpty() && CopyWholeFile(m_plan.dbAside, m_plan.db).ok) {
        const QDir folder(QFileInfo(m_plan.kako).absolutePath());
        for (const QString &name : folder.entryList({QFileInfo(m_plan.kako).fileName() + QStringLiteral(".*.tmp")}, QDir::Files))
            QFile::remove(folder.filePath(name));
        QString ignored;
        RemovePairManifest(m_files, ignored);
        m_result.restored.clear();
    }
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
