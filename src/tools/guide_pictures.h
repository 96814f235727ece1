#pragma once
#include <QString>
#include <QStringList>

class QTextStream;

namespace tera {

// The pictures of the user guide (docs/guide.md) beyond the windows'
// own: 自動リンク in the main window, the check's list, the closing note that
// offers the run report, and the restore's question. Drawn from demo data
// like RenderWindowPictures, headless with QT_QPA_PLATFORM=offscreen.
QStringList GuidePictureNames();
int RenderGuidePictures(const QString &dir, QTextStream &out, QTextStream &err);

} // namespace tera
