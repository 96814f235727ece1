#pragma once
#include <QString>
#include <QStringList>

class QTextStream;

namespace tera {

// The file names RenderWindowPictures writes, in the order a user meets the
// windows.
QStringList WindowPictureNames();

// Draws every window of the program, filled with demo data (a demo database
// in a temporary folder and a small death-register file), into PNG files in
// dir. Works without a display (QT_QPA_PLATFORM=offscreen). Returns 0 on
// success; failures are reported on err.
int RenderWindowPictures(const QString &dir, QTextStream &out, QTextStream &err);

// The platform the pictures are drawn on: the offscreen platform with one
// screen of 1366×768, a common laptop's, described in a file written into
// dir (which must outlive the application).
QString PictureScreenPlatform(const QString &dir);

} // namespace tera
