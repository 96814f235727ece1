#pragma once
#include <QStringList>
#include <QTextStream>

namespace tera {

// tera-import check: the options of transcribe (and --csv FILE); runs the
// check before writing and lists its findings on stdout. Exit 0 when a
// transcription would run through, 1 when a row would stop it, 2 for a
// mistake in the options or the links, 3 when the database cannot be read or
// the check cannot be made.
int RunCheckCommand(const QStringList &args, QTextStream &out, QTextStream &err);

// tera-import restore --db PATH [--yes]: puts tera2.mdb and kako2.rnd back.
// Exit 0 when restored, 1 on a failure or without a backup, 2 for a mistake
// in the options, 3 when the question was declined.
int RunRestoreCommand(const QStringList &args, QTextStream &out, QTextStream &err);

} // namespace tera
