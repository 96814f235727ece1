#pragma once
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

namespace tera {

// True when the arguments ask for a command's help (--help or -h anywhere).
bool asksForHelp(const QStringList &args);

// Parses a subcommand's arguments (without the program name and the
// subcommand) strictly: an unknown option, a missing value, a value given
// to an option that takes none, or an option with a value given twice
// (unless it is named in repeatable) fails with a Japanese message in error.
// Both --name VALUE and --name=VALUE are accepted.
bool parseStrictly(QCommandLineParser &parser, const QList<QCommandLineOption> &options, const QStringList &args,
                   QString &error, const QStringList &repeatable = {});

} // namespace tera
