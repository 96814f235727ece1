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

} // namespace tera
