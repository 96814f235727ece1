#include "cli/cli_sheets.h"

#include "cli/cli_options.h"
#include "platform/spreadsheet.h"

#include <QCommandLineParser>

namespace tera {

namespace {

const char *const kSheetsUsage =
    "使い方: tera-import sheets FILE\n"
    "  表計算ソフトのブック（.xlsx、.xlsm、.xls、.ods）のシートを一覧します。\n"
    "  列: 番号（--sheet に使えます）、シート名、行数、列数、備考（開くシート・非表示）。タブ区切りです。\n"
    "  行数・列数は末尾の空の行・列を数えません。\n"
    "  終了コード: 0 一覧した、2 引数の誤り・読めないファイル\n";

} // namespace

int RunSheetsCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (asksForHelp(args)) {
        out << kSheetsUsage;
        return 0;
    }
    QCommandLineParser parser;
    QString error;
    if (!parseStrictly(parser, {}, args, error)) {
        err << error << Qt::endl << kSheetsUsage;
        return 2;
    }
    if (parser.positionalArguments().size() != 1) {
        err << "sheets にはファイルを一つ指定してください。" << Qt::endl << kSheetsUsage;
        return 2;
    }
    const QString path = parser.positionalArguments().constFirst();
    QList<SheetInfo> sheets;
    int active = 0;
    const Outcome listed = ListSheets(path, sheets, active);
    if (!listed.ok) {
        err << listed.message << Qt::endl;
        return 2;
    }
    if (listed.hasWarning())
        err << listed.message << Qt::endl;
    out << "番号\tシート\t行数\t列数\t備考" << Qt::endl;
    for (int i = 0; i < sheets.size(); ++i) {
        QStringList remarks;
        if (i == active)
            remarks << QStringLiteral("開くシート");
        if (sheets.at(i).hidden)
            remarks << QStringLiteral("非表示");
        out << i + 1 << '\t' << sheets.at(i).name << '\t' << sheets.at(i).rows << '\t' << sheets.at(i).cols << '\t'
            << remarks.join(QStringLiteral("・")) << Qt::endl;
    }
    return 0;
}

} // namespace tera
