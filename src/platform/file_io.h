#pragma once
#include "grid_result.h"

#include <QByteArray>
#include <QString>

namespace tera {

// Whole-file reads and writes for the grid's files, with messages that name
// the file. A write goes to a temporary file that replaces the target only
// once everything is on disk, so a failed save never destroys the old file.
GridResult ReadWholeFile(const QString &path, QByteArray &bytes);
GridResult WriteWholeFile(const QString &path, const QByteArray &bytes);

} // namespace tera
