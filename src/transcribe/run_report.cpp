#include "transcribe/run_report.h"

#include "model/run_settings.h"
#include "platform/file_io.h"
#include "platform/database.h"

#include <QDir>
#include <QFileInfo>

namespace tera {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString stamp(const QDateTime &t) { return t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")); }

QString native(const QString &path) { return path.isEmpty() ? QStringLiteral("（なし）") : QDir::toNativeSeparators(path); }

void notes(QStringList &lines, const QString &heading, const QList<RowNote> &list)
{
    if (list.isEmpty())
        return;
    lines << QString() << QStringLiteral("%1（%2 行）").arg(heading).arg(list.size());
    for (const RowNote &n : list)
        lines << QStringLiteral("  %1 行目: %2").arg(n.row).arg(n.reason);
}

} // namespace

RunReportInfo RunInfoFor(const RunSettings &state, const QDateTime &started)
{
    RunReportInfo info;
    info.started = started;
    info.finished = QDateTime::currentDateTime();
    info.sourcePath = state.sourcePath;
    info.sourceSheet = state.sourceSheet;
    info.dbPath = state.files.database;
    info.kakoPath = state.files.kako;
    info.kind = state.outputKind;
    info.mode = state.executionMode;
    return info;
}

QString OutKindName(qint16 kind)
{
    switch (kind) {
    case kOutMembers: return QStringLiteral("檀信徒個人データ");
    case kOutHouseholds: return QStringLiteral("世帯データ");
    case kOutDeathRegister: return QStringLiteral("過去帳データ");
    default: return QStringLiteral("（不明: %1）").arg(kind);
    }
}

QString ExecModeName(qint16 mode)
{
    switch (mode) {
    case kModeReplace: return QStringLiteral("既存データを削除して転記");
    case kModeAppend: return QStringLiteral("既存データに追加転記");
    default: return QStringLiteral("（不明: %1）").arg(mode);
    }
}

QString OutcomeName(TranscribeReport::Outcome outcome)
{
    switch (outcome) {
    case TranscribeReport::Outcome::Completed: return QStringLiteral("完了");
    case TranscribeReport::Outcome::BackupDeclined: return QStringLiteral("中止（バックアップに失敗し、続けませんでした）");
    case TranscribeReport::Outcome::ReplaceDeclined: return QStringLiteral("中止（既存データの削除を取りやめました）");
    case TranscribeReport::Outcome::Cancelled: return QStringLiteral("キャンセル（途中で止めました）");
    case TranscribeReport::Outcome::Failed: return QStringLiteral("失敗（途中で止まりました）");
    case TranscribeReport::Outcome::Ended: return QStringLiteral("失敗（データベースの障害でプログラムを終了しました）");
    case TranscribeReport::Outcome::Locked: return QStringLiteral("中止（別の転記または復元がデータベースを使用中でした）");
    }
    return QString();
}

namespace {

// Which run this was: the files, the kinds, the outcome and the counts.
void summaryLines(QStringList &lines, const TranscribeReport &report, const RunReportInfo &info)
{
    lines << QStringLiteral("tera-import 転記レポート") << QString();
    lines << QStringLiteral("開始: %1").arg(stamp(info.started));
    lines << QStringLiteral("終了: %1").arg(stamp(info.finished));
    lines << QStringLiteral("転記元ファイル: %1").arg(native(info.sourcePath));
    if (!info.sourceSheet.isEmpty())
        lines << QStringLiteral("シート: %1").arg(info.sourceSheet);
    lines << QStringLiteral("データベース: %1").arg(native(info.dbPath));
    lines << QStringLiteral("kako.rnd: %1").arg(native(info.kakoPath));
    lines << QStringLiteral("出力区分: %1").arg(OutKindName(info.kind));
    lines << QStringLiteral("実行区分: %1").arg(ExecModeName(info.mode));
    const int incomplete = report.incompleteRows();
    lines << QStringLiteral("結果: %1").arg(!report.rowsToCorrect.isEmpty()
                                                 ? QStringLiteral("失敗（直す必要のある値があるため、始めませんでした）")
                                                 : OutcomeName(report.outcome))
                 + (incomplete > 0 && report.outcome == TranscribeReport::Outcome::Completed
                        ? QStringLiteral("（未完了の行があります）")
                        : QString());
    lines << QStringLiteral("読込 %1 行、書込 %2 行%5、スキップ %3 行、未完了 %4 行（失敗のため何も書き込んでいない行）")
                 .arg(report.rowsRead)
                 .arg(report.rowsWritten)
                 .arg(report.skipped.size())
                 .arg(incomplete)
                 .arg(NewAndUpdatedText(report));
    if (report.recoveredKakoCd > 0)
        lines << QStringLiteral("開始前: 前回の転記が途中で終わっていたため、kako.rnd の確定していない記録（過去CD %1）を取り消しました。")
                     .arg(report.recoveredKakoCd);
    if (info.kind == kOutDeathRegister && report.firstKakoCd > 0)
        lines << QStringLiteral("過去CD: %1 ～ %2").arg(report.firstKakoCd).arg(report.lastKakoCd);
    if (report.kakoReplacedChars > 0)
        lines << QStringLiteral("kako.rnd に書けない文字 %1 字を「?」にしました（データベースには元の文字のまま）。")
                     .arg(report.kakoReplacedChars);
}

// The rows that kept the run from starting, or where and why it stopped.
void stopLines(QStringList &lines, const TranscribeReport &report)
{
    if (!report.rowsToCorrect.isEmpty()) {
        lines << QString() << QStringLiteral("直す必要のある値がある行（%1 行。何も書き込んでいません）:").arg(report.rowsToCorrect.size());
        for (const RowStop &row : report.rowsToCorrect)
            lines << QStringLiteral("  %1 行目（%2 列目）: %3").arg(row.row).arg(row.column).arg(row.reason);
    } else if (report.outcome == TranscribeReport::Outcome::Failed || report.outcome == TranscribeReport::Outcome::Ended) {
        lines << QString() << QStringLiteral("止まった理由:");
        QString where;
        if (report.failureRow > 0)
            where = report.failureColumn >= 0
                        ? QStringLiteral("%1 行目（%2 列目）: ").arg(report.failureRow).arg(report.failureColumn)
                        : QStringLiteral("%1 行目: ").arg(report.failureRow);
        lines << QStringLiteral("  %1%2").arg(where, report.failure.isEmpty() ? QStringLiteral("（理由は不明）") : report.failure);
        if (report.failureRow > 0)
            lines << QStringLiteral("  それより前の行は書き込まれています。この行から後は書き込まれていません。");
    }
}

void backupLines(QStringList &lines, const TranscribeReport &report)
{
    lines << QString() << QStringLiteral("バックアップ:");
    if (report.backup.made.isEmpty())
        lines << QStringLiteral("  作成したファイルはありません。");
    for (const QString &made : report.backup.made) {
        const QFileInfo f(made);
        lines << QStringLiteral("  %1（%2 バイト、%3）").arg(native(made)).arg(f.size()).arg(stamp(f.lastModified()));
    }
    if (!report.backup.ok)
        lines << QStringLiteral("  バックアップに失敗しました: %1").arg(report.backup.failure);
}

} // namespace

QString RunReportText(const TranscribeReport &report, const RunReportInfo &info)
{
    QStringList lines;
    summaryLines(lines, report, info);
    stopLines(lines, report);
    backupLines(lines, report);
    notes(lines, QStringLiteral("スキップした行"), report.skipped);
    notes(lines, QStringLiteral("書き込めなかった行（その行は何も書き込んでいません）"), report.rolledBack);
    notes(lines,
          report.duplicatesSkipped ? QStringLiteral("重複の可能性がある行（既にある行と同じ内容。除く指定のため書き込んでいません）")
                                   : QStringLiteral("重複の可能性がある行（既にある行と同じ内容。書き込んでいます）"),
          report.duplicates);
    if (!report.valueNotices.isEmpty()) {
        lines << QString() << QStringLiteral("正しく読めなかった値（%1 件。行は書き込んでいます）").arg(report.valueNotices.size());
        for (const RowNote &n : report.valueNotices)
            lines << QStringLiteral("  %1 行目、%2").arg(n.row).arg(n.reason);
    }
    return lines.join(kCrLf) + kCrLf;
}

QString RunReportPath(const QString &dbPath, const QDateTime &finished)
{
    const QDir folder = QFileInfo(dbPath).absoluteDir();
    return RunReportPathIn(folder.path(), finished);
}

QString RunReportPathIn(const QString &folderPath, const QDateTime &finished)
{
    const QDir folder(folderPath);
    const QString base = QStringLiteral("import-report-%1").arg(finished.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QString path = folder.filePath(base + QStringLiteral(".txt"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(QStringLiteral("%1-%2.txt").arg(base).arg(n));
    return path;
}

QString WriteRunReport(const TranscribeReport &report, const RunReportInfo &info, QString *error)
{
    // A database reached by a connection string has no folder: the report
    // goes beside kako.rnd instead.
    const QString path = Database::isConnectionString(info.dbPath)
                             ? RunReportPath(info.kakoPath, info.finished)
                             : RunReportPath(info.dbPath, info.finished);
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + RunReportText(report, info).toUtf8();
    const Outcome written = WriteWholeFile(path, bytes);
    if (!written.ok) {
        if (error)
            *error = written.message;
        return QString();
    }
    return path;
}

} // namespace tera
