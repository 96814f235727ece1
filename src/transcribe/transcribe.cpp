#include "transcribe/transcribe.h"

#include "app/app_state.h"
#include "convert/cell_assignment.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/grid_model.h"
#include "platform/prompt.h"
#include "transcribe/context.h"
#include "transcribe/death_register.h"
#include "transcribe/household_writer.h"
#include "transcribe/member_writer.h"
#include "transcribe/progress.h"

#include <QFile>

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

} // namespace

TranscribeReport Transcribe(const GridModel &vsf, AppState &state, Prompt &prompt, const Clock &clock,
                            ProgressObserver *progress, const TranscribeOptions &options)
{
    TranscribeReport report;
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

    std::unique_ptr<Database> db;
    try {
        db = Database::open(state.gDbPath);
    } catch (const DbError &e) {
        fail(0, -1, e.description());
        return report;
    }

    TranscribeContext ctx(*db, state, prompt, clock);
    ctx.scheduleKind = 2;
    qint64 kakoCount = ctx.kakoFile.entryCount();
    QString preDeleteNo;

    if (state.gExecMode == kModeReplace) {
        if (prompt.ask(TranscribeText::replaceQuestion(), Buttons::YesNo, Icon::Exclamation) != Answer::Yes) {
            prompt.message(TranscribeText::kStopped, Icon::Information);
            report.outcome = TranscribeReport::Outcome::ReplaceDeclined;
            db->close();
            if (progress)
                progress->finished();
            return report;
        }
        try {
            Transaction tx(*db);
            if (kind == kOutMembers) {
                db->execute(QStringLiteral("DELETE FROM [D_KOJIN]"));
            } else if (kind == kOutHouseholds) {
                preDeleteNo = QString::number(NextSetaiNo(ctx));
                db->execute(QStringLiteral("DELETE FROM [D_SETAI]"));
            } else {
                db->execute(QStringLiteral("DELETE FROM [W_KAKO]"));
                db->execute(QStringLiteral("DELETE FROM [W_KAIKI]"));
            }
            tx.commit();
            if (kind == kOutDeathRegister) {
                if (QFile::exists(state.gKakoPath) && !QFile::remove(state.gKakoPath))
                    throw DbError(75, QStringLiteral("%1 を削除できません。").arg(state.gKakoPath));
                kakoCount = 0;
            }
        } catch (const DbError &e) {
            fail(0, -1, e.description());
            return report;
        }
    }

    enterRunJournal(*db);
    const int dataRows = qMax(0, vsf.Rows() - 1);
    if (progress)
        progress->progress(0, dataRows, TranscribeText::kProgress);

    qint32 entryCounter = static_cast<qint32>(kakoCount);

    for (int r = 1; r < vsf.Rows(); ++r) {
        if (progress) {
            if (progress->cancelRequested()) {
                report.outcome = TranscribeReport::Outcome::Cancelled;
                break;
            }
            progress->progress(r, dataRows, TranscribeText::rowProgress(r));
        }
        ++report.rowsRead;
        const qint32 counterBefore = entryCounter;
        int column = -1;
        // A failure the row's guard has rolled back: a check notes it and goes
        // on (true); a transcription reports it and stops (false).
        auto rowFailed = [&](int where, const QString &reason) {
            if (!options.continueAfterFailure) {
                fail(r, where, reason);
                return false;
            }
            entryCounter = counterBefore;
            goOn(r, where, reason, false);
            return true;
        };
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
            const QString skipped = writeRow(ctx, kind, preDeleteNo, entryCounter);
            if (!skipped.isEmpty()) {
                report.skipped << RowNote{r, skipped};
                continue; // nothing written; the guard has nothing to undo
            }
            if (!ctx.rowFailures.isEmpty()) {
                // A writer reported a failure: keep nothing of the row, so
                // that no entry is ever half-written, and go on.
                entryCounter = counterBefore;
                report.rolledBack << RowNote{r, ctx.rowFailures.join(QStringLiteral(" / "))};
                continue;
            }
            if (options.rows)
                options.rows->rowWritten(r, ctx);
            tx.commit();
            ++report.rowsWritten;
            for (const ValueNotice &n : std::as_const(ctx.valueNotices))
                report.valueNotices << RowNote{r, ValueNoticeLine(n)};
            if (kind == kOutDeathRegister) {
                if (report.firstKakoCd == 0)
                    report.firstKakoCd = ctx.gKakoRec().過去CD;
                report.lastKakoCd = ctx.gKakoRec().過去CD;
            }
        } catch (const EndProgram &) {
            if (options.continueAfterFailure) {
                entryCounter = counterBefore;
                goOn(r, column, ctx.rowFailures.join(QStringLiteral(" / ")), true);
                continue;
            }
            report.outcome = TranscribeReport::Outcome::Ended;
            report.failureRow = r;
            report.failure = ctx.rowFailures.join(QStringLiteral(" / "));
            report.kakoReplacedChars = ctx.kakoFile.replacedChars();
            leaveRunJournal(*db);
            db->close();
            if (progress)
                progress->finished();
            if (options.reportOnEnd)
                *options.reportOnEnd = report;
            throw;
        } catch (const KakoRndError &e) {
            if (!rowFailed(-1, e.message()))
                break;
        } catch (const DbError &e) {
            if (!rowFailed(column, e.description()))
                break;
        }
    }

    report.kakoReplacedChars = ctx.kakoFile.replacedChars();
    leaveRunJournal(*db);
    db->close();
    // fail() has already closed the progress display of a stopped run.
    if (progress && (report.outcome != TranscribeReport::Outcome::Failed || !report.stops.isEmpty()))
        progress->finished();
    return report;
}

} // namespace tera
