#include "transcribe/transcribe.h"

#include "app/app_state.h"
#include "convert/cell_assignment.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/grid_model.h"
#include "platform/prompt.h"
#include "transcribe/context.h"
#include "transcribe/death_register.h"
#include "transcribe/duplicates.h"
#include "transcribe/household_writer.h"
#include "transcribe/member_writer.h"
#include "transcribe/progress.h"

#include "transcribe/run_lock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

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

QString kakoCut(qint64 bytes)
{
    return QStringLiteral("kako.rnd の長さ（%1 バイト）が 1 件 780 バイトの倍数ではありません。ファイルが途中で切れているか壊れています。\r\n")
               .arg(bytes)
           + kWaysOut;
}

QString kakoRecovered(qint32 record)
{
    return QStringLiteral("前回の転記が途中で終わっていたため、kako.rnd に残っていた確定していない記録（過去CD %1）を取り消しました。\r\n"
                          "データベースには、その記録の登録はありません。")
        .arg(record);
}

} // namespace TranscribeText

QString RowPlace(const GridModel &vsf, int row, int column)
{
    QString where = row > 0 ? QStringLiteral("%1 行目").arg(row) : QStringLiteral("全体");
    if (column >= 0) {
        const QString heading = vsf.Rows() > 0 ? vsf.TextMatrix(0, column).trimmed() : QString();
        where += heading.isEmpty() ? QStringLiteral("（%1 列目）").arg(column)
                                   : QStringLiteral("（%1 列目「%2」）").arg(column).arg(heading);
    }
    return where;
}

int TranscribeReport::incompleteRows() const
{
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

QString failureMessage(const GridModel &vsf, int row, int column, const QString &reason)
{
    return QStringLiteral("%1の転記で問題が発生したため、処理を中止しました。\r\n%2\r\nそれより前の行は書き込まれています。")
        .arg(RowPlace(vsf, row, column), reason);
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
QString writeRow(TranscribeContext &ctx, qint16 kind, const QString &preDeleteNo, qint32 &entryCounter)
{
    switch (kind) {
    case kOutMembers: {
        const RowWriteResult o = WriteMemberRow(ctx);
        return o.written ? QString() : o.skipReason;
    }
    case kOutHouseholds: {
        const RowWriteResult o = WriteHouseholdRow(ctx, preDeleteNo);
        return o.written ? QString() : o.skipReason;
    }
    case kOutDeathRegister:
        if (ctx.gKakoRec().戒名.trimmed().isEmpty())
            return QStringLiteral("戒名が空です");
        WriteDeathRow(ctx, entryCounter);
        return QString();
    default:
        return QStringLiteral("出力区分が不正です");
    }
}


Database::Options databaseOptions(const TranscribeOptions &options)
{
    Database::Options o;
    o.lockWaitMs = options.lockWaitMs;
    return o;
}

} // namespace

qint32 SettleKakoJournal(Database &db, const QString &kakoPath)
{
    const QString journalPath = KakoJournalPath(kakoPath);
    if (!QFileInfo::exists(journalPath))
        return 0;
    KakoJournal journal;
    qint32 undone = 0;
    if (KakoJournal::read(kakoPath, journal)) {
        Query q = db.exec(QStringLiteral("SELECT count(*) AS n FROM [W_KAKO] WHERE [過去CD] = ?"), {journal.record});
        q.next();
        const bool committed = q.integer(QStringLiteral("n")) > 0;
        q.finish();
        if (!committed) {
            journal.undo(kakoPath);
            undone = journal.record;
        }
    }
    // An incomplete journal was being written when the run was killed:
    // kako.rnd had not been touched yet.
    if (!QFile::remove(journalPath))
        throw KakoRndError(QStringLiteral("kako.rnd の控え %1 を削除できません。").arg(journalPath));
    return undone;
}

namespace {

// The masters a run reads, with the columns it reads.
void checkMasters(Database &db)
{
    const std::pair<const char *, QString> masters[] = {
        {"M_年号", QStringLiteral("SELECT [年号], [開始], [終了], [計算] FROM [M_年号]")},
        {"OMAIRI", QStringLiteral("SELECT [ONO], [NM], [Otuki], [OHi], [訪問区分] FROM [OMAIRI]")},
        {"M_KBN", QStringLiteral("SELECT [ID], [項目NO] FROM [M_KBN]")},
    };
    for (const auto &[table, sql] : masters) {
        try {
            Query q = db.exec(sql);
            q.next();
            q.finish();
        } catch (const DbError &e) {
            if (e.cause() != DbError::Cause::None)
                throw;
            throw DbError(e.number(), QStringLiteral("マスタ %1 を読めないため、転記を始められません。何も書き込んでいません。\r\n%2")
                                          .arg(QString::fromUtf8(table), e.description()));
        }
    }
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
    return records < highest ? TranscribeText::kakoBehind(records, highest) : QString();
}

// Replace mode empties the death register; kako.rnd goes with it, but only
// once the deletions are committed.
void replaceDeathRegister(Database &db, const QString &kakoPath)
{
    Transaction tx(db);
    db.execute(QStringLiteral("DELETE FROM [W_KAKO]"));
    db.execute(QStringLiteral("DELETE FROM [W_KAIKI]"));
    // Services scheduled for the entries that go; rows of no entry (0) are
    // the household's own.
    db.execute(QStringLiteral("DELETE FROM [D_OMAIRI] WHERE [過去CD] >= 1"));
    const QString aside = kakoPath + QStringLiteral(".replacing");
    QFile::remove(aside);
    if (QFile::exists(kakoPath) && !QFile::rename(kakoPath, aside))
        throw DbError(75, QStringLiteral("%1 を削除できません。").arg(kakoPath));
    try {
        tx.commit();
    } catch (const DbError &) {
        QFile::rename(aside, kakoPath);
        throw;
    }
    QFile::remove(aside);
    QFile::remove(KakoJournalPath(kakoPath));
}

} // namespace

TranscribeReport Transcribe(const GridModel &vsf, AppState &state, Prompt &prompt, const Clock &clock,
                            ProgressObserver *progress, const TranscribeOptions &options)
{
    TranscribeReport report;
    report.rowsTotal = qMax(0, vsf.Rows() - 1);
    const qint16 kind = state.gOutKind;
    if (kind < kOutMembers || kind > kOutDeathRegister) {
        report.outcome = TranscribeReport::Outcome::Failed;
        report.failure = QStringLiteral("出力区分が不正です。");
        return report;
    }

    auto fail = [&](int row, int column, const QString &reason) {
        report.outcome = TranscribeReport::Outcome::Failed;
        report.failure = reason;
        report.failureRow = row;
        report.failureColumn = column;
        if (row > 0)
            prompt.message(failureMessage(vsf, row, column, reason), Icon::Exclamation);
        else
            prompt.message(QStringLiteral("転記を開始できません。\r\n%1").arg(reason), Icon::Exclamation);
        if (progress)
            progress->finished();
    };
    auto reasonOf = [&](const DbError &e) {
        switch (e.cause()) {
        case DbError::Cause::Lock: return TranscribeText::lockedOut(options.lockWaitMs);
        case DbError::Cause::DiskFull:
        case DbError::Cause::ReadOnly:
        case DbError::Cause::Io: return TranscribeText::cannotWrite(e.description(), e.cause());
        case DbError::Cause::None: break;
        }
        return e.description();
    };

    // A run that goes on past failures notes each one (the row was rolled
    // back by its guard) and keeps the first as the run's failure.
    auto goOn = [&](int row, int column, const QString &reason, bool endsProgram) {
        report.stops << RowStop{row, column, reason, endsProgram};
        if (report.outcome != TranscribeReport::Outcome::Failed) {
            report.outcome = TranscribeReport::Outcome::Failed;
            report.failure = reason;
            report.failureRow = row;
            report.failureColumn = column;
        }
    };

    // One run at a time: two runs numbering the same kako.rnd would write
    // over each other's entries.
    RunLock lock(state.gDbPath);
    if (options.runLock) {
        QString refusal;
        if (!lock.tryTake(refusal)) {
            report.outcome = lock.busy() ? TranscribeReport::Outcome::Locked : TranscribeReport::Outcome::Failed;
            report.failure = refusal;
            prompt.message(refusal, Icon::Exclamation);
            if (progress)
                progress->finished();
            return report;
        }
    }

    // Before anything is written, the backup included (its copies are the
    // way back that the messages point to).
    try {
        std::unique_ptr<Database> own;
        Database *db = options.database ? options.database : (own = Database::open(state.gDbPath, databaseOptions(options))).get();
        report.recoveredKakoCd = SettleKakoJournal(*db, state.gKakoPath);
        if (report.recoveredKakoCd > 0)
            prompt.message(TranscribeText::kakoRecovered(report.recoveredKakoCd), Icon::Information);
        checkMasters(*db);
        if (kind == kOutDeathRegister && state.gExecMode == kModeAppend) {
            const QString behind = checkNumbering(*db, state.gKakoPath);
            if (!behind.isEmpty()) {
                fail(0, -1, behind);
                return report;
            }
        }
        if (own)
            own->close();
    } catch (const DbError &e) {
        fail(0, -1, reasonOf(e));
        return report;
    } catch (const KakoRndError &e) {
        fail(0, -1, e.message());
        return report;
    }

    // Backup first, while the database is closed.
    if (options.backup)
        report.backup = BackupDatabase(state, prompt, progress);
    if (!report.backup.ok
        && prompt.ask(TranscribeText::backupFailedQuestion(), Buttons::YesNo, Icon::Critical) != Answer::Yes) {
        report.outcome = TranscribeReport::Outcome::BackupDeclined;
        if (progress)
            progress->finished();
        return report;
    }

    QString failure;
    if (!ensureKakoFile(state.gKakoPath, failure)) {
        fail(0, -1, failure);
        return report;
    }

    std::unique_ptr<Database> ownDb;
    Database *db = options.database;
    try {
        if (!db)
            db = (ownDb = Database::open(state.gDbPath, databaseOptions(options))).get();
    } catch (const DbError &e) {
        fail(0, -1, reasonOf(e));
        return report;
    }

    TranscribeContext ctx(*db, state, prompt, clock);
    ctx.scheduleKind = 2;
    ctx.kakoFile.setJournaled(true);
    qint64 kakoCount = ctx.kakoFile.entryCount();
    QString preDeleteNo;

    if (state.gExecMode == kModeReplace) {
        if (prompt.ask(TranscribeText::replaceQuestion(), Buttons::YesNo, Icon::Exclamation) != Answer::Yes) {
            prompt.message(TranscribeText::kStopped, Icon::Information);
            report.outcome = TranscribeReport::Outcome::ReplaceDeclined;
            if (ownDb)
                db->close();
            if (progress)
                progress->finished();
            return report;
        }
        try {
            if (kind == kOutDeathRegister) {
                replaceDeathRegister(*db, state.gKakoPath);
                kakoCount = 0;
            } else {
                Transaction tx(*db);
                if (kind == kOutMembers) {
                    db->execute(QStringLiteral("DELETE FROM [D_KOJIN]"));
                } else {
                    preDeleteNo = QString::number(NextSetaiNo(ctx));
                    db->execute(QStringLiteral("DELETE FROM [D_SETAI]"));
                }
                tx.commit();
            }
        } catch (const DbError &e) {
            fail(0, -1, reasonOf(e));
            return report;
        }
        if (!ensureKakoFile(state.gKakoPath, failure)) {
            fail(0, -1, failure);
            return report;
        }
    }

    // Likely duplicates matter only when rows are added to what is there.
    bool lookForDuplicates = state.gExecMode == kModeAppend;
    report.duplicatesSkipped = options.skipDuplicates;
    DuplicateIndex duplicates;
    if (lookForDuplicates) {
        try {
            duplicates.load(*db, kind);
        } catch (const DbError &) {
            // The row procedures meet the same table and report it in their
            // own way (a member procedure ends the program); the warning is
            // not worth a different outcome.
            lookForDuplicates = false;
        }
    }

    enterRunJournal(*db);
    // A row waits for a lock a second at a time, so that the progress window
    // stays alive (and キャンセル works) while the row loop does the waiting.
    try {
        db->setLockWait(qMin(1000, options.lockWaitMs));
    } catch (const DbError &) {
        // The engine's own wait stays; the loop still retries.
    }
    const int dataRows = report.rowsTotal;
    if (progress)
        progress->progress(0, dataRows, TranscribeText::kProgress);

    qint32 entryCounter = static_cast<qint32>(kakoCount);
    bool stopped = false;

    for (int r = 1; r < vsf.Rows() && !stopped; ++r) {
        if (progress) {
            if (progress->cancelRequested()) {
                report.outcome = TranscribeReport::Outcome::Cancelled;
                break;
            }
            progress->progress(r, dataRows, TranscribeText::rowProgress(r));
        }
        ++report.rowsRead;
        const qint32 counterBefore = entryCounter;
        // The working texts carry over from row to row; a row tried again
        // starts from what the previous row left.
        const CellWorkingTexts workBefore = ctx.work;
        QElapsedTimer waiting;

        // Takes back the row's kako.rnd record (its database writes are
        // rolled back by the transaction guard) and the row's entry number.
        // Returns why the file could not be put back, empty when it was: the
        // run must not go on numbering over such a record.
        auto undoKako = [&]() {
            entryCounter = counterBefore;
            try {
                ctx.kakoFile.undoPending();
                return QString();
            } catch (const KakoRndError &e) {
                return e.message();
            }
        };
        auto stopAt = [&](int where, const QString &reason, const QString &kakoLeft) {
            fail(r, where, kakoLeft.isEmpty() ? reason : reason + QStringLiteral("\r\n") + kakoLeft);
            stopped = true;
        };
        // A failure the row's guard has rolled back: a check notes it and goes
        // on; a transcription reports it and stops.
        auto rowFailed = [&](int where, const QString &reason) {
            const QString kakoLeft = undoKako();
            if (!options.continueAfterFailure || !kakoLeft.isEmpty())
                stopAt(where, reason, kakoLeft);
            else
                goOn(r, where, reason, false);
        };

        for (bool again = true; again;) {
            again = false;
            int column = -1;
            try {
                Transaction tx(*db);
                ctx.rowFailures.clear();
                ctx.valueNotices.clear();
                ClearKakoRec(ctx.records);
                // Each entry's anniversary dates are its own: a row without a
                // complete date must not inherit the previous row's.
                ClearKaikiDates(ctx);
                ctx.gRow().Kankei = QStringLiteral("0");
                for (int c = 1; c < vsf.Cols(); ++c) {
                    column = c;
                    QString text = vsf.TextMatrix(r, c);
                    AssignCell(ctx, kind, static_cast<qint16>(c), text);
                }
                column = -1;
                if (options.rows)
                    options.rows->rowAssigned(r, ctx);
                // A repeat is noted once the row is written (a row the rules
                // skip repeats nothing), or left out when asked to.
                QString repeats;
                if (lookForDuplicates) {
                    const QString existing = duplicates.find(ctx.records);
                    if (!existing.isEmpty()) {
                        repeats = DuplicateText(kind, existing);
                        if (options.skipDuplicates) {
                            report.duplicates << RowNote{r, repeats};
                            report.skipped << RowNote{r, QStringLiteral("重複の可能性があるため除きました（%1）").arg(repeats)};
                            break;
                        }
                    }
                }
                const QString skipped = writeRow(ctx, kind, preDeleteNo, entryCounter);
                if (!skipped.isEmpty()) {
                    report.skipped << RowNote{r, skipped};
                    break; // nothing written; the guard has nothing to undo
                }
                if (!ctx.rowFailures.isEmpty()) {
                    // A writer reported a failure: keep nothing of the row, so
                    // that no entry is ever half-written, and go on.
                    const QString failures = ctx.rowFailures.join(QStringLiteral(" / "));
                    const QString kakoLeft = undoKako();
                    if (kakoLeft.isEmpty())
                        report.rolledBack << RowNote{r, failures};
                    else
                        stopAt(-1, failures, kakoLeft);
                    break;
                }
                if (options.rows)
                    options.rows->rowWritten(r, ctx);
                tx.commit();
                ctx.kakoFile.keepPending();
                ++report.rowsWritten;
                if (lookForDuplicates)
                    duplicates.add(ctx.records);
                if (!repeats.isEmpty())
                    report.duplicates << RowNote{r, repeats};
                for (const ValueNotice &n : std::as_const(ctx.valueNotices))
                    report.valueNotices << RowNote{r, ValueNoticeLine(n)};
                if (kind == kOutDeathRegister) {
                    if (report.firstKakoCd == 0)
                        report.firstKakoCd = ctx.gKakoRec().過去CD;
                    report.lastKakoCd = ctx.gKakoRec().過去CD;
                }
            } catch (const EndProgram &) {
                undoKako(); // a record that stays is settled by the next run
                if (options.continueAfterFailure) {
                    goOn(r, column, ctx.rowFailures.join(QStringLiteral(" / ")), true);
                    break;
                }
                report.outcome = TranscribeReport::Outcome::Ended;
                report.failureRow = r;
                report.failure = ctx.rowFailures.join(QStringLiteral(" / "));
                report.kakoReplacedChars = ctx.kakoFile.replacedChars();
                leaveRunJournal(*db);
                if (ownDb)
                    db->close();
                if (progress)
                    progress->finished();
                if (options.reportOnEnd)
                    *options.reportOnEnd = report;
                throw;
            } catch (const KakoRndError &e) {
                rowFailed(-1, e.message());
            } catch (const EntryLimitReached &e) {
                // Every later entry would meet the same limit: one stop says
                // it for all of them. Nothing of the row was written yet.
                entryCounter = counterBefore;
                const int left = dataRows - r;
                if (!options.continueAfterFailure)
                    fail(r, -1, e.description());
                else if (left > 0)
                    goOn(r, -1, e.description() + QStringLiteral("この行から後の %1 行の過去帳データも書き込めません。").arg(left), false);
                else
                    goOn(r, -1, e.description(), false);
                stopped = true;
            } catch (const DbError &e) {
                if (e.cause() != DbError::Cause::None && !e.isLockConflict()) {
                    // Every later row would fail the same way: stop here,
                    // also in a check.
                    stopAt(-1, reasonOf(e), undoKako());
                    break;
                }
                if (!e.isLockConflict()) {
                    rowFailed(column, e.description());
                    continue;
                }
                // Another program holds the database: the row is rolled back
                // whole and tried again until the wait is over.
                const QString kakoLeft = undoKako();
                if (!kakoLeft.isEmpty()) {
                    stopAt(-1, kakoLeft, QString());
                    break;
                }
                ctx.work = workBefore;
                if (!waiting.isValid())
                    waiting.start();
                if (waiting.elapsed() < options.lockWaitMs) {
                    if (progress) {
                        progress->progress(r, dataRows, TranscribeText::waitingForLock(r, waiting.elapsed()));
                        if (progress->cancelRequested()) {
                            report.outcome = TranscribeReport::Outcome::Cancelled;
                            --report.rowsRead; // the row was not written
                            stopped = true;
                            break;
                        }
                    }
                    QThread::msleep(200);
                    again = true;
                    continue;
                }
                fail(r, -1, TranscribeText::lockedOut(options.lockWaitMs));
                stopped = true;
            }
        }
    }

    report.kakoReplacedChars = ctx.kakoFile.replacedChars();
    leaveRunJournal(*db);
    if (ownDb)
        db->close();
    // fail() has already closed the progress display of a stopped run.
    if (progress && (report.outcome != TranscribeReport::Outcome::Failed || !report.stops.isEmpty()))
        progress->finished();
    return report;
}

} // namespace tera
