#include "cli/cli.h"

#include "session/demo_database.h"
#include "cli/cli_check.h"
#include "cli/cli_items.h"
#include "cli/cli_sheets.h"
#include "cli/cli_options.h"
#include "cli/cli_transcribe.h"
#include "platform/db_error.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>

namespace tera {

namespace {

const char *const kUsage =
    "使い方:\n"
    "  tera-import                       デスクトップ画面で起動します\n"
    "  tera-import PATH/tera.mdb         指定のデータベースで画面を起動します\n"
    "  tera-import init-demo DIR         DIR/tera.mdb にデモ用データベースを作ります\n"
    "  tera-import transcribe ...        CSV/TSV や表計算ソフトのブック（.xlsx .xls .ods）を読み込み、\n"
    "                                    データベースに転記します\n"
    "                                    （tera-import transcribe --help で詳細）\n"
    "  tera-import check ...             transcribe と同じ指定で、書き込まずに検証します\n"
    "                                    （tera-import check --help で詳細）\n"
    "  tera-import items --kind members|households|death\n"
    "                                    書出し項目の番号（--link L:R の R）と名前を一覧します\n"
    "  tera-import sheets FILE           ブックのシートと行数・列数を一覧します\n"
    "  tera-import restore --db PATH [--yes]\n"
    "                                    バックアップ tera2.mdb と kako2.rnd を元に戻します\n"
    "  tera-import help                  この説明を表示します\n"
    "  どのコマンドも --help で詳しい説明と終了コードを表示します。\n"
    "\n"
    "終了コード:\n"
    "  0 成功\n"
    "  1 失敗（transcribe: 失敗のため書き込めなかった行・取り消した行がある、または転記が途中で止まった。\n"
    "          check: 転記が止まる行・失敗する行がある）\n"
    "  2 オプション、リンク、ファイル、コマンドの誤り（何も書き込みません）\n"
    "  3 確認で中止した、またはデータベースがない・読めない\n"
    "  4 データベースの障害でプログラムを終了した\n"
    "  5 別の転記・復元が同じデータベースを使用中\n"
    "  画面の起動は、画面（ディスプレイ）がないと 1 で終わります。\n";

const char *const kInitDemoUsage =
    "使い方: tera-import init-demo DIR\n"
    "  DIR/tera.mdb に、デモ用のマスタ（区分・お参り・年号）だけを入れた空のデータベースを作ります。\n"
    "  既にあるデータベースは上書きしません。\n"
    "  終了コード: 0 作った、1 作れなかった（既にあるときも）、2 引数の誤り\n";

const QString kHelpHint = QStringLiteral("tera-import help で使い方を表示します。");

// The batch subcommands.
const QStringList &batchCommands()
{
    static const QStringList commands = {QStringLiteral("init-demo"), QStringLiteral("transcribe"), QStringLiteral("check"),
                                         QStringLiteral("restore"),   QStringLiteral("items"),      QStringLiteral("sheets"),
                                         QStringLiteral("help"),
                                         QStringLiteral("--help"),    QStringLiteral("-h")};
    return commands;
}

int editDistance(const QString &a, const QString &b)
{
    QList<int> row(b.size() + 1);
    for (int j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// "Did you mean" for a mistyped subcommand such as transcibe.
QString suggestion(const QString &word)
{
    static const QStringList names = {QStringLiteral("init-demo"), QStringLiteral("transcribe"), QStringLiteral("check"),
                                      QStringLiteral("restore"),   QStringLiteral("items"),       QStringLiteral("sheets"),
                                      QStringLiteral("help")};
    for (const QString &name : names)
        if (editDistance(word.toLower(), name) <= 2)
            return QStringLiteral("（%1 のことですか？）").arg(name);
    return QString();
}

QString unknownCommand(const QString &word)
{
    return QStringLiteral("知らないコマンドです: %1%2\n%3").arg(word, suggestion(word), kHelpHint);
}

Launch refused(const QString &message)
{
    Launch l;
    l.kind = Launch::Kind::Refused;
    l.message = message;
    l.code = 2;
    return l;
}

int initDemo(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (asksForHelp(args)) {
        out << kInitDemoUsage;
        return 0;
    }
    QCommandLineParser parser;
    QString error;
    if (!parseStrictly(parser, {}, args, error)) {
        err << error << Qt::endl << kInitDemoUsage;
        return 2;
    }
    if (parser.positionalArguments().size() != 1) {
        err << "init-demo にはフォルダを一つ指定してください。\n" << kInitDemoUsage;
        return 2;
    }
    try {
        const QString path = CreateDemoDatabase(parser.positionalArguments().constFirst());
        out << "デモ用データベースを作成しました: " << path << Qt::endl;
        return 0;
    } catch (const DbError &e) {
        err << e.description() << Qt::endl;
        return 1;
    }
}

} // namespace

Launch ChooseLaunch(const QStringList &args)
{
    Launch launch;
    if (args.isEmpty()) {
        launch.kind = Launch::Kind::Desktop;
        return launch;
    }
    const QString first = args.first();
    if (batchCommands().contains(first)) {
        launch.kind = Launch::Kind::Batch;
        return launch;
    }
    if (first.startsWith(QLatin1Char('-')))
        return refused(QStringLiteral("知らないオプションです: %1\n%2").arg(first, kHelpHint));

    const QFileInfo file(first);
    if (args.size() > 1)
        return refused(file.isFile() ? QStringLiteral("引数が多すぎます。tera-import help を参照してください。")
                                     : unknownCommand(first));
    // One argument: the database to start the windows on, which must be
    // there (a typing slip must not end in a dialog box, or in Qt's abort on
    // a machine without a display).
    if (file.isFile()) {
        launch.kind = Launch::Kind::Desktop;
        launch.dbPath = file.absoluteFilePath();
        return launch;
    }
    if (file.exists())
        return refused(
            QStringLiteral("「%1」はデータベースのファイルではありません（フォルダーや名前付きパイプなど）。\n%2").arg(first, kHelpHint));
    return refused(QStringLiteral("「%1」はコマンドでも、あるファイルでもありません。%2\n%3")
                       .arg(first, suggestion(first), kHelpHint));
}

bool HasDisplay()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    // Qt would pick xcb (or wayland) and abort inside QApplication when
    // neither can connect; say so ourselves instead.
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

QString NoDisplayMessage()
{
    return QStringLiteral("画面（ディスプレイ）がないため、ウィンドウを開けません。DISPLAY か WAYLAND_DISPLAY を設定するか、"
                          "QT_QPA_PLATFORM=offscreen を指定してください。\n"
                          "画面を使わない処理は tera-import help を参照してください。");
}

int runCli(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const QString command = args.value(0);
    if (command == QStringLiteral("init-demo"))
        return initDemo(args.mid(1), out, err);
    if (command == QStringLiteral("transcribe"))
        return RunTranscribeCommand(args.mid(1), out, err);
    if (command == QStringLiteral("check"))
        return RunCheckCommand(args.mid(1), out, err);
    if (command == QStringLiteral("restore"))
        return RunRestoreCommand(args.mid(1), out, err);
    if (command == QStringLiteral("items"))
        return RunItemsCommand(args.mid(1), out, err);
    if (command == QStringLiteral("sheets"))
        return RunSheetsCommand(args.mid(1), out, err);
    if (command == QStringLiteral("help") || command == QStringLiteral("--help") || command == QStringLiteral("-h")) {
        out << kUsage;
        return 0;
    }
    err << unknownCommand(command) << Qt::endl;
    return 2;
}

} // namespace tera
