#pragma once
#include <QStringList>
#include <QTextStream>

namespace tera {

// tera-import sheets FILE: the sheets of a workbook with their row and
// column counts, the one it opens on marked.
int RunSheetsCommand(const QStringList &args, QTextStream &out, QTextStream &err);

} // namespace tera
