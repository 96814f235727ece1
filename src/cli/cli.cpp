#include "cli/cli.h"

#include "app/demo_database.h"
#include "cli/cli_check.h"
#include "cli/cli_transcribe.h"
#include "platform/db_error.h"

namespace tera {

namespace {

const char *const kUsage =
    "使い方:\n"
    "  tera-import                       デスクトップ画面で起動します\n"
    "  tera-import PATH/tera.mdb         指定のデータベースで画面を起動します\n"
    "  tera-import init-demo DIR         DIR/tera.mdb にデモ用データベースを作ります\n"
    "  tera-import transcribe ...        CSV/TSV を読み込み、データベースに転記します\n"
    "                                    （tera-import transcribe --help で詳細）\n"
    "  tera-import check ...             transcribe と同じ指定で、書き込まずに検証します\n"
    "                                    （tera-import check --help で詳細）\n"
    "  tera-import restore --db PATH [--yes]\n"
    "                                    バックアップ tera2.mdb と kako2.rnd を元に戻します\n"
    "  tera-import screenshots [DIR]     画面の絵を DIR（既定 docs/images）に描きます\n"
    "                                    （画面が要ります。QT_QPA_PLATFORM=offscreen でも可）\n"
    "  tera-import help                  この説明を表示します\n";

int initDemo(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 2) {
        err << "init-demo にはフォルダを一つ指定してください。\n" << kUsage;
        return 2;
    }
    try {
        const QString path = CreateDemoDatabase(args.at(1));
        out << "デモ用データベースを作成しました: " << path << Qt::endl;
        return 0;
    } catch (const DbError &e) {
        err << e.description() << Qt::endl;
        return 1;
    }
}

} // namespace

bool isCliCommand(const QStringList &args)
{
    static const QStringList commands = {QStringLiteral("init-demo"), QStringLiteral("transcribe"), QStringLiteral("check"),
                                         QStringLiteral("restore"),   QStringLiteral("help"),       QStringLiteral("--help"),
                                         QStringLiteral("-h")};
    return !args.isEmpty() && commands.contains(args.first());
}

int runCli(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const QString command = args.value(0);
    if (command == QStringLiteral("init-demo"))
        return initDemo(args, out, err);
    if (command == QStringLiteral("transcribe"))
        return RunTranscribeCommand(args.mid(1), out, err);
    if (command == QStringLiteral("check"))
        return RunCheckCommand(args.mid(1), out, err);
    if (command == QStringLiteral("restore"))
        return RunRestoreCommand(args.mid(1), out, err);
    out << kUsage;
    return command == QStringLiteral("help") || command.startsWith(QLatin1Char('-')) ? 0 : 2;
}

} // namespace tera
