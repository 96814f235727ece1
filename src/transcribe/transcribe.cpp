#include "transcribe/transcribe.h"

#include "model/import_table.h"
#include "model/master_data.h"
#include "model/run_settings.h"
#include "transcribe/cell_assignment.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/prompt.h"
#include "transcribe/context.h"
#include "transcribe/death_register.h"
#include "transcribe/duplicates.h"
#include "transcribe/household_writer.h"
#include "transcribe/member_writer.h"
#include "transcribe/progress.h"
#include "transcribe/replace_deletions.h"
#include "transcribe/pair_files.h"
#include "transcribe/check_run.h"
#include "platform/pause_hook.h"

#include "transcribe/run_lock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtEndian>

#include <memory>
#include <optional>

namespace tera {

namespace TranscribeText {

QString backupFailedQuestion()
{
    return QStringList{QStringLiteral("ファイルのバックアップ処理に失敗しました！"),
                       QStringLiteral("このまま実行すれば元の状態に戻すことができません！！"),
                       QStringLiteral("一旦終了して、バックアップ保存をしてからの処理実行をお勧めします。"),
                       QStringLiteral("このまま処理を続けますか？"), QStringLiteral("「いいえ」で処理を中断します。")}
        .join(QStringLiteral("\r\n"));
}

QString replaceQuestion()
{
    return QStringList{QStringLiteral("以前の登録データを削除して、転記します。"),
                       QStringLiteral("削除されたデータは復帰できません。"), QStringLiteral("実行しますか？"),
                       QStringLiteral("「はい」で実行します。"), QStringLiteral("「いいえ」で処理を中止します。")}
        .join(QStringLiteral("\r\n"));
}

QString backupsKept(const DatabaseFiles &files)
{
    return QStringLiteral("前回途中で終わった「既存データを削除して転記」の前に作ったバックアップ（%1、%2）を、その前の状態に戻せるよう、"
                          "今回は作り直さずに残します。")
        .arg(QFileInfo(files.databaseBackup).fileName(), QFileInfo(files.kakoBackup).fileName());
}

QString rowsToCorrect(const ImportTable &importTable, const QList<RowStop> &rows)
{
    constexpr int kShown = 20;
    QStringList lines{QStringLiteral("次の %1 行に直す必要のある値があるため、転記を始めませんでした。").arg(rows.size()),
                      QStringLiteral("何も書き込んでいません（バックアップも作っていません）。値を直してから、もう一度実行してください。")};
    for (int i = 0; i < rows.size() && i < kShown; ++i)
        lines << QStringLiteral("・%1: %2").arg(RowPlace(importTable, rows.at(i).row, rows.at(i).column), rows.at(i).reason);
    if (rows.size() > kShown)
        lines << QStringLiteral("ほか %1 行（「検証」ですべて見られます）").arg(rows.size() - kShown);
    return lines.join(QStringLiteral("\r\n"));
}

QString rowProgress(int row) { return QString::number(row) + QStringLiteral(" 番目のデータを転記してます"); }

QString lockedOut(int waitedMs)
{
    return QStringLiteral("別のプログラム（カリンデなど）がデータベースに書き込み中のため、%1 秒待っても書き込めませんでした。\r\n"
                          "そのプログラムの作業が終わってから、もう一度実行してください。")
        .arg((waitedMs + 999) / 1000);
}

QString waitingForLock(int row, qint64 waitedMs)
{
    return QStringLiteral("%1 番目のデータ: 別のプログラムの書き込みが終わるのを待っています（%2 秒）")
        .arg(row)
        .arg(waitedMs / 1000);
}

QString cannotWrite(const QString &engineText, DbError::Cause cause)
{
    QString head;
    switch (cause) {
    case DbError::Cause::DiskFull:
        head = QStringLiteral("ディスクの空きがないため、データベースに書き込めません。空きを作ってから、もう一度実行してください。");
        break;
    case DbError::Cause::ReadOnly:
        head = QStringLiteral("データベースが読み取り専用のため書き込めません（ファイルかフォルダに書き込みの権限がありません）。");
        break;
    default:
        head = QStringLiteral("ディスクの読み書きに失敗したため、データベースに書き込めません。");
        break;
    }
    return head + QStringLiteral("\r\n（%1）").arg(engineText);
}

namespace {
const QString kWaysOut = QStringLiteral("このまま追加転記すると、登録済みの過去帳データを上書きしてしまいます。\r\n"
                                        "次のどちらかで対処してください。\r\n"
                                        "・バックアップ kako2.rnd から kako.rnd を元に戻す（kako2.rnd が今の過去帳に合っている場合）\r\n"
                                        "・「既存データを削除して転記」で転記し直す\r\n"
                                        "何も書き込んでいません（バックアップも作っていません）。");
}

QString kakoBehind(qint64 records, qint64 highestKakoCd)
{
    return QStringLiteral("kako.rnd の記録は %1 件ですが、データベースの過去帳（W_KAKO）には過去CD %2 までの登録があります。\r\n")
               .arg(records)
               .arg(highestKakoCd)
           + kWaysOut;
}

// The years are listed in runs (1926～1930年), so that an era table that
// lost a whole era reads as that era.
QString erasMissing(const QList<qint16> &years)
{
    QStringList runs;
    for (qsizetype i = 0; i < years.size();) {
        qsizetype j = i;
        while (j + 1 < years.size() && years.at(j + 1) == years.at(j) + 1)
            ++j;
        runs << (j == i ? QStringLiteral("%1年").arg(years.at(i)) : QStringLiteral("%1～%2年").arg(years.at(i)).arg(years.at(j)));
        i = j + 1;
    }
    const qsizetype shown = 6;
    QString list = runs.mid(0, shown).join(QStringLiteral("、"));
    if (runs.size() > shown)
        list += QStringLiteral(" ほか");
    return QStringLiteral("マスタ M_年号 に、取り込む行の没年（%1）の年号がないため、転記を始められません。"
                          "このまま書き込むと、これらの過去帳と年回・お参りが年号なしで登録されます。何も書き込んでいません。\r\n"
                          "カリンデで年号マスタを確かめてから、もう一度実行してください。")
        .arg(list);
}

QString kakoAhead(qint64 records, qint64 highestKakoCd)
{
    return QStringLiteral("kako.rnd の記録は %1 件ですが、データベースの過去帳（W_KAKO）には過去CD %2 までの登録しかありません。\r\n"
                          "このまま追加転記すると、過去CD が %3 から飛んで付けられ、どの登録にも属さない記録が残ります。\r\n"
                          "次のどちらかで対処してください。\r\n"
                          "・バックアップから元に戻す（tera2.mdb と kako2.rnd が合っている場合）\r\n"
                          "・「既存データを削除して転記」で転記し直す\r\n"
                          "何も書き込んでいません（バックアップも作っていません）。")
        .arg(records)
        .arg(highestKakoCd)
        .arg(records + 1);
}

QString kakoCut(qint64 bytes)
{
    return QStringLiteral("kako.rnd の長さ（%1 バイト）が 1 件 780 バイトの倍数ではありません。ファイルが途中で切れているか壊れています。\r\n")
               .arg(bytes)
           + kWaysOut;
}

QString kakoRecovered(qint32 record, qint32 last)
{
    const QString which = last > record ? QStringLiteral("過去CD %1〜%2").arg(record).arg(last)
                                        : QStringLiteral("過去CD %1").arg(record);
    return QStringLiteral("前回の転記が途中で終わっていたため、kako.rnd に残っていた確定していない記録（%1）を取り消しました。\r\n"
                          "データベースには、その記録の登録はありません。")
        .arg(which);
}

} // namespace TranscribeText

QString NewAndUpdatedText(const TranscribeReport &report)
{
    if (report.updatedRows.isEmpty())
        return QString();
    return QStringLiteral("（新規 %1 行、更新 %2 行）")
        .arg(report.rowsWritten - report.updatedRows.size())
        .arg(report.updatedRows.size());
}

QString RowPlace(const ImportTable &importTable, int row, int column)
{
    QString where = row > 0 ? QStringLiteral("%1 行目").arg(row) : QStringLiteral("全体");
    if (column >= 0) {
        const QString heading = importTable.heading(column).trimmed();
        where += heading.isEmpty() ? QStringLiteral("（%1 列目）").arg(column)
                                   : QStringLiteral("（%1 列目「%2」）").arg(column).arg(heading);
    }
    return where;
}

int TranscribeReport::incompleteRows() const
{
    if (!rowsToCorrect.isEmpty())
        return rowsTotal; // found before anything was written
    int n = int(rolledBack.size());
    if (outcome == Outcome::Failed || outcome == Outcome::Ended) {
        if (!stops.isEmpty())
            n += int(stops.size()); // a run that goes on: each stopping row was rolled back
        else
            n += failureRow > 0 ? rowsTotal - rowsRead + 1 : rowsTotal;
    }
    return n;
}

namespace {

QString failureMessage(const ImportTable &importTable, int row, int column, const QString &reason)
{
    return QStringLiteral("%1の転記で問題が発生したため、処理を中止しました。\r\n%2\r\nそれより前の行は書き込まれています。")
        .arg(RowPlace(importTable, row, column), reason);
}

// Per-row commits stay cheap on SQLite with a write-ahead log: a killed
// process loses nothing committed, and a power cut at worst the last rows,
// never the file's consistency. The file goes back to its usual journal
// afterwards.
void enterRunJournal(Database &db)
{
    if (db.dialect() != Dialect::SQLite)
        return;
    try {
        db.exec(QStringLiteral("PRAGMA journal_mode=WAL")).finish();
        db.exec(QStringLiteral("PRAGMA synchronous=NORMAL")).finish();
        // A large death register touches many index pages per commit.
        db.exec(QStringLiteral("PRAGMA cache_size=-65536")).finish();
    } catch (const DbError &) {
        // Another connection may hold the file; the default journal is safe too.
    }
}

void leaveRunJournal(Database &db)
{
    if (db.dialect() != Dialect::SQLite || !db.isOpen())
        return;
    try {
        db.exec(QStringLiteral("PRAGMA journal_mode=DELETE")).finish();
    } catch (const DbError &) {
    }
}

bool ensureKakoFile(const QString &path, QString &failure)
{
    QFile f(path);
    if (f.exists())
        return true;
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        failure = QStringLiteral("%1 を作成できません: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}

// The row procedure of the output kind. Returns the reason when the rules
// skip the row, an empty text when it was written.
QString writeImportRow(TranscribeContext &ctx, RowRecords &records, qint16 kind, const QString &preDeleteNo, qint32 &entryCounter)
{
    switch (kind) {
    case kOutMembers: {
        const RowWriteResult o = WriteMemberImportRow(ctx, records);
        return o.written ? QString() : o.skipReason;
    }
    case kOutHouseholds: {
        const RowWriteResult o = WriteHouseholdImportRow(ctx, records, preDeleteNo);
        return o.written ? QString() : o.skipReason;
    }
    case kOutDeathRegister:
        if (records.entry.戒名.trimmed().isEmpty())
            return QStringLiteral("戒名が空です");
        WriteDeathRegisterImportRow(ctx, records, entryCounter);
        return QString();
    default:
        return QStringLiteral("出力区分が不正です");
    }
}


// The rows of a run are committed in batches: one transaction holds the
// rows of up to a few hundred rows or a second, each row inside a savepoint
// of its own, so that a failed row is taken back alone while the rows before
// it stay. The batch's kako.rnd records and M_お参り requests follow the
// same commits. An engine without savepoints commits every row.
class RowBatch {
public:
    RowBatch(Database &db, TranscribeContext &ctx, ServiceSelections &services, const TranscribeOptions &options)
        : m_db(db), m_ctx(ctx), m_services(services), m_savepoints(db.supportsSavepoints()),
          m_maxRows(m_savepoints ? qMax(1, options.batchRows) : 1), m_maxMs(options.batchMs)
    {
    }

    bool isOpen() const { return m_open; }
    // A row could not be taken back to its savepoint; the whole batch was
    // rolled back and cannot be committed.
    bool lost() const { return m_lost; }
    bool due() const { return m_open && (m_rows >= m_maxRows || m_timer.elapsed() >= m_maxMs); }

    // Opens the transaction when none is open (waiting for another
    // writer), then the row's savepoint. Throws DbError.
    void beginRow()
    {
        if (!m_open) {
            m_db.beginTransaction();
            m_open = true;
            m_rows = 0;
            m_timer.start();
        }
        if (m_savepoints)
            m_db.savepoint(kRowSavepoint);
        m_rowOpen = true;
    }

    void keepRow()
    {
        if (m_rowOpen && m_savepoints)
            m_db.releaseSavepoint(kRowSavepoint);
        m_rowOpen = false;
        m_ctx.kakoFile.keepRow();
        m_services.keepRow();
        ++m_rows;
    }

    // Takes the row back. Returns why its kako.rnd record could not be put
    // back, empty when it was.
    QString dropRow()
    {
        m_services.dropRow();
        const bool rowOpen = m_rowOpen;
        m_rowOpen = false;
        if (!m_savepoints) {
            const QString left = rollbackAll();
            return left;
        }
        if (rowOpen) {
            try {
                m_db.rollbackToSavepoint(kRowSavepoint);
            } catch (const DbError &) {
                m_lost = true;
            }
        }
        try {
            m_ctx.kakoFile.undoRow();
            return QString();
        } catch (const KakoRndError &e) {
            return e.message();
        }
    }

    // Writes the batch's M_お参り rows and commits. Throws DbError; on a
    // lock conflict the batch stays open and the commit may be tried again.
    void commit()
    {
        if (!m_open)
            return;
        if (!m_servicesWritten && !m_services.isEmpty()) {
            m_services.write(m_ctx);
            m_servicesWritten = true;
        }
        m_db.commit();
        m_open = false;
        m_servicesWritten = false;
        m_services.clear();
        m_ctx.kakoFile.keepPending();
    }

    // Rolls the whole batch back with its kako.rnd records. Returns why
    // kako.rnd could not be put back, empty when it was.
    QString rollbackAll()
    {
        m_open = m_rowOpen = m_lost = m_servicesWritten = false;
        m_services.clear();
        if (m_db.inTransaction()) {
            try {
                m_db.rollback();
            } catch (const DbError &) {
                // The engine has already rolled back what it could not keep.
            }
        }
        try {
            m_ctx.kakoFile.undoPending();
            return QString();
        } catch (const KakoRndError &e) {
            return e.message();
        }
    }

private:
    static constexpr const char *kRowSavepoint = "tera_row";
    Database &m_db;
    TranscribeContext &m_ctx;
    ServiceSelections &m_services;
    const bool m_savepoints;
    const int m_maxRows;
    const int m_maxMs;
    bool m_open = false;
    bool m_rowOpen = false;
    bool m_lost = false;
    bool m_servicesWritten = false;
    int m_rows = 0;
    QElapsedTimer m_timer;
};

Database::Options databaseOptions(const TranscribeOptions &options)
{
    Database::Options o;
    o.lockWaitMs = options.lockWaitMs;
    return o;
}

} // namespace

namespace {

qint64 highestEntry(Database &db)
{
    Query q = db.exec(QStringLiteral("SELECT max([過去CD]) AS n FROM [W_KAKO]"));
    const qint64 n = q.next() ? q.integer(QStringLiteral("n")) : 0;
    q.finish();
    return n;
}

// Why a journal does not belong to kako.rnd as it is, empty when it does: it
// was written before records from journal.record on were written past the
// old length, so the file is at least that long, those records carry their
// own numbers, and taking them back must not cut an entry W_KAKO holds.
QString journalMismatch(const KakoJournal &journal, const QString &kakoPath, qint64 highest, bool committed)
{
    const qint64 oldRecords = journal.oldLength / kKakoRecordBytes;
    QFile f(kakoPath);
    const qint64 size = f.exists() ? f.size() : 0;
    if (journal.oldLength % kKakoRecordBytes != 0 || journal.record > oldRecords + 1)
        return QStringLiteral("控えの長さ（%1 バイト）と最初のレコード %2 が合いません").arg(journal.oldLength).arg(journal.record);
    if (size < journal.oldLength)
        return QStringLiteral("kako.rnd（%1 バイト）が控えの長さ（%2 バイト）より短くなっています").arg(size).arg(journal.oldLength);
    for (const auto &old : journal.oldRecords)
        if (old.first > oldRecords)
            return QStringLiteral("控えのレコード %1 が控えの長さの外にあります").arg(old.first);
    if (committed)
        return QString();
    if (highest > oldRecords)
        return QStringLiteral("控えのとおりに戻すと、過去帳（W_KAKO）にある過去CD %1 までの記録が kako.rnd からなくなります")
            .arg(highest);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("kako.rnd を読めません（%1）").arg(f.errorString());
    for (qint64 n = oldRecords + 1; n * kKakoRecordBytes <= size; ++n) {
        f.seek((n - 1) * kKakoRecordBytes);
        const QByteArray head = f.read(2);
        if (head.size() != 2 || qFromLittleEndian<qint16>(head.constData()) != n)
            return QStringLiteral("kako.rnd のレコード %1 は控えが取り消すはずの記録ではありません").arg(n);
    }
    return QString();
}

// A journal that is not acted on is kept under a name of its own, never
// deleted: it may be someone's evidence.
QString setJournalAside(const QString &journalPath, const QString &why)
{
    QString aside = journalPath + QStringLiteral(".unmatched");
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = journalPath + QStringLiteral(".unmatched.%1").arg(n);
    if (!QFile::rename(journalPath, aside))
        throw KakoRndError(QStringLiteral("kako.rnd の控え %1 を使えず、別の名前にもできません（%2）。").arg(journalPath, why));
    return QStringLiteral("kako.rnd の控え %1 は今の kako.rnd に合わないため、使わずに %2 として残しました（%3）。kako.rnd は変えていません。")
        .arg(journalPath, aside, why);
}

} // namespace

qint32 SettleKakoJournal(Database &db, const QString &kakoPath, qint32 *lastUndone, QString *setAside)
{
    const QString journalPath = KakoJournalPath(kakoPath);
    if (!QFileInfo::exists(journalPath))
        return 0;
    KakoJournal journal;
    if (!KakoJournal::read(kakoPath, journal)) {
        // Written whole before any record it guards: one that cannot be
        // read was not written by a run for this file.
        const QString note = setJournalAside(journalPath, QStringLiteral("読めない内容です"));
        if (setAside)
            *setAside = note;
        return 0;
    }
    Query q = db.exec(QStringLiteral("SELECT count(*) AS n FROM [W_KAKO] WHERE [過去CD] = ?"), {journal.record});
    q.next();
    const bool committed = q.integer(QStringLiteral("n")) > 0;
    q.finish();
    const QString mismatch = journalMismatch(journal, kakoPath, highestEntry(db), committed);
    if (!mismatch.isEmpty()) {
        const QString note = setJournalAside(journalPath, mismatch);
        if (setAside)
            *setAside = note;
        return 0;
    }
    qint32 undone = 0;
    if (!committed) {
        const qint64 records = QFileInfo(kakoPath).size() / kKakoRecordBytes;
        journal.undo(kakoPath);
        undone = journal.record;
        if (lastUndone)
            *lastUndone = qint32(qMax<qint64>(journal.record, records));
    }
    if (!QFile::remove(journalPath))
        throw KakoRndError(QStringLiteral("kako.rnd の控え %1 を削除できません。").arg(journalPath));
    return undone;
}

namespace {

// The masters a run reads, with the columns it reads: each must be readable
// and hold rows, and the service master read into memory must be the whole
// of OMAIRI's named services. Returns why not, naming the table, or empty.
QString checkMasters(Database &db, const MasterData &master)
{
    const std::pair<const char *, QString> masters[] = {
        {"M_年号", QStringLiteral("SELECT count(*) AS n FROM (SELECT [年号], [開始], [終了], [計算] FROM [M_年号])")},
        {"OMAIRI", QStringLiteral("SELECT count(*) AS n FROM (SELECT [ONO], [NM], [Otuki], [OHi], [訪問区分] FROM [OMAIRI])")},
        {"M_KBN", QStringLiteral("SELECT count(*) AS n FROM (SELECT [ID], [項目NO] FROM [M_KBN])")},
    };
    const QString nothing = QStringLiteral("何も書き込んでいません。");
    for (const auto &[table, sql] : masters) {
        qint64 rows = 0;
        try {
            Query q = db.exec(sql);
            rows = q.next() ? q.integer(QStringLiteral("n")) : 0;
            q.finish();
        } catch (const DbError &e) {
            if (e.cause() != DbError::Cause::None)
                throw;
            return QStringLiteral("マスタ %1 を読めないため、転記を始められません。%2\r\n%3")
                .arg(QString::fromUtf8(table), nothing, e.description());
        }
        if (rows == 0)
            return QStringLiteral("マスタ %1 が空のため、転記を始められません（年号・お参り・区分の値がないまま書き込むことになります）。%2\r\n"
                                  "カリンデでマスタを確かめてから、もう一度実行してください。")
                .arg(QString::fromUtf8(table), nothing);
    }
    Query q = db.exec(QStringLiteral("SELECT count(*) AS n FROM [OMAIRI] WHERE trim(coalesce([NM], '')) <> ''"));
    const qint64 named = q.next() ? q.integer(QStringLiteral("n")) : 0;
    q.finish();
    qint64 loaded = 0;
    for (const OmairiRec &service : master.services)
        loaded += service.NM.isEmpty() ? 0 : 1;
    if (loaded < qMin<qint64>(named, qint64(master.services.size())))
        return QStringLiteral("マスタ OMAIRI のお参り %1 件のうち %2 件しか読み込めていないため、転記を始められません。%3\r\n"
                              "データベースを選び直して、マスタを読み直してください。")
            .arg(named)
            .arg(loaded)
            .arg(nothing);
    return QString();
}

// Numbers on from kako.rnd would write over entries W_KAKO already holds.
QString checkNumbering(Database &db, const QString &kakoPath)
{
    const QFileInfo kako(kakoPath);
    const qint64 bytes = kako.isFile() ? kako.size() : 0;
    if (bytes % kKakoRecordBytes != 0)
        return TranscribeText::kakoCut(bytes);
    Query q = db.exec(QStringLiteral("SELECT max([過去CD]) AS n FROM [W_KAKO]"));
    q.next();
    const qint64 highest = q.integer(QStringLiteral("n"));
    q.finish();
    const qint64 records = bytes / kKakoRecordBytes;
    if (records < highest)
        return TranscribeText::kakoBehind(records, highest);
    if (records > highest)
        return TranscribeText::kakoAhead(records, highest);
    return QString();
}

// Replace mode empties the death register, and kako.rnd with it. The two
// cannot change in one step: the manifest written before the commit lets
// the next run finish a kill on either side of it (W_KAKO tells which), so
// that kako.rnd is never lost while W_KAKO keeps its entries, nor kept once
// they are gone.
void replaceDeathRegister(Database &db, const DatabaseFiles &files)
{
    Transaction tx(db);
    db.execute(QStringLiteral("DELETE FROM [W_KAKO]"));
    db.execute(QStringLiteral("DELETE FROM [W_KAIKI]"));
    // Services scheduled for the entries that go; rows of no entry (0) are
    // the household's own.
    db.execute(QStringLiteral("DELETE FROM [D_OMAIRI] WHERE [過去CD] >= 1"));
    QString why;
    if (!WritePairManifest(files, PairManifest{QStringLiteral("replace"), {}}, why))
        throw KakoRndError(why);
    try {
        PauseHook("replace-before-commit");
        tx.commit();
    } catch (const DbError &) {
        QString ignored;
        RemovePairManifest(files, ignored);
        throw;
    }
    PauseHook("replace-after-commit");
    QFile kako(files.kako);
    if (kako.exists() && (!kako.open(QIODevice::ReadWrite) || !kako.resize(0) || !SyncToDisk(kako)))
        throw KakoRndError(QStringLiteral("kako.rnd を空にできません: %1（%2）").arg(files.kako, kako.errorString()));
    kako.close();
    QFile::remove(KakoJournalPath(files.kako));
    if (!RemovePairManifest(files, why))
        throw KakoRndError(why);
}

// Where the open batch began: a batch that cannot be committed is lost
// whole, and the run reports as if it had stopped at its first row.
// The report is set back by its counts, never copied: a copy per batch
// (per row, without savepoints) would copy its lists again and again.
struct BatchStart {
    int row = 1;
    qint32 entryCounter = 0;
    CellWorkingTexts work;
    int rowsWritten = 0;
    qint32 firstKakoCd = 0, lastKakoCd = 0;
    qsizetype skipped = 0, rolledBack = 0, stops = 0, valueNotices = 0, duplicates = 0;
    void take(int r, qint32 counter, const CellWorkingTexts &w, const TranscribeReport &rep)
    {
        row = r;
        entryCounter = counter;
        work = w;
        rowsWritten = rep.rowsWritten;
        firstKakoCd = rep.firstKakoCd;
        lastKakoCd = rep.lastKakoCd;
        skipped = rep.skipped.size();
        rolledBack = rep.rolledBack.size();
        stops = rep.stops.size();
        valueNotices = rep.valueNotices.size();
        duplicates = rep.duplicates.size();
    }
    void restore(TranscribeReport &rep) const
    {
        rep.rowsRead = row; // the run stops at the batch's first row
        rep.rowsWritten = rowsWritten;
        rep.firstKakoCd = firstKakoCd;
        rep.lastKakoCd = lastKakoCd;
        rep.skipped.resize(skipped);
        rep.rolledBack.resize(rolledBack);
        rep.stops.resize(stops);
        rep.valueNotices.resize(valueNotices);
        rep.duplicates.resize(duplicates);
    }
};

// One transcription, in the order it goes: the checks before anything is
// written and the backup (prepare), the replace question and deletions
// (replace), the rows (rowLoop, one row in runRow) and the close (finish).
// Each step returns false when the run ends there; the report says why.
class TranscribeRun {
public:
    TranscribeRun(const ImportTable &importTable, const RunSettings &state, const MasterData &master, Prompt &prompt,
                  const Clock &clock, ProgressObserver *progress, const TranscribeOptions &options)
        : m_importTable(importTable), m_state(state), m_master(master), m_prompt(prompt), m_clock(clock), m_progress(progress),
          m_options(options), m_kind(state.outputKind), m_lock(state.files.database)
    {
        m_report.rowsTotal = importTable.rowCount();
    }

    TranscribeReport run()
    {
        if (m_kind < kOutMembers || m_kind > kOutDeathRegister) {
            m_report.outcome = TranscribeReport::Outcome::Failed;
            m_report.failure = QStringLiteral("出力区分が不正です。");
            return m_report;
        }
        if (takeRunLock() && prepare() && openRun() && replace()) {
            startRows();
            rowLoop();
            finish();
        }
        return std::move(m_report);
    }

private:
    bool takeRunLock();
    bool prepare();
    bool checkBeforeWriting();
    void takeBackUncommittedKako(Database &db);
    bool checkRegister(Database &db);
    bool checkRows(Database &db);
    bool loadDuplicates(Database &db);
    bool confirmReplace();
    bool deleteForReplace();
    bool beforeRows(bool (TranscribeRun::*step)());
    bool openRun();
    bool replace();
    void startRows();
    void rowLoop();
    void runRow(int r);
    void writeRow(int r, int &column);
    void keepRow(int r, const QString &repeats);
    void programEndsAt(int r, int column);
    void entryLimitAt(int r, const EntryLimitReached &e);
    bool databaseFailedAt(int r, int column, const DbError &e);
    bool stillWaiting();
    void closeRun();
    void finish();

    void fail(int row, int column, const QString &reason);
    void goOn(int row, int column, const QString &reason, bool endsProgram);
    QString reasonOf(const DbError &e) const;
    void loseBatch(const QString &reason);
    bool commitBatch();
    QString dropRow();
    void stopAt(int r, int where, const QString &reason, const QString &kakoLeft);
    void rowFailed(int r, int where, const QString &reason);
    void takeBackFailedRow(int r);

    const ImportTable &m_importTable;
    const RunSettings &m_state;
    const MasterData &m_master;
    Prompt &m_prompt;
    const Clock &m_clock;
    ProgressObserver *const m_progress;
    const TranscribeOptions &m_options;
    const qint16 m_kind;
    TranscribeReport m_report;
    // One wait for another program's lock, shared by the rows and the
    // commits: it starts at the first wait and ends with the next row that
    // gets written, so that two waits in a row never add up past the limit.
    QElapsedTimer m_lockWaiting;
    // Declared before the connection so that it is released after it.
    RunLock m_lock;
    std::unique_ptr<Database> m_ownDb;
    Database *m_db = nullptr;
    std::unique_ptr<TranscribeContext> m_ctx;
    RowRecords m_row; // the row being written, reset before each
    qint64 m_kakoCount = 0;
    QString m_preDeleteNo;
    ReplaceDeletions m_deletions;
    // A replace killed after its deletions were committed was finished just
    // now: the backups it made hold what the clerk had before it, and a copy
    // of the emptied register must not take their place.
    bool m_keepBackups = false;
    bool m_lookForDuplicates = false;
    DuplicateIndex m_duplicates;
    ServiceSelections m_services;
    std::optional<RowBatch> m_batch;
    BatchStart m_start;
    qint32 m_entryCounter = 0;
    qint32 m_rowCounter = 0; // the entry number before the current row
    CellWorkingTexts m_rowWork; // the working texts before the current row
    bool m_stopped = false;
};

void TranscribeRun::fail(int row, int column, const QString &reason)
{
    m_report.outcome = TranscribeReport::Outcome::Failed;
    m_report.failure = reason;
    m_report.failureRow = row;
    m_report.failureColumn = column;
    if (row > 0)
        m_prompt.message(failureMessage(m_importTable, row, column, reason), Icon::Exclamation);
    else
        m_prompt.message(QStringLiteral("転記を開始できません。\r\n%1").arg(reason), Icon::Exclamation);
    if (m_progress)
        m_progress->finished();
}

// A run that goes on past failures notes each one (the row was rolled back
// by its guard) and keeps the first as the run's failure.
void TranscribeRun::goOn(int row, int column, const QString &reason, bool endsProgram)
{
    m_report.stops << RowStop{row, column, reason, endsProgram};
    if (m_report.outcome != TranscribeReport::Outcome::Failed) {
        m_report.outcome = TranscribeReport::Outcome::Failed;
        m_report.failure = reason;
        m_report.failureRow = row;
        m_report.failureColumn = column;
    }
}

QString TranscribeRun::reasonOf(const DbError &e) const
{
    switch (e.cause()) {
    case DbError::Cause::Lock: return TranscribeText::lockedOut(m_options.lockWaitMs);
    case DbError::Cause::DiskFull:
    case DbError::Cause::ReadOnly:
    case DbError::Cause::Io: return TranscribeText::cannotWrite(e.description(), e.cause());
    case DbError::Cause::None: break;
    }
    return e.description();
}

// One run at a time: two runs numbering the same kako.rnd would write over
// each other's entries.
bool TranscribeRun::takeRunLock()
{
    if (!m_options.runLock)
        return true;
    QString refusal;
    if (m_lock.tryTake(refusal))
        return true;
    m_report.outcome = m_lock.busy() ? TranscribeReport::Outcome::Locked : TranscribeReport::Outcome::Failed;
    m_report.failure = refusal;
    m_prompt.message(refusal, Icon::Exclamation);
    if (m_progress)
        m_progress->finished();
    return false;
}

// What a killed process left half done (a backup, restore or replace, a
// kako.rnd record), the masters, the numbering, the rows' cells and what
// replace mode would delete, on a connection of its own, before anything is
// written.
bool TranscribeRun::checkBeforeWriting()
{
    // Before any connection: a restore that is finished here puts another
    // tera.mdb in place.
    m_report.settled = SettlePairFiles(m_state.files, &m_keepBackups);
    for (const QString &note : std::as_const(m_report.settled))
        m_prompt.message(note, Icon::Information);
    std::unique_ptr<Database> own;
    Database *db = m_options.database ? m_options.database
                                      : (own = Database::open(m_state.files.database, databaseOptions(m_options))).get();
    takeBackUncommittedKako(*db);
    if (!checkRegister(*db) || !checkRows(*db) || !loadDuplicates(*db))
        return false;
    if (m_state.executionMode == kModeReplace) {
        try {
            m_deletions = CountReplaceDeletions(*db, m_kind, m_state.files.kako);
        } catch (const DbError &) {
            // The deletion itself meets the same table and reports it.
        }
    }
    if (own)
        own->close();
    return true;
}

// A kako.rnd record that a killed run left uncommitted is taken back.
void TranscribeRun::takeBackUncommittedKako(Database &db)
{
    qint32 lastRecovered = 0;
    QString journalAside;
    m_report.recoveredKakoCd = SettleKakoJournal(db, m_state.files.kako, &lastRecovered, &journalAside);
    if (!journalAside.isEmpty()) {
        m_report.settled << journalAside;
        m_prompt.message(journalAside, Icon::Exclamation);
    }
    if (m_report.recoveredKakoCd > 0)
        m_prompt.message(TranscribeText::kakoRecovered(m_report.recoveredKakoCd, lastRecovered), Icon::Information);
}

// The masters the run reads, and (appending death-register entries) a
// kako.rnd whose next number W_KAKO has not used yet.
bool TranscribeRun::checkRegister(Database &db)
{
    const QString masters = checkMasters(db, m_master);
    if (!masters.isEmpty()) {
        fail(0, -1, masters);
        return false;
    }
    if (m_kind == kOutDeathRegister && m_state.executionMode == kModeAppend) {
        const QString behind = checkNumbering(db, m_state.files.kako);
        if (!behind.isEmpty()) {
            fail(0, -1, behind);
            return false;
        }
    }
    return true;
}

// The cells that would stop the run and the years without an era. A check
// notes them (a real run would write nothing) and goes on, to list what
// each row would do.
bool TranscribeRun::checkRows(Database &db)
{
    TranscribeContext ctx(db, m_state, m_master, m_prompt, m_clock);
    QList<qint16> yearsWithoutEra;
    m_report.rowsToCorrect = FindRowsToCorrect(m_importTable, ctx, m_kind, &yearsWithoutEra);
    if (!yearsWithoutEra.isEmpty()) {
        fail(0, -1, TranscribeText::erasMissing(yearsWithoutEra));
        return false;
    }
    if (!m_report.rowsToCorrect.isEmpty() && !m_options.continueAfterFailure) {
        const RowStop &first = m_report.rowsToCorrect.constFirst();
        fail(0, -1, TranscribeText::rowsToCorrect(m_importTable, m_report.rowsToCorrect));
        m_report.failureRow = first.row;
        m_report.failureColumn = first.column;
        return false;
    }
    return true;
}

// The likely duplicates of an append, known before anything is written:
// an index that cannot be read is no "no duplicates", nor may
// --skip-duplicates be dropped for it.
bool TranscribeRun::loadDuplicates(Database &db)
{
    if (m_state.executionMode != kModeAppend)
        return true;
    try {
        m_duplicates.load(db, m_kind);
    } catch (const DbError &e) {
        if (e.cause() != DbError::Cause::None)
            throw;
        fail(0, -1, QStringLiteral("重複の可能性がある行を調べるための登録済みデータを読めないため、転記を始められません。"
                                   "何も書き込んでいません。\r\n%1")
                        .arg(e.description()));
        return false;
    }
    return true;
}

// Before anything is written: the checks, then the replace question, and
// only after its はい the backup (its copies are the way back that the
// question and the messages point to). A いいえ leaves the previous backups
// as they were.
bool TranscribeRun::prepare()
{
    if (!beforeRows(&TranscribeRun::checkBeforeWriting) || !confirmReplace())
        return false;
    if (m_options.backup && m_keepBackups)
        m_prompt.message(TranscribeText::backupsKept(m_state.files), Icon::Information);
    else if (m_options.backup)
        m_report.backup = BackupDatabase(m_state.files, m_prompt, m_progress);
    if (!m_report.backup.ok
        && m_prompt.ask(TranscribeText::backupFailedQuestion(), Buttons::YesNo, Icon::Critical) != Answer::Yes) {
        m_report.outcome = TranscribeReport::Outcome::BackupDeclined;
        if (m_progress)
            m_progress->finished();
        return false;
    }
    return true;
}

// Replace mode asks first, with what goes and the backup about to be made;
// Enter answers いいえ.
bool TranscribeRun::confirmReplace()
{
    if (m_state.executionMode != kModeReplace)
        return true;
    QStringList backups;
    if (m_options.backup) {
        backups << QFileInfo(m_state.files.databaseBackup).fileName();
        if (QFileInfo(m_state.files.kako).isFile())
            backups << QFileInfo(m_state.files.kakoBackup).fileName();
    }
    const QString question = ReplaceQuestionText(TranscribeText::replaceQuestion(), m_deletions, backups);
    if (m_prompt.askWithDefault(question, Buttons::YesNo, Icon::Exclamation, Answer::No) == Answer::Yes)
        return true;
    m_prompt.message(TranscribeText::kStopped, Icon::Information);
    m_report.outcome = TranscribeReport::Outcome::ReplaceDeclined;
    if (m_progress)
        m_progress->finished();
    return false;
}

// The run's own connection and context.
bool TranscribeRun::openRun()
{
    QString failure;
    if (!ensureKakoFile(m_state.files.kako, failure)) {
        fail(0, -1, failure);
        return false;
    }
    m_db = m_options.database;
    try {
        if (!m_db)
            m_db = (m_ownDb = Database::open(m_state.files.database, databaseOptions(m_options))).get();
    } catch (const DbError &e) {
        fail(0, -1, reasonOf(e));
        return false;
    }
    m_ctx = std::make_unique<TranscribeContext>(*m_db, m_state, m_master, m_prompt, m_clock);
    m_ctx->scheduleKind = 2;
    m_ctx->kakoFile.setJournaled(true);
    m_kakoCount = m_ctx->kakoFile.entryCount();
    return true;
}

// What replace mode empties: the death register with kako.rnd, or the
// members, or the households (their next number kept first).
bool TranscribeRun::deleteForReplace()
{
    if (m_kind == kOutDeathRegister) {
        replaceDeathRegister(*m_db, m_state.files);
        m_kakoCount = 0;
        return true;
    }
    Transaction tx(*m_db);
    if (m_kind == kOutMembers) {
        m_db->execute(QStringLiteral("DELETE FROM [D_KOJIN]"));
    } else {
        // The number the table would have given is kept for the first new
        // household; a lookup that failed is no number, and nothing is
        // deleted on it.
        m_ctx->rowFailures.clear();
        const qint32 next = NextSetaiNo(*m_ctx);
        if (!m_ctx->rowFailures.isEmpty()) {
            fail(0, -1, QStringLiteral("削除の前の世帯番号を調べられないため、転記を始められません。何も削除していません。\r\n%1")
                            .arg(m_ctx->rowFailures.join(QStringLiteral(" / "))));
            m_ctx->rowFailures.clear();
            return false;
        }
        m_preDeleteNo = QString::number(next);
        m_db->execute(QStringLiteral("DELETE FROM [D_SETAI]"));
    }
    tx.commit();
    return true;
}

// A step before the rows: a database or kako.rnd fault ends the run there.
bool TranscribeRun::beforeRows(bool (TranscribeRun::*step)())
{
    try {
        return (this->*step)();
    } catch (const DbError &e) {
        fail(0, -1, reasonOf(e));
    } catch (const KakoRndError &e) {
        fail(0, -1, e.message());
    }
    return false;
}

// Replace mode, once confirmed and backed up: the deletions.
bool TranscribeRun::replace()
{
    if (m_state.executionMode != kModeReplace)
        return true;
    if (!beforeRows(&TranscribeRun::deleteForReplace))
        return false;
    QString failure;
    if (!ensureKakoFile(m_state.files.kako, failure)) {
        fail(0, -1, failure);
        return false;
    }
    return true;
}

void TranscribeRun::startRows()
{
    // Likely duplicates matter only when rows are added to what is there.
    m_lookForDuplicates = m_state.executionMode == kModeAppend;
    m_report.duplicatesSkipped = m_options.skipDuplicates;
    // A row waits for a lock a second at a time, so that the progress window
    // stays alive (and キャンセル works) while the row loop does the waiting.
    // Set before the journal switch: a switch that meets another program's
    // lock gives up within that second (the usual journal is safe too), and
    // the run's wait for the lock is the rows' alone.
    try {
        m_db->setLockWait(qMin(1000, m_options.lockWaitMs));
    } catch (const DbError &) {
        // The engine's own wait stays; the loop still retries.
    }
    enterRunJournal(*m_db);
    if (m_progress)
        m_progress->progress(0, m_report.rowsTotal, TranscribeText::kProgress);
    m_entryCounter = static_cast<qint32>(m_kakoCount);
    if (m_kind == kOutDeathRegister)
        m_ctx->serviceSelections = &m_services;
    m_batch.emplace(*m_db, *m_ctx, m_services, m_options);
}

void TranscribeRun::loseBatch(const QString &reason)
{
    const QString kakoLeft = m_batch->rollbackAll();
    m_start.restore(m_report);
    m_entryCounter = m_start.entryCounter;
    m_ctx->work = m_start.work;
    fail(m_start.row, -1, kakoLeft.isEmpty() ? reason : reason + QStringLiteral("\r\n") + kakoLeft);
    m_stopped = true;
}

// Commits the open batch, waiting out another program's lock. False when it
// could not: the batch is lost and the run stopped.
bool TranscribeRun::commitBatch()
{
    if (m_batch->lost()) {
        loseBatch(QStringLiteral("行の書き込みを取り消せなかったため、まとめて書き込む途中の行を確定できません。"));
        return false;
    }
    for (;;) {
        try {
            m_batch->commit();
            return true;
        } catch (const DbError &e) {
            if (e.isLockConflict()) {
                if (stillWaiting()) {
                    if (m_progress)
                        m_progress->progress(m_start.row, m_report.rowsTotal,
                                             TranscribeText::waitingForLock(m_start.row, m_lockWaiting.elapsed()));
                    QThread::msleep(200);
                    continue;
                }
            }
            loseBatch(reasonOf(e));
            return false;
        }
    }
}

// Takes back the current row: its database writes (to the row's savepoint),
// its kako.rnd record and its entry number. Returns why kako.rnd could not be
// put back, empty when it was: the run must not go on numbering over such a
// record.
QString TranscribeRun::dropRow()
{
    m_entryCounter = m_rowCounter;
    return m_batch->dropRow();
}

// A stop keeps the rows before it: they are committed first.
void TranscribeRun::stopAt(int r, int where, const QString &reason, const QString &kakoLeft)
{
    m_stopped = true;
    if (commitBatch())
        fail(r, where, kakoLeft.isEmpty() ? reason : reason + QStringLiteral("\r\n") + kakoLeft);
}

// A failure whose row has been taken back: a check notes it and goes on; a
// transcription reports it and stops.
void TranscribeRun::rowFailed(int r, int where, const QString &reason)
{
    const QString kakoLeft = dropRow();
    if (!m_options.continueAfterFailure || !kakoLeft.isEmpty())
        stopAt(r, where, reason, kakoLeft);
    else
        goOn(r, where, reason, false);
}

// A writer reported a failure or stopped the row: keep nothing of the row,
// so that no entry is ever half-written, and go on.
void TranscribeRun::takeBackFailedRow(int r)
{
    const QString failures = m_ctx->rowFailures.join(QStringLiteral(" / "));
    const QString kakoLeft = dropRow();
    if (kakoLeft.isEmpty())
        m_report.rolledBack << RowNote{r, failures};
    else
        stopAt(r, -1, failures, kakoLeft);
}

void TranscribeRun::rowLoop()
{
    for (int r = 1; r <= m_importTable.rowCount() && !m_stopped; ++r) {
        if (m_progress) {
            if (m_progress->cancelRequested()) {
                m_report.outcome = TranscribeReport::Outcome::Cancelled;
                break;
            }
            m_progress->progress(r, m_report.rowsTotal, TranscribeText::rowProgress(r));
        }
        runRow(r);
    }
    // What was written before a cancel or the end (a stop has committed its
    // rows already).
    commitBatch();
}

// One row, tried again whole while another program holds the database.
void TranscribeRun::runRow(int r)
{
    ++m_report.rowsRead;
    m_rowCounter = m_entryCounter;
    // The working texts carry over from row to row; a row tried again
    // starts from what the previous row left.
    m_rowWork = m_ctx->work;
    for (bool again = true; again;) {
        again = false;
        int column = -1;
        try {
            writeRow(r, column);
        } catch (const ProgramEndingFailure &) {
            programEndsAt(r, column);
        } catch (const RowFailure &f) {
            if (f.stopsRun)
                rowFailed(r, f.column >= 0 ? f.column : column, f.reason);
            else
                takeBackFailedRow(r); // a lookup that failed
        } catch (const KakoRndError &e) {
            rowFailed(r, -1, e.message());
        } catch (const EntryLimitReached &e) {
            entryLimitAt(r, e);
        } catch (const DbError &e) {
            again = databaseFailedAt(r, column, e);
        }
    }
    if (!m_stopped && m_batch->lost())
        commitBatch(); // reports the loss and stops
    if (!m_stopped)
        m_lockWaiting.invalidate(); // the row got through: a later wait starts afresh
}

// Starts the wait at its first call; false once it has lasted the limit.
bool TranscribeRun::stillWaiting()
{
    if (!m_lockWaiting.isValid())
        m_lockWaiting.start();
    return m_lockWaiting.elapsed() < m_options.lockWaitMs;
}

// Assigns the cells of row r and writes it; column follows the cell being
// assigned (-1 outside the cells).
void TranscribeRun::writeRow(int r, int &column)
{
    TranscribeContext &ctx = *m_ctx;
    if (!m_batch->isOpen())
        m_start.take(r, m_entryCounter, ctx.work, m_report);
    m_batch->beginRow();
    ctx.rowFailures.clear();
    ctx.valueNotices.clear();
    ResetRowRecords(m_row);
    for (int c = 1; c < m_importTable.columnCount(); ++c) {
        column = c;
        QString text = m_importTable.text(r, c);
        AssignCell(ctx, m_row, m_kind, static_cast<qint16>(c), text);
    }
    column = -1;
    if (m_options.rows)
        m_options.rows->rowAssigned(r, ctx, m_row);
    // A repeat is noted once the row is written (a row the rules skip
    // repeats nothing), or left out when asked to.
    QString repeats;
    if (m_lookForDuplicates) {
        const QString existing = m_duplicates.find(m_row);
        if (!existing.isEmpty()) {
            repeats = DuplicateText(m_kind, existing);
            if (m_options.skipDuplicates) {
                dropRow(); // nothing was written
                m_report.duplicates << RowNote{r, repeats};
                m_report.skipped << RowNote{r, QStringLiteral("重複の可能性があるため除きました（%1）").arg(repeats)};
                return;
            }
        }
    }
    const QString skipped = writeImportRow(ctx, m_row, m_kind, m_preDeleteNo, m_entryCounter);
    if (!skipped.isEmpty()) {
        dropRow(); // nothing is kept of a skipped row
        m_report.skipped << RowNote{r, skipped};
        return;
    }
    if (!ctx.rowFailures.isEmpty()) {
        takeBackFailedRow(r);
        return;
    }
    keepRow(r, repeats);
}

void TranscribeRun::keepRow(int r, const QString &repeats)
{
    TranscribeContext &ctx = *m_ctx;
    if (m_options.rows)
        m_options.rows->rowWritten(r, ctx, m_row);
    m_batch->keepRow();
    PauseHook("row-kept");
    ++m_report.rowsWritten;
    if (m_kind == kOutMembers && ctx.memberUpdated)
        m_report.updatedRows << r;
    if (m_lookForDuplicates)
        m_duplicates.add(m_row);
    if (!repeats.isEmpty())
        m_report.duplicates << RowNote{r, repeats};
    for (const ValueNotice &n : std::as_const(ctx.valueNotices))
        m_report.valueNotices << RowNote{r, ValueNoticeLine(n)};
    if (m_kind == kOutDeathRegister) {
        if (m_report.firstKakoCd == 0)
            m_report.firstKakoCd = m_row.entry.過去CD;
        m_report.lastKakoCd = m_row.entry.過去CD;
    }
    if (m_batch->due())
        commitBatch();
}

// A member procedure's database failure at row r: the rows before it stay,
// the run ends and reports that the program is to end. A run that goes on
// past failures notes it instead.
void TranscribeRun::programEndsAt(int r, int column)
{
    dropRow(); // a record that stays is settled by the next run
    const QString reason = m_ctx->rowFailures.join(QStringLiteral(" / "));
    if (m_options.continueAfterFailure) {
        goOn(r, column, reason, true);
        return;
    }
    m_stopped = true;
    if (commitBatch()) {
        m_report.outcome = TranscribeReport::Outcome::Ended;
        m_report.failureRow = r;
        m_report.failureColumn = column;
        m_report.failure = reason;
    }
}

// Every later entry would meet the same limit: one stop says it for all of
// them. Nothing of the row was written yet.
void TranscribeRun::entryLimitAt(int r, const EntryLimitReached &e)
{
    dropRow();
    const int left = m_report.rowsTotal - r;
    m_stopped = true;
    if (!m_options.continueAfterFailure) {
        if (commitBatch())
            fail(r, -1, e.description());
    } else if (left > 0) {
        goOn(r, -1, e.description() + QStringLiteral("この行から後の %1 行の過去帳データも書き込めません。").arg(left), false);
    } else {
        goOn(r, -1, e.description(), false);
    }
}

// True when the row is to be tried again: another program holds the
// database, and the wait is not over.
bool TranscribeRun::databaseFailedAt(int r, int column, const DbError &e)
{
    if (e.cause() != DbError::Cause::None && !e.isLockConflict()) {
        // Every later row would fail the same way: stop here, also in a check.
        stopAt(r, -1, reasonOf(e), dropRow());
        return false;
    }
    if (!e.isLockConflict()) {
        rowFailed(r, column, e.description());
        return false;
    }
    // The row is taken back whole, the rows before it are committed, and the
    // row is tried again until the wait is over.
    const QString kakoLeft = dropRow();
    if (!kakoLeft.isEmpty()) {
        stopAt(r, -1, kakoLeft, QString());
        return false;
    }
    if (!commitBatch())
        return false;
    m_ctx->work = m_rowWork;
    if (!stillWaiting()) {
        fail(r, -1, TranscribeText::lockedOut(m_options.lockWaitMs));
        m_stopped = true;
        return false;
    }
    if (m_progress) {
        m_progress->progress(r, m_report.rowsTotal, TranscribeText::waitingForLock(r, m_lockWaiting.elapsed()));
        if (m_progress->cancelRequested()) {
            m_report.outcome = TranscribeReport::Outcome::Cancelled;
            --m_report.rowsRead; // the row was not written
            m_stopped = true;
            return false;
        }
    }
    QThread::msleep(200);
    return true;
}

// kako.rnd, the journal mode and the run's own connection, after the rows.
void TranscribeRun::closeRun()
{
    m_report.kakoReplacedChars = m_ctx->kakoFile.replacedChars();
    m_ctx->kakoFile.close();
    m_ctx->serviceSelections = nullptr;
    leaveRunJournal(*m_db);
    if (m_ownDb)
        m_db->close();
}

void TranscribeRun::finish()
{
    closeRun();
    // fail() has already closed the progress display of a stopped run.
    if (m_progress && (m_report.outcome != TranscribeReport::Outcome::Failed || !m_report.stops.isEmpty()))
        m_progress->finished();
}

} // namespace

TranscribeReport Transcribe(const ImportTable &importTable, const RunSettings &state, const MasterData &master, Prompt &prompt,
                            const Clock &clock, ProgressObserver *progress, const TranscribeOptions &options)
{
    return TranscribeRun(importTable, state, master, prompt, clock, progress, options).run();
}

} // namespace tera
