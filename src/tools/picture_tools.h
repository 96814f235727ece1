#pragma once
// What the documentation pictures share: letting pending paints run, and
// saving a window as PNG.
#include <QDir>
#include <QString>
#include <QTextStream>

class QWidget;

namespace tera {

// Lets pending layout and paint events run.
void SettleEvents();

// Saves w as dir/name (PNG) and prints the path; false after a message on err.
bool SavePicture(QWidget *w, const QString &dir, const QString &name, QTextStream &out, QTextStream &err);

// Makes the pictures' folder dir and an empty work folder; false after a
// message on err. A fixed work folder rather than a random one keeps the
// paths shown in the pictures (and so the pictures) the same between runs.
bool PreparePictureFolders(const QString &dir, QDir &work, QTextStream &err);

// Removes the work folder however the drawing ends.
struct RemovedOnExit {
    QDir dir;
    ~RemovedOnExit() { dir.removeRecursively(); }
};

// Writes a sample source file; false after a message on err.
bool WriteSampleFile(const QString &path, const char *bytes, qint64 size, QTextStream &err);

} // namespace tera
