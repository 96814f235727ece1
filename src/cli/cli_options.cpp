#include "cli/cli_options.h"

namespace tera {

namespace {

QString dashed(const QString &name) { return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name; }

const QCommandLineOption *findOption(const QList<QCommandLineOption> &options, const QString &name)
{
    for (const QCommandLineOption &o : options)
        if (o.names().contains(name))
            return &o;
    return nullptr;
}

} // namespace

bool asksForHelp(const QStringList &args)
{
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

bool parseStrictly(QCommandLineParser &parser, const QList<QCommandLineOption> &options, const QStringList &args,
                   QString &error, const QStringList &repeatable)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    parser.addOptions(options);
    // The parser's own messages are English: say what went wrong from what
    // it found instead.
    if (!parser.parse(QStringList{QStringLiteral("tera-import")} + args)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            error = QStringLiteral("知らないオプションです: %1").arg(dashed(unknown.first()));
            return false;
        }
        // A value is missing only after the last argument.
        const QString last = args.value(args.size() - 1);
        if (last.startsWith(QLatin1Char('-')) && !last.contains(QLatin1Char('='))) {
            const QCommandLineOption *o = findOption(options, last.mid(last.startsWith(QStringLiteral("--")) ? 2 : 1));
            if (o && !o->valueName().isEmpty()) {
                error = QStringLiteral("%1 の値がありません。").arg(last);
                return false;
            }
        }
        for (const QString &a : args) {
            if (a == QStringLiteral("--"))
                break;
            if (!a.startsWith(QStringLiteral("--")) || !a.contains(QLatin1Char('=')))
                continue;
            const QString name = a.mid(2).section(QLatin1Char('='), 0, 0);
            const QCommandLineOption *o = findOption(options, name);
            if (o && o->valueName().isEmpty()) {
                error = QStringLiteral("%1 には値を付けられません（%2）。").arg(dashed(name), a);
                return false;
            }
        }
        error = parser.errorText();
        return false;
    }
    // A second --db or --source is almost always a slip in a script; taking
    // the last one silently could write into the wrong database. A flag
    // given twice (--yes --yes) is refused as well: the usage promises that.
    const QStringList found = parser.optionNames();
    for (const QString &name : found) {
        const QCommandLineOption *o = findOption(options, name);
        if (!o || repeatable.contains(o->names().constFirst()))
            continue;
        if (found.count(name) > 1) {
            error = QStringLiteral("%1 は一度だけ指定してください。").arg(dashed(name));
            return false;
        }
    }
    return true;
}

} // namespace tera
