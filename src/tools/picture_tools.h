#pragma once
// What the documentation pictures share: letting pending paints run, and
// saving a window as PNG.
#include <QString>
#include <QTextStream>

class QWidget;

namespace tera {

// Lets pending layout and paint events run.
void SettleEvents();

// Saves w as dir/name (PNG) and prints the path; false after a message on err.
bool SavePicture(QWidget *w, const QString &dir, const QString &name, QTextStream &out, QTextStream &err);

} // namespace tera
