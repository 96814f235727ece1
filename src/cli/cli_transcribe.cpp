#include "cli/cli_transcribe.h"

#include "cli/cli_items.h"
#include "cli/cli_options.h"
#include "cli/terminal_prompt.h"
#include "convert/auto_link.h"
#include "platform/clock.h"
#include "platform/file_io.h"
#include "platform/prompt.h"
#include "transcribe/link_file.h"
#include "transcribe/progress.h"
#include "transcribe/transcribe.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <initializer_list>
#include <utility>
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

// The value given to option name as one of its words; a word it does not
// take is refused with refusal (the word in %1). Left alone when not given.
template <typename T>
bool choose(const QCommandLineParser &parser, const char *name, std::initializer_list<std::pair<const char *, T>> words,
            T &out, const QString &refusal, QString &error)
{
    if (!parser.isSet(QString::fromLatin1(name)))
        return true;
    const QString given = parser.value(QString::fromLatin1(name));
    for (const auto &[word, value] : words)
        if (given == QLatin1String(word)) {
            out = value;
            return true;
        }
    error = refusal.arg(given);
    return false;
}

const char *const kTranscribeUsage =
    "使い方: tera-import transcribe --db PATH --source FILE --kind members|households|death\n"
    "                              --mode replace|append [--title] --link L:R [--link L:R ...]\n"
    "                              [--auto-link] [--links FILE] [--format csv|tsv]\n"
    "                              [--encoding auto|utf-8|cp932] [--sheet NAME|NUMBER]\n"
    "                              [--skip-duplicates] [--yes] [--today YYYY-MM-DD]\n"
    "  --source      CSV・TSV のほか、表計算ソフトのブック .xlsx .xlsm .xls .ods を読めます。セルは表計算ソフトの\n"
    "                表示どおりの文字（書式つきの数値・日付・和暦）になります。\n"
    "  --sheet       ブックの読むシート（名前、または 1 からの番号）。省略するとブックを開いたときのシートです。\n"
    "                シートの一覧は tera-import sheets FILE。\n"
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
    "  [--encoding auto|utf-8|cp932] [--sheet NAME|NUMBER] [--skip-duplicates] [--yes] [--today YYYY-MM-DD]\n";

namespace {

QList<QCommandLineOption> importOptionList(bool withCheckCsv)
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
                                    value("sheet", "SHEET"),
                                    QCommandLineOption(QStringLiteral("yes")),
                                    QCommandLineOption(QStringLiteral("auto-link")),
                                    QCommandLineOption(QStringLiteral("skip-duplicates")),
                                    value("today", "DATE")};
    if (withCheckCsv)
        known << value("csv", "FILE") << value("csv-encoding", "ENCODING");
    return known;
}

// The links in the order given: the link grid's order.
bool readLinks(const QCommandLineParser &parser, QList<DataLink> &links, QString &error)
{
    for (const QString &v : parser.values(QStringLiteral("link"))) {
        const QStringList parts = v.split(QLatin1Char(':'));
        bool okL = false, okR = false;
        DataLink l;
        if (parts.size() == 2) {
            l.sourceColumn = parts.at(0).trimmed().toInt(&okL);
            l.importColumn = parts.at(1).trimmed().toInt(&okR);
        }
        if (!okL || !okR) {
            error = QStringLiteral("--link は 読込み列:書出し項目 の形で指定してください（%1）。").arg(v);
            return false;
        }
        links << l;
    }
    return true;
}

bool readToday(const QCommandLineParser &parser, QDate &today, QString &error)
{
    if (!parser.isSet(QStringLiteral("today")))
        return true;
    const QString v = parser.value(QStringLiteral("today"));
    today = QDate::fromString(v, QStringLiteral("yyyy-MM-dd"));
    if (!today.isValid()) {
        error = QStringLiteral("--today は YYYY-MM-DD の形の日付です（%1）。").arg(v);
        return false;
    }
    return true;
}

// A database, a source, a kind (or a saved link that names it), a mode and
// at least one way to link.
bool checkRequired(const ImportOptions &o, QString &error)
{
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

} // namespace

bool ParseImportOptions(const QStringList &args, ImportOptions &o, QString &error, QString *checkCsv)
{
    QCommandLineParser parser;
    if (!parseStrictly(parser, importOptionList(checkCsv != nullptr), args, error, {QStringLiteral("link")}))
        return false;
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("余分な引数です: %1").arg(parser.positionalArguments().constFirst());
        return false;
    }
    const auto given = [&](const char *name) { return parser.isSet(QString::fromLatin1(name)); };
    const auto valueOf = [&](const char *name) { return parser.value(QString::fromLatin1(name)); };

    o.db = valueOf("db");
    o.source = valueOf("source");
    o.sheet = valueOf("sheet");
    if (given("sheet") && o.sheet.isEmpty()) {
        error = QStringLiteral("--sheet にはシートの名前か番号を指定してください。");
        return false;
    }
    o.linksFile = valueOf("links");
    if (checkCsv) {
        *checkCsv = valueOf("csv");
        if (!choose(parser, "csv-encoding", {{"utf-8", true}, {"utf8", true}, {"cp932", false}}, o.csvUtf8,
                    QStringLiteral("--csv-encoding は cp932 か utf-8 です（%1）。"), error))
            return false;
    }
    if (!choose<qint16>(parser, "kind", {{"members", kOutMembers}, {"households", kOutHouseholds}, {"death", kOutDeathRegister}},
                        o.kind, QStringLiteral("--kind は members、households、death のいずれかです（%1）。"), error)
        || !choose<qint16>(parser, "mode", {{"replace", kModeReplace}, {"append", kModeAppend}}, o.mode,
                           QStringLiteral("--mode は replace か append です（%1）。"), error))
        return false;
    if (given("title"))
        o.titleRows = 1;
    if (!readLinks(parser, o.links, error))
        return false;
    o.formatGiven = given("format");
    if (!choose(parser, "format", {{"csv", GridFileKind::Csv}, {"tsv", GridFileKind::Tsv}}, o.format,
                QStringLiteral("--format は csv か tsv です（%1）。"), error)
        || !choose(parser, "encoding",
                   {{"auto", TextEncoding::Auto}, {"utf-8", TextEncoding::Utf8}, {"utf8", TextEncoding::Utf8},
                    {"cp932", TextEncoding::Cp932}, {"sjis", TextEncoding::Cp932}, {"shift_jis", TextEncoding::Cp932}},
                   o.encoding, QStringLiteral("--encoding は auto、utf-8、cp932 のいずれかです（%1）。"), error))
        return false;
    o.yes = given("yes");
    o.autoLink = given("auto-link");
    o.skipDuplicates = given("skip-duplicates");
    if (!readToday(parser, o.today, error))
        return false;
    return checkRequired(o, error);
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

namespace {

// The reason a link cannot be used, as the command line adds it below the
// link editor's message.
QString linkDetail(const SessionResult &said, const DataLink &l, const ImportSession &session)
{
    const Catalogue &catalogue = session.catalogue();
    switch (said.cause) {
    case SessionResult::Cause::NoSourceColumn:
        return QStringLiteral("読込みデータに %1 列目はありません（0 から %2 まで）。")
            .arg(l.sourceColumn)
            .arg(session.sourceTable().columnCount() - 1);
    case SessionResult::Cause::NoTargetItem:
        return QStringLiteral("書出し項目 %1 はこの出力区分にありません（0 から %2 まで。一覧は tera-import items --kind %3）。")
            .arg(l.importColumn)
            .arg(LastItemNumber(catalogue))
            .arg(KindKey(session.state().outputKind));
    default:
        return QStringLiteral("書出し項目 %1「%2」").arg(l.importColumn).arg(catalogue.at(l.importColumn).name);
    }
}

QString plainLines(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

} // namespace

namespace {

// The saved link file: its kind and title option become the run's, unless
// --kind says otherwise (a mistake).
bool takeSavedLinkFile(ImportOptions &o, LinkFile &savedLinks, QTextStream &err)
{
    // The saved link says which kind and title option its links are for.
    QString error;
    if (!ReadLinkFile(o.linksFile, savedLinks, error)) {
        err << error << Qt::endl;
        return false;
    }
    if (o.kind >= 0 && o.kind != savedLinks.kind) {
        err << QStringLiteral("--kind %1 とデータリンク %2 の出力区分 %3 が違います。")
                   .arg(KindKey(o.kind), o.linksFile, KindKey(savedLinks.kind))
            << Qt::endl;
        return false;
    }
    o.kind = savedLinks.kind;
    if (savedLinks.titleRows == 1)
        o.titleRows = 1;
    return true;
}

// Links for the columns whose titles are item names, after those given
// (columns and items that --link or the saved link name stay theirs).
bool addAutoLinks(ImportOptions &o, ImportSession &session, QTextStream &err)
{
    if (o.titleRows != 1) {
        err << QStringLiteral("--auto-link は表題のあるファイルで使います。--title を指定してください。") << Qt::endl;
        return false;
    }
    const AutoLinkResult found = session.autoLink(o.links);
    const QStringList titles = session.sourceTitles();
    QList<DataLink> made;
    for (const auto &[column, slot] : found.links) {
        made << DataLink{column, slot};
        err << QStringLiteral("自動リンク: --link %1:%2（%3 → %4）")
                   .arg(column)
                   .arg(slot)
                   .arg(titles.value(column).trimmed(), session.catalogue().at(slot).name)
            << Qt::endl;
    }
    if (made.isEmpty())
        err << QStringLiteral("表題が書き出し項目の名前と同じ列はありませんでした。") << Qt::endl;
    else if (!found.unmatched.isEmpty())
        err << QStringLiteral("自動リンクしなかった表題: %1").arg(found.unmatched.join(QStringLiteral("、"))) << Qt::endl;
    o.links = made + o.links;
    return true;
}

// Opens the database; exitCode says why it could not.
bool openDatabaseFor(const ImportOptions &o, Prompt &prompt, QTextStream &err, ImportSession &session, int &exitCode)
{
    const SessionResult opened = session.openDatabase(o.db);
    for (const QString &note : opened.notes)
        prompt.message(note, Icon::None);
    if (!opened.ok()) {
        // The session names another program's lock and a file that may not
        // be written as what they are.
        if (opened.dbCause != DbError::Cause::None) {
            prompt.message(opened.message, Icon::Exclamation);
            exitCode = opened.dbCause == DbError::Cause::Lock ? 5 : 1;
            return false;
        }
        if (!opened.detail.isEmpty())
            err << opened.detail << Qt::endl;
        prompt.message(opened.message, Icon::Exclamation);
        exitCode = 3;
        return false;
    }
    return true;
}

// Reads the source file (its sheet, for a workbook); false when it gives
// nothing to link, the reason said.
bool readSourceFor(const ImportOptions &o, QTextStream &err, ImportSession &session)
{
    session.setSheet(o.sheet);
    const SessionResult read =
        session.readSource(o.source, o.formatGiven ? o.format : DetectSeparator(o.source), o.encoding);
    for (const QString &note : read.notes)
        err << note << Qt::endl;
    if (!read.ok()) {
        err << read.message << Qt::endl;
        return false;
    }
    if (!o.sheet.isEmpty() && session.sheetRead().isEmpty()) {
        err << QStringLiteral("--sheet は表計算ソフトのブックにだけ指定できます（%1 はテキストのファイルです）。").arg(o.source)
            << Qt::endl;
        return false;
    }
    if (session.sheetCount() > 1)
        err << QStringLiteral("シート「%1」を読み込みました（%2 シートのうち）。").arg(session.sheetRead()).arg(session.sheetCount())
            << Qt::endl;
    if (session.sourceTable().columnCount() == 0) {
        // Nothing to link or write; the loader has said so.
        if (read.notes.isEmpty())
            err << NoDataMessage(o.source) << Qt::endl;
        return false;
    }
    return true;
}

// The links of the run: the saved link's, the automatic ones, then those
// given, each checked against the file and the kind.
bool settleLinks(ImportOptions &o, const LinkFile &savedLinks, Prompt &prompt, QTextStream &err, ImportSession &session)
{
    if (!o.linksFile.isEmpty()) {
        const LinkMatch match = session.matchSavedLinks(savedLinks);
        const QString said = LinkMatchMessage(match);
        if (!said.isEmpty())
            err << plainLines(said) << Qt::endl;
        if (!match.complete()) {
            // Some of the columns the link was made for are not in this
            // file: nothing is written until the link fits it.
            return false;
        }
        // Links given on the command line come after the saved ones (a later
        // link to the same column wins).
        o.links = match.links + o.links;
    }
    if (o.autoLink && !addAutoLinks(o, session, err))
        return false;
    if (o.links.isEmpty()) {
        err << QStringLiteral("リンクがありません。") << Qt::endl;
        return false;
    }
    const SessionResult linked = session.checkLinks(o.links);
    if (!linked.ok()) {
        const QString detail = linkDetail(linked, o.links.at(linked.link), session);
        if (linked.cause == SessionResult::Cause::NotLinkable)
            prompt.message(linked.message, Icon::Critical);
        else
            err << linked.message << Qt::endl;
        err << detail << Qt::endl;
        return false;
    }
    return true;
}

} // namespace

bool PrepareImport(const ImportOptions &given, Prompt &prompt, QTextStream &err, ImportSession &session, int &exitCode)
{
    ImportOptions o = given;
    exitCode = 2; // a mistake in what was given, unless the database says otherwise
    LinkFile savedLinks;
    if (!o.linksFile.isEmpty() && !takeSavedLinkFile(o, savedLinks, err))
        return false;
    session.setOutputKind(static_cast<OutputKind>(o.kind));
    session.setExecutionMode(static_cast<ExecutionMode>(o.mode));
    session.setTitleRows(o.titleRows);
    if (!openDatabaseFor(o, prompt, err, session, exitCode) || !readSourceFor(o, err, session)
        || !settleLinks(o, savedLinks, prompt, err, session))
        return false;
    const SessionResult filled = session.fillImportTable(o.source, o.links);
    if (!filled.ok()) {
        err << filled.message << Qt::endl;
        return false;
    }
    exitCode = 0;
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
    if (!PrepareImport(command.options, *command.prompt, err, command.session, code))
        return code;
    command.clock = ClockFor(command.options);
    return 0;
}

namespace {

// The counts on out, each row that was not written as asked on err.
void printRunSummary(const TranscribeReport &report, QTextStream &out, QTextStream &err)
{
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
}

int exitCodeOf(const TranscribeReport &report)
{
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

} // namespace

int RunTranscribeCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (asksForHelp(args)) {
        out << kTranscribeUsage;
        return 0;
    }
    ImportCommand command;
    if (const int code = StartImportCommand(args, kTranscribeUsage, err, command))
        return code;
    ImportSession &session = command.session;
    Prompt &prompt = *command.prompt;
    const std::unique_ptr<Clock> &clock = command.clock;
    std::unique_ptr<ProgressObserver> progress;
    if (isatty(fileno(stderr)))
        progress = std::make_unique<TerminalProgress>(err);

    TranscribeReport report;
    TranscribeOptions options;
    options.skipDuplicates = command.options.skipDuplicates;
    const QDateTime started = QDateTime::currentDateTime();
    // The run report goes beside the database whatever became of the run.
    auto fileReport = [&] {
        QString error;
        const QString path = session.writeReport(report, started, &error);
        if (path.isEmpty())
            err << QStringLiteral("転記レポートを書けません: %1").arg(error) << Qt::endl;
        else
            err << QStringLiteral("転記レポート: %1").arg(QDir::toNativeSeparators(path)) << Qt::endl;
    };
    report = session.run(prompt, *clock, progress.get(), options);
    fileReport();
    if (report.outcome == TranscribeReport::Outcome::Ended) {
        out << QStringLiteral("データベースの障害のため、プログラムを終了しました。それより前の行は書き込まれています。") << Qt::endl;
        return 4;
    }
    printRunSummary(report, out, err);
    return exitCodeOf(report);
}

} // namespace tera
