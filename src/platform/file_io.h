#pragma once
#include "grid_result.h"

#include <QByteArray>
#include <QString>

class QFileDevice;

namespace tera {

// Whole-file reads and writes with messages that name the file. A write goes
// to a temporary file that replaces the target only once every byte is on
// disk, so a failed save never destroys the old file nor leaves half a new
// one.
GridResult ReadWholeFile(const QString &path, QByteArray &bytes);
GridResult WriteWholeFile(const QString &path, const QByteArray &bytes);

// Copies the file at source into out, which is open for writing and not yet
// in its place (a QSaveFile before commit, or a temporary file): every write
// is checked, the data is flushed and the size written is compared with the
// source's. destination is the name the messages use for out.
GridResult CopyInto(const QString &source, QFileDevice &out, const QString &destination);

// Copies source to destination, whole or not at all: on failure destination
// keeps what it held (or stays absent).
GridResult CopyWholeFile(const QString &source, const QString &destination);

// Why writing path through file failed, for the user: the cause where it can
// be told (a read-only folder, a full disk) and the system's own reason.
QString WriteFailureText(const QString &path, const QFileDevice &file);

} // namespace tera
