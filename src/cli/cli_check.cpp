#include "cli/cli_check.h"

#include "session/startup.h"
#include "cli/cli_options.h"
#include "cli/cli_transcribe.h"
#include "cli/terminal_prompt.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "model/import_table.h"
#include "transcribe/check_run.h"
#include "session/import_session.h"
#include "transcribe/transcribe.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace tera {

namespace {

const char *const kCheckUsage =
    "使い方: tera-import check（transcribe と同じオプション）[--csv FILE] [--csv-encoding cp932|utf-8]\n"
    "  転記と同じ処理をデータベースの一時コピーで行い、書き込む前に問題を一覧します。\n"
    "  データベースと kako.rnd には何も書き込みません。\n"
    "  1 行目が要約（転記が止まるときは、止まるまでに書き込む行数と止まる行）、続いて指摘の一覧です。\n"
    "  同じ種類の指摘が 10 行を超えるときは、最初の 5 行の行番号と「ほか N 行」の 1 行にまとめます。\n"
    "  --csv FILE で一覧を CSV に保存します（行末は CR LF）。文字コードは --csv-encoding で選びます:\n"
    "  cp932（既定。表計算ソフト向け。CP932 にない文字があれば BOM 付き UTF-8）か utf-8（BOM 付き）。\n"
    "  終了コード: 0 最後まで転記できる\n"
    "              1 転記が止まる行・失敗する行がある\n"
    "              2 オプション、リンク、読込みファイルの誤り\n"
    "              3 データベースがない・読めない、または検証できない\n";

const char *const kRestoreUsage =
    "使い方: tera-import restore --db PATH [--yes]\n"
    "  転記の前に作られたバックアップ tera2.mdb と kako2.rnd を tera.mdb と kako.rnd に戻します。\n"
    "  今のファイルは *.before-restore（前に戻した時のものがあれば .2、.3 …）として残します。\n"
    "  戻せなかった時は今のファイルをそのまま残します。--yes で確認に「はい」と答えます。\n"
    "  端末では はい・いいえ（y・n でも可）で答えます。\n"
    "  終了コード: 0 戻した\n"
    "              1 失敗した、またはバックアップがない\n"
    "              2 オプションの誤り\n"
    "              3 確認で中止した\n"
    "              5 別の転記・復元が同じデータベースを使用中\n";

// Up to kAlone findings of the same kind are printed one line each (a
// small file is read line by line); more are one notice naming the first
// kRowsNamed rows and "ほか N 行".
constexpr int kAlone = 10;
constexpr int kRowsNamed = 5;

// What makes findings "the same": the kind, the column and the text with
// the row's own values (quoted texts, numbers) taken out. Findings of one
// such group are printed as one notice with their count.
QString groupKey(const CheckFinding &f)
{
    QString text;
    text.reserve(f.text.size());
    int depth = 0;
    bool inNumber = false;
    for (const QChar ch : f.text) {
        if (ch == u'「') {
            if (depth++ == 0)
                text += ch;
            continue;
        }
        if (ch == u'」' && depth > 0) {
            if (--depth == 0)
                text += ch;
            continue;
        }
        if (depth > 0)
            continue;
        const bool digit = ch.isDigit();
        if (digit && !inNumber)
            text += QLatin1Char('#');
        inNumber = digit;
        if (!digit)
            text += ch;
    }
    return QString::number(int(f.kind)) + QLatin1Char('\x1f') + QString::number(f.column) + QLatin1Char('\x1f') + text;
}

// The findings as the command line prints them: findings of the run as a
// whole and groups of up to kAlone findings one line each, as the run's
// messages name the place; a group of more than kAlone findings of the same kind
// one notice, at the place of its first row, with its first rows and count
// and the first row's text as the example. Returns true when a group was
// printed as one notice.
bool printFindings(const CheckReport &report, const ImportTable &importTable, QTextStream &out)
{
    QHash<QString, QList<int>> groups; // key -> indexes into findings, in row order
    QStringList order;
    const QList<CheckFinding> &findings = report.findings;
    for (int i = 0; i < findings.size(); ++i) {
        const QString key = findings.at(i).row > 0 ? groupKey(findings.at(i)) : QString::number(i);
        auto it = groups.find(key);
        if (it == groups.end()) {
            order << key;
            it = groups.insert(key, {});
        }
        it->append(i);
    }
    // Printed in the order of the findings: a group where its first row is.
    QList<std::pair<int, QString>> lines;
    bool grouped = false;
    for (const QString &key : std::as_const(order)) {
        const QList<int> &members = groups.value(key);
        if (members.size() <= kAlone) {
            for (int i : members) {
                const CheckFinding &f = findings.at(i);
                lines.append({i, RowPlace(importTable, f.row, f.column) + QStringLiteral(" [") + CheckKindName(f.kind)
                                     + QStringLiteral("] ") + f.text});
            }
            continue;
        }
        grouped = true;
        const CheckFinding &first = findings.at(members.first());
        QStringList named;
        for (int k = 0; k < kRowsNamed; ++k)
            named << QString::number(findings.at(members.at(k)).row);
        // The column part of the place, as RowPlace writes it.
        const QString place = RowPlace(importTable, first.row, first.column);
        const QString column = place.mid(place.indexOf(QStringLiteral("行目")) + 2);
        lines.append({members.first(),
                      QStringLiteral("%1 行目ほか %2 行%3 [%4] 同じ種類の指摘が %5 行にあります。%6 行目: %7")
                          .arg(named.join(QStringLiteral("、")))
                          .arg(members.size() - kRowsNamed)
                          .arg(column, CheckKindName(first.kind))
                          .arg(members.size())
                          .arg(first.row)
                          .arg(first.text)});
    }
    std::sort(lines.begin(), lines.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &line : std::as_const(lines))
        out << line.second << '\n';
    out.flush();
    return grouped;
}

} // namespace

int RunCheckCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (asksForHelp(args)) {
        out << kCheckUsage << "オプション: " << kImportOptionsUsage;
        return 0;
    }
    QString csvPath;
    ImportCommand command;
    if (const int code = StartImportCommand(args, kCheckUsage, err, command, &csvPath))
        return code;
    const ImportSession &session = command.session;
    const CheckReport report = session.check(*command.clock, nullptr, command.options.skipDuplicates);
    if (!report.made) {
        err << CheckSummaryText(report).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << Qt::endl;
        return 3;
    }
    // The summary first (a script reads one line), then the findings.
    out << CheckSummaryLine(report) << Qt::endl;
    if (printFindings(report, session.importTable(), out) && csvPath.isEmpty())
        err << QStringLiteral("同じ種類の指摘が %1 行を超えるものはまとめて表示しました。1 件 1 行の一覧は --csv FILE で保存できます。")
                   .arg(kAlone)
            << Qt::endl;
    if (!csvPath.isEmpty()) {
        QStringList headings;
        for (int c = 0; c < session.importTable().columnCount(); ++c)
            headings << session.importTable().heading(c);
        QString why;
        if (!SaveCheckCsv(report, headings, csvPath, why, command.options.csvUtf8)) {
            err << why << Qt::endl;
            return 3;
        }
        err << QStringLiteral("検証結果: %1").arg(QDir::toNativeSeparators(csvPath)) << Qt::endl;
    }
    // A row that would stop the run, or that would be left out because of a
    // failure, is no clean bill.
    return report.stops() || report.count(CheckKind::NotWritten) > 0 ? 1 : 0;
}

int RunRestoreCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (asksForHelp(args)) {
        out << kRestoreUsage;
        return 0;
    }
    QCommandLineParser parser;
    QString error;
    if (!parseStrictly(parser, {QCommandLineOption(QStringLiteral("db"), QString(), QStringLiteral("PATH")),
                                QCommandLineOption(QStringLiteral("yes"))},
                       args, error)) {
        err << error << Qt::endl << kRestoreUsage;
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << QStringLiteral("余分な引数です: %1").arg(parser.positionalArguments().constFirst()) << Qt::endl
            << kRestoreUsage;
        return 2;
    }
    const QString db = parser.value(QStringLiteral("db"));
    const bool yes = parser.isSet(QStringLiteral("yes"));
    if (db.isEmpty()) {
        err << "--db は必ず指定してください。" << Qt::endl << kRestoreUsage;
        return 2;
    }
    if (Database::isConnectionString(db)) {
        err << "接続文字列のデータベースは元に戻せません。データベースのファイルを指定してください。" << Qt::endl;
        return 2;
    }
    // The database may be what went wrong: it is named, not opened, and the
    // session's restore checks the backup pair before touching it.
    ImportSession session;
    session.state().files.database = QFileInfo(db).absoluteFilePath();
    DeriveSiblingPaths(session.state());
    TerminalPrompt prompt(err, yes);
    const RestoreResult result = session.restore(prompt);
    switch (result.outcome) {
    case RestoreResult::Outcome::Restored:
        out << QStringLiteral("元に戻しました: %1").arg(result.restored.join(QStringLiteral("、"))) << Qt::endl;
        return 0;
    case RestoreResult::Outcome::Declined:
        return 3;
    case RestoreResult::Outcome::Locked:
        return 5;
    case RestoreResult::Outcome::NoBackup:
    case RestoreResult::Outcome::Failed:
        return 1;
    }
    return 1;
}

} // namespace tera
