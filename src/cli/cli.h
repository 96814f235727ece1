#pragma once
#include <QStringList>
#include <QTextStream>

namespace tera {

// True when args (without the program name) start with a subcommand of the
// batch command line.
bool isCliCommand(const QStringList &args);
// Runs the batch command line; returns the process exit code.
int runCli(const QStringList &args, QTextStream &out, QTextStream &err);

} // namespace tera
