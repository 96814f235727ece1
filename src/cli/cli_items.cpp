#include "cli/cli_items.h"

#include "cli/cli_options.h"
#include "transcribe/link_file.h"

#include <QCommandLineParser>

namespace tera {

namespace {

const char *const kItemsUsage =
    "使い方: tera-import items --kind members|households|death\n"
    "  出力区分の書出し項目を一覧します。1 列目の番号が --link L:R の R です。\n"
    "  列: 番号、項目（画面の表示）、リンク（可・不可）、書き込む先（項目名と型・桁）。タブ区切りです。\n"
    "  終了コード: 0 一覧した、2 オプションの誤り\n";

QString typeName(const QString &code)
{
    if (code == QStringLiteral("STR"))
        return QStringLiteral("文字");
    if (code == QStringLiteral("LNG") || code == QStringLiteral("INT"))
        return QStringLiteral("数値");
    if (code == QStringLiteral("DATE"))
        return QStringLiteral("日付");
    return code;
}

} // namespace

int LastItemNumber(const Catalogue &catalogue)
{
    for (int i = int(catalogue.size()) - 1; i >= 0; --i)
        if (!catalogue.at(i).name.isEmpty())
            return i;
    return -1;
}

QString ItemTarget(const ItemRec &item)
{
    if (item.typeCode.isEmpty())
        return QStringLiteral("（なし）");
    if (item.typeCode == QStringLiteral("STR"))
        return QStringLiteral("%1（%2 %3）").arg(item.name, typeName(item.typeCode)).arg(item.width);
    return QStringLiteral("%1（%2）").arg(item.name, typeName(item.typeCode));
}

int RunItemsCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (asksForHelp(args)) {
        out << kItemsUsage;
        return 0;
    }
    QCommandLineParser parser;
    QString error;
    if (!parseStrictly(parser, {QCommandLineOption(QStringLiteral("kind"), QString(), QStringLiteral("KIND"))}, args,
                       error)) {
        err << error << Qt::endl << kItemsUsage;
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << QStringLiteral("余分な引数です: %1").arg(parser.positionalArguments().constFirst()) << Qt::endl
            << kItemsUsage;
        return 2;
    }
    if (!parser.isSet(QStringLiteral("kind"))) {
        err << "--kind は必ず指定してください。" << Qt::endl << kItemsUsage;
        return 2;
    }
    const QString key = parser.value(QStringLiteral("kind"));
    const qint16 kind = KindFromKey(key);
    if (kind < 0) {
        err << QStringLiteral("--kind は members、households、death のいずれかです（%1）。").arg(key) << Qt::endl;
        return 2;
    }
    // Lines in link-grid order, as the window's list shows them.
    QList<CatalogueLine> lines;
    Catalogue catalogue;
    BuildItemCatalogue(lines, kind, catalogue);
    out << "番号\t項目\tリンク\t書き込む先" << Qt::endl;
    for (const CatalogueLine &line : lines) {
        const ItemRec &item = catalogue.at(line.itemData);
        out << line.itemData << '\t' << line.label << '\t'
            << (item.noLink == 1 ? QStringLiteral("不可") : QStringLiteral("可")) << '\t' << ItemTarget(item) << Qt::endl;
    }
    return 0;
}

} // namespace tera
