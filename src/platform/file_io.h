#pragma once
#include "outcome.h"

#include <QByteArray>
#include <QString>

class QFileDevice;

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
Outcome CheckReadableFile(const QString &path);

// Whole-file reads and writes with messages that name the file. A write goes
// to a temporary file that replaces the target only once every byte is on
// disk, so a failed save never destroys the old file nor leaves half a new
// one. A read first passes CheckReadableFile.
Outcome ReadWholeFile(const QString &path, QByteArray &bytes);
Outcome WriteWholeFile(const QString &path, const QByteArray &bytes);

// Copies the file at source into out, which is open for writing and not yet
// in its place (a QSaveFile before commit, or a temporary file): every write
// is checked, the data is flushed and the size written is compared with the
// source's. destination is the name the messages use for out.
Outcome CopyInto(const QString &source, QFileDevice &out, const QString &destination);

// Copies source to destination, whole or not at all: on failure destination
// keeps what it held (or stays absent).
Outcome CopyWholeFile(const QString &source, const QString &destination);

// Why writing path through file failed, for the user: the cause where it can
// be told (a read-only folder, a full disk) and the system's own reason.
QString WriteFailureText(const QString &path, const QFileDevice &file);

} // namespace tera
