#pragma once
#include "grid_result.h"

#include <QByteArray>
#include <QString>

namespace tera {

// The largest file read whole. Source files of a temple's registers are a few
// MiB; anything far beyond is a wrong pick, and reading it would only run the
// machine out of memory.
constexpr qint64 kMaxReadFileBytes = qint64(512) * 1024 * 1024;

// Refuses, with a message naming the file, anything that is not a regular
// file of at most kMaxReadFileBytes: a folder, a named pipe or a device
// (opening a pipe for reading would wait for a writer forever, and a device
// such as /dev/zero never ends). Looks only at the file's metadata, so it is
// safe to call before opening.
GridResult CheckReadableFile(const QString &path);

// Whole-file reads and writes for the grid's files, with messages that name
// the file. A write goes to a temporary file that replaces the target only
// once everything is on disk, so a failed save never destroys the old file.
// A read first passes CheckReadableFile.
GridResult ReadWholeFile(const QString &path, QByteArray &bytes);
GridResult WriteWholeFile(const QString &path, const QByteArray &bytes);

} // namespace tera
