#include "cli/cli_transcribe.h"

#include "model/master_data.h"
#include "session/startup.h"
#include "cli/cli_items.h"
#include "cli/cli_options.h"
#include "cli/terminal_prompt.h"
#include "convert/auto_link.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/file_io.h"
#include "platform/prompt.h"
#include "transcribe/link_file.h"
#include "transcribe/progress.h"
#include "transcribe/run_report.h"
#include "transcribe/transcribe.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace tera {

namespace {

// A bar on the terminal, redrawn a few times a second at most.
class TerminalProgress : public ProgressObserver {
public:
    explicit TerminalProgress(QTextStream &err) : m_err(err) { m_timer.start(); }
    void status(const QString &text) override { m_err << text << Qt::endl; }
    void progress(int value, int maximum, const QString &text) override
    {
        Q_UNUSED(text);
        if (value != maximum && value != 0 && m_timer.elapsed() - m_last < 200)
            return;
        m_last = m_timer.elapsed();
        const int width = 30;
        const int filled = maximum > 0 ? int(qint64(width) * value / maximum) : width;
        m_err << '\r' << '[' << QString(filled, QLatin1Char('#')) << QString(width - filled, QLatin1Char('.')) << "] "
              << value << '/' << maximum << Qt::flush;
        m_drawn = true;
    }
    void finished() override
    {
        if (m_drawn)
            m_err << Qt::endl;
        m_drawn = false;
    }

private:
    QTextStream &m_err;
    QElapsedTimer m_timer;
    qint64 m_last = -1000;
    bool m_drawn = false;
};

const char *const kTranscribeUsage =
    "使い方: tera-import transcribe --db PATH --source FILE --kind members|households|death\n"
    "                              --mode replace|append [--title] --link L:R [--link L:R ...]\n"
    "                              [--auto-link] [--links FILE] [--format csv|tsv]\n"
    "                              [--encoding auto|utf-8|cp932] [--skip-duplicates] [--yes]\n"
    "                              [--today YYYY-MM-DD]\n"
    "  --link L:R    読込み列 L（0 から）を書出し項目 R にリンクします。R の一覧は tera-import items --kind KIND。\n"
    "  --auto-link   表題が書出し項目の名前と同じ列をリンクします（画面の 自動リンク と同じ。--title が要ります）。\n"
    "                作ったリンクを表示します。--link はそれに加わり、同じ列・同じ項目のリンクは --link が優先します。\n"
    "  --skip-duplicates  追加転記で、既にある行と同じ内容の行（過去帳: 戒名・俗名・没年月日、檀信徒: 氏名・\n"
    "                生年月日、世帯: 世帯主名・住所）を書き込みません。指定がなければ警告して書き込みます。\n"
    "  --links FILE  画面で保存したデータリンク（出力区分と表題の区分も含む）を使います。\n"
    "                このとき --kind と --link は省略できます（--link は後に追加されます）。\n"
    "  転記が終わると、データベースと同じフォルダに転記レポート import-report-*.txt を書きます。\n"
    "  --db=PATH のように = で値を付けることもできます。--link 以外のオプションは一度だけ指定します。\n"
    "  終了コード: 0 転記した（キャンセルで止めたときも）\n"
    "              1 失敗のため書き込めなかった行・取り消した行がある、または転記が途中で止まった\n"
    "              2 オプション、リンク、読込みファイルの誤り（何も書き込みません）\n"
    "              3 確認で中止した、またはデータベースがない・読めない\n"
    "              4 データベースの障害でプログラムを終了した\n"
    "              5 別の転記・復元が同じデータベースを使用中\n";

} // namespace

const char *const kImportOptionsUsage =
    "--db PATH --source FILE --kind members|households|death --mode replace|append\n"
    "  [--title] --link L:R [--link L:R ...] [--auto-link] [--links FILE] [--format csv|tsv]\n"
    "  [--encoding auto|utf-8|cp932] [--skip-duplicates] [--yes] [--today YYYY-MM-DD]\n";

bool ParseImportOptions(const QStringList &args, ImportOptions &o, QString &error, QString *checkCsv)
{
    const auto value = [](const char *name, const char *valueName) {
        return QCommandLineOption(QString::fromLatin1(name), QString(), QString::fromLatin1(valueName));
    };
    QList<QCommandLineOption> known{value("db", "PATH"),
                                    value("source", "FILE"),
                                    value("kind", "KIND"),
                                    value("mode", "MODE"),
                                    QCommandLineOption(QStringLiteral("title")),
                                    value("link", "L:R"),
                                    value("links", "FILE"),
                                    value("format", "FORMAT"),
                                    value("encoding", "ENCODING"),
                                    QCommandLineOption(QStringLiteral("yes")),
                                    QCommandLineOption(QStringLiteral("auto-link")),
                                    QCommandLineOption(QStringLiteral("skip-duplicates")),
                                    value("today", "DATE")};
    if (checkCsv)
        known << value("csv", "FILE") << value("csv-encoding", "ENCODING");
    QCommandLineParser parser;
    if (!parseStrictly(parser, known, args, error, {QStringLiteral("link")}))
        return false;
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("余分な引数です: %1").arg(parser.positionalArguments().constFirst());
        return false;
    }
    const auto given = [&](const char *name) { return parser.isSet(QString::fromLatin1(name)); };
    const auto valueOf = [&](const char *name) { return parser.value(QString::fromLatin1(name)); };

    o.db = valueOf("db");
    o.source = valueOf("source");
    o.linksFile = valueOf("links");
    if (checkCsv) {
        *checkCsv = valueOf("csv");
        if (given("csv-encoding")) {
            const QString v = valueOf("csv-encoding");
            if (v == QStringLiteral("utf-8") || v == QStringLiteral("utf8"))
                o.csvUtf8 = true;
            else if (v != QStringLiteral("cp932")) {
                error = QStringLiteral("--csv-encoding は cp932 か utf-8 です（%1）。").arg(v);
                return false;
            }
        }
    }
    if (given("kind")) {
        const QString v = valueOf("kind");
        if (v == QStringLiteral("members"))
            o.kind = kOutMembers;
        else if (v == QStringLiteral("households"))
            o.kind = kOutHouseholds;
        else if (v == QStringLiteral("death"))
            o.kind = kOutDeathRegister;
        else {
            error = QStringLiteral("--kind は members、households、death のいずれかです（%1）。").arg(v);
            return false;
        }
    }
    if (given("mode")) {
        const QString v = valueOf("mode");
        if (v == QStringLiteral("replace"))
            o.mode = kModeReplace;
        else if (v == QStringLiteral("append"))
            o.mode = kModeAppend;
        else {
            error = QStringLiteral("--mode は replace か append です（%1）。").arg(v);
            return false;
        }
    }
    if (given("title"))
        o.titleRows = 1;
    // The links in the order given: the link grid's order.
    for (const QString &v : parser.values(QStringLiteral("link"))) {
        const QStringList parts = v.split(QLatin1Char(':'));
        bool okL = false, okR = false;
        DataLink l;
        if (parts.size() == 2) {
            l.Lpoj = parts.at(0).trimmed().toInt(&okL);
            l.Rpoj = parts.at(1).trimmed().toInt(&okR);
        }
        if (!okL || !okR) {
            error = QStringLiteral("--link は 読込み列:書出し項目 の形で指定してください（%1）。").arg(v);
            return false;
        }
        o.links << l;
    }
    if (given("format")) {
        const QString v = valueOf("format");
        if (v == QStringLiteral("csv"))
            o.format = GridFileKind::Csv;
        else if (v == QStringLiteral("tsv"))
            o.format = GridFileKind::Tsv;
        else {
            error = QStringLiteral("--format は csv か tsv です（%1）。").arg(v);
            return false;
        }
        o.formatGiven = true;
    }
    if (given("encoding")) {
        const QString v = valueOf("encoding");
        if (v == QStringLiteral("auto"))
            o.encoding = TextEncoding::Auto;
        else if (v == QStringLiteral("utf-8") || v == QStringLiteral("utf8"))
            o.encoding = TextEncoding::Utf8;
        else if (v == QStringLiteral("cp932") || v == QStringLiteral("sjis") || v == QStringLiteral("shift_jis"))
            o.encoding = TextEncoding::Cp932;
        else {
            error = QStringLiteral("--encoding は auto、utf-8、cp932 のいずれかです（%1）。").arg(v);
            return false;
        }
    }
    if (given("yes"))
        o.yes = true;
    if (given("auto-link"))
        o.autoLink = true;
    if (given("skip-duplicates"))
        o.skipDuplicates = true;
    if (given("today")) {
        const QString v = valueOf("today");
        o.today = QDate::fromString(v, QStringLiteral("yyyy-MM-dd"));
        if (!o.today.isValid()) {
            error = QStringLiteral("--today は YYYY-MM-DD の形の日付です（%1）。").arg(v);
            return false;
        }
    }
    const bool saved = !o.linksFile.isEmpty();
    if (o.db.isEmpty() || o.source.isEmpty() || (o.kind < 0 && !saved) || o.mode < 0) {
        error = saved ? QStringLiteral("--db、--source、--mode は必ず指定してください。")
                      : QStringLiteral("--db、--source、--kind、--mode は必ず指定してください。");
        return false;
    }
    if (o.links.isEmpty() && !saved && !o.autoLink) {
        error = QStringLiteral("--link を一つ以上指定するか、--auto-link か、--links で保存したデータリンクを指定してください。");
        return false;
    }
    return true;
}

GridFileKind DetectSeparator(const QString &path)
{
    // Nothing but a regular file is opened here: a named pipe would block the
    // open, and the loader that follows says why the file is refused.
    if (!CheckReadableFile(path).ok)
        return GridFileKind::Csv;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return GridFileKind::Csv;
    // Comma and tab are single bytes in every encoding read here (CP932
    // trail bytes start at 0x40), so the raw first line is enough.
    const QByteArray head = f.read(64 * 1024);
    int commas = 0, tabs = 0;
    bool quoted = false;
    for (char ch : head) {
        if (ch == '"')
            quoted = !quoted;
        else if (!quoted && (ch == '\n' || ch == '\r'))
            break;
        else if (!quoted && ch == ',')
            ++commas;
        else if (!quoted && ch == '\t')
            ++tabs;
    }
    return tabs > commas ? GridFileKind::Tsv : GridFileKind::Csv;
}

std::unique_ptr<Clock> ClockFor(const ImportOptions &options)
{
    if (options.today.isValid())
        return std::make_unique<FixedClock>(options.today);
    return std::make_unique<SystemClock>();
}

bool PrepareImport(const ImportOptions &given, Prompt &prompt, QTextStream &err, PreparedImport &out, int &exitCode)
{
    ImportOptions o = given;
    LinkFile savedLinks;
    if (!o.linksFile.isEmpty()) {
        // The saved link says which kind and title option its links are for.
        QString error;
        if (!ReadLinkFile(o.linksFile, savedLinks, error)) {
            err << error << Qt::endl;
            exitCode = 2;
            return false;
        }
        if (o.kind >= 0 && o.kind != savedLinks.kind) {
            err << QStringLiteral("--kind %1 とデータリンク %2 の出力区分 %3 が違います。")
                       .arg(KindKey(o.kind), o.linksFile, KindKey(savedLinks.kind))
                << Qt::endl;
            exitCode = 2;
            return false;
        }
        o.kind = savedLinks.kind;
        if (savedLinks.titleRows == 1)
            o.titleRows = 1;
    }
    AppState &s = out.state;
    s.files.database = Database::isConnectionString(o.db) ? o.db : QFileInfo(o.db).absoluteFilePath();
    DeriveSiblingPaths(s);
    s.outputKind = static_cast<OutputKind>(o.kind);
    s.executionMode = static_cast<ExecutionMode>(o.mode);

    if (!Database::isConnectionString(o.db) && !fileExistsExactly(s.files.database)) {
        prompt.message(StartupText::kNoDatabase, Icon::Exclamation);
        exitCode = 3;
        return false;
    }
    try {
        std::unique_ptr<Database> db = Database::open(s.files.database);
        ReadMasterData(*db, s, prompt);
        db->close();
    } catch (const DbError &e) {
        err << e.description() << Qt::endl;
        prompt.message(StartupText::kDatabaseFault, Icon::Exclamation);
        exitCode = 3;
        return false;
    }

    out.preview = std::make_unique<GridModel>();
    const GridFileKind format = o.formatGiven ? o.format : DetectSeparator(o.source);
    const GridResult loaded = out.preview->LoadGrid(o.source, format, o.encoding);
    if (!loaded.ok) {
        err << loaded.message << Qt::endl;
        exitCode = 2;
        return false;
    }
    if (loaded.hasWarning())
        err << loaded.message << Qt::endl;
    if (out.preview->Cols() == 0) {
        // Nothing to link or write; the loader has said so.
        if (!loaded.hasWarning())
            err << NoDataMessage(o.source) << Qt::endl;
        exitCode = 2;
        return false;
    }

    out.catalogue = CatalogueOf(o.kind);
    if (!o.linksFile.isEmpty()) {
        QStringList titles;
        for (int c = 0; c < out.preview->Cols(); ++c)
            titles << (out.preview->Rows() > 0 ? out.preview->TextMatrix(0, c) : QString());
        const LinkMatch match = MatchSavedLinks(savedLinks, titles, out.preview->Cols(), out.catalogue);
        QString said = LinkMatchMessage(match);
        if (!said.isEmpty())
            err << said.replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << Qt::endl;
        if (!match.complete()) {
            // Some of the columns the link was made for are not in this
            // file: nothing is written until the link fits it.
            exitCode = 2;
            return false;
        }
        // Links given on the command line come after the saved ones (a later
        // link to the same column wins).
        o.links = match.links + o.links;
    }
    if (o.autoLink) {
        if (o.titleRows != 1) {
            err << QStringLiteral("--auto-link は表題のあるファイルで使います。--title を指定してください。") << Qt::endl;
            exitCode = 2;
            return false;
        }
        // Columns and items that --link or the saved link name stay theirs.
        QList<int> columns, items;
        for (const DataLink &l : o.links) {
            columns << l.Lpoj;
            items << l.Rpoj;
        }
        QStringList titles;
        for (int c = 0; c < out.preview->Cols(); ++c)
            titles << (out.preview->Rows() > 0 ? out.preview->TextMatrix(0, c) : QString());
        const AutoLinkResult found = AutoLink(titles, o.kind, columns, items);
        QList<DataLink> made;
        for (const auto &[column, slot] : found.links) {
            DataLink l;
            l.Lpoj = column;
            l.Rpoj = slot;
            made << l;
            err << QStringLiteral("自動リンク: --link %1:%2（%3 → %4）")
                       .arg(column)
                       .arg(slot)
                       .arg(titles.value(column).trimmed(), out.catalogue.at(slot).name)
                << Qt::endl;
        }
        if (made.isEmpty())
            err << QStringLiteral("表題が書き出し項目の名前と同じ列はありませんでした。") << Qt::endl;
        else if (!found.unmatched.isEmpty())
            err << QStringLiteral("自動リンクしなかった表題: %1").arg(found.unmatched.join(QStringLiteral("、"))) << Qt::endl;
        o.links = made + o.links;
    }
    if (o.links.isEmpty()) {
        err << QStringLiteral("リンクがありません。") << Qt::endl;
        exitCode = 2;
        return false;
    }
    for (const DataLink &l : o.links) {
        if (l.Lpoj < 0 || l.Lpoj >= out.preview->Cols()) {
            err << LinkText::kNoSourceItem << Qt::endl
                << QStringLiteral("読込みデータに %1 列目はありません（0 から %2 まで）。").arg(l.Lpoj).arg(out.preview->Cols() - 1)
                << Qt::endl;
            exitCode = 2;
            return false;
        }
        if (l.Rpoj < 0 || l.Rpoj >= out.catalogue.size() || out.catalogue.at(l.Rpoj).name.isEmpty()) {
            err << LinkText::kNoTargetItem << Qt::endl
                << QStringLiteral("書出し項目 %1 はこの出力区分にありません（0 から %2 まで。一覧は tera-import items --kind %3）。")
                       .arg(l.Rpoj)
                       .arg(LastItemNumber(out.catalogue))
                       .arg(KindKey(o.kind))
                << Qt::endl;
            exitCode = 2;
            return false;
        }
        if (out.catalogue.at(l.Rpoj).noLink == 1) {
            prompt.message(LinkText::kNotLinkable, Icon::Critical);
            err << QStringLiteral("書出し項目 %1「%2」").arg(l.Rpoj).arg(out.catalogue.at(l.Rpoj).name) << Qt::endl;
            exitCode = 2;
            return false;
        }
    }

    out.importTable = std::make_unique<GridModel>();
    out.importTable->setRows(1);
    out.importTable->setCols(1);
    out.importTable->setFixedRows(1);
    out.importTable->setFixedCols(1);
    QList<ItemRec> srcItems;
    QStringList lstAll;
    BuildSourceItems(*out.preview, srcItems, lstAll);
    const FillResult filled = FillImportTable(o.source, out.catalogue, *out.preview, o.links, o.titleRows,
                                              *out.importTable, s.sourcePath);
    if (!filled.ok) {
        err << filled.message << Qt::endl;
        exitCode = 2;
        return false;
    }
    return true;
}

int StartImportCommand(const QStringList &args, const char *usage, QTextStream &err, ImportCommand &command,
                       QString *checkCsv)
{
    QString error;
    if (!ParseImportOptions(args, command.options, error, checkCsv)) {
        err << error << Qt::endl << usage;
        return 2;
    }
    command.prompt = std::make_unique<TerminalPrompt>(err, command.options.yes);
    int code = 0;
    if (!PrepareImport(command.options, *command.prompt, err, command.prepared, code))
        return code;
    command.clock = ClockFor(command.options);
    return 0;
}

int RunTranscribeCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (asksForHelp(args)) {
        out << kTranscribeUsage;
        return 0;
    }
    ImportCommand command;
    if (const int code = StartImportCommand(args, kTranscribeUsage, err, command))
        return code;
    PreparedImport &prepared = command.prepared;
    Prompt &prompt = *command.prompt;
    const std::unique_ptr<Clock> &clock = command.clock;
    std::unique_ptr<ProgressObserver> progress;
    if (isatty(fileno(stderr)))
        progress = std::make_unique<TerminalProgress>(err);

    TranscribeReport report;
    TranscribeOptions options;
    options.reportOnEnd = &report;
    options.skipDuplicates = command.options.skipDuplicates;
    const QDateTime started = QDateTime::currentDateTime();
    // The run report goes beside the database whatever became of the run.
    auto fileReport = [&] {
        QString error;
        const QString path = WriteRunReport(report, RunInfoFor(prepared.state.runSettings(), started), &error);
        if (path.isEmpty())
            err << QStringLiteral("転記レポートを書けません: %1").arg(error) << Qt::endl;
        else
            err << QStringLiteral("転記レポート: %1").arg(QDir::toNativeSeparators(path)) << Qt::endl;
    };
    try {
        report = Transcribe(*prepared.importTable, prepared.state.runSettings(), prepared.state.master, prompt, *clock, progress.get(), options);
    } catch (const EndProgram &) {
        fileReport();
        out << QStringLiteral("データベースの障害のため、プログラムを終了しました。それより前の行は書き込まれています。") << Qt::endl;
        return 4;
    }
    fileReport();
    QString summary = QStringLiteral("読込 %1 行、書込 %2 行、スキップ %3 行")
                          .arg(report.rowsRead)
                          .arg(report.rowsWritten)
                          .arg(report.skipped.size());
    const int incomplete = report.incompleteRows();
    if (incomplete > 0)
        summary += QStringLiteral("、未完了 %1 行").arg(incomplete);
    out << summary << Qt::endl;
    for (const RowNote &n : report.skipped)
        err << QStringLiteral("%1 行目: スキップ（%2）").arg(n.row).arg(n.reason) << Qt::endl;
    if (!report.duplicatesSkipped)
        for (const RowNote &n : report.duplicates)
            err << QStringLiteral("%1 行目: 重複の可能性（%2）、書き込みました").arg(n.row).arg(n.reason) << Qt::endl;
    for (const RowNote &n : report.rolledBack)
        err << QStringLiteral("%1 行目: 未完了、何も書き込んでいません（%2）").arg(n.row).arg(n.reason) << Qt::endl;
    if (report.kakoReplacedChars > 0)
        err << QStringLiteral("kako.rnd に書けない文字 %1 字を「?」にしました（データベースには元の文字のまま）。")
                   .arg(report.kakoReplacedChars)
            << Qt::endl;
    switch (report.outcome) {
    case TranscribeReport::Outcome::Completed:
    case TranscribeReport::Outcome::Cancelled:
        // Rows rolled back because of a failure are no success.
        return report.rolledBack.isEmpty() ? 0 : 1;
    case TranscribeReport::Outcome::BackupDeclined:
    case TranscribeReport::Outcome::ReplaceDeclined:
        return 3;
    case TranscribeReport::Outcome::Failed:
        return 1;
    case TranscribeReport::Outcome::Ended:
        return 4;
    case TranscribeReport::Outcome::Locked:
        return 5;
    }
    return 1;
}

} // namespace tera
