#pragma once
#include <QString>
#include <QStringList>

class QWidget;

namespace tera {

// Mouse-pointer codes of SetAllFormsPointer.
inline constexpr qint16 kPointerDefault = 0;
inline constexpr qint16 kPointerBusy = 11;

// Gives every open window of the program the pointer of code: 11 the busy
// pointer, 0 (or anything else) the default one.
void SetAllFormsPointer(qint16 code);

// Ends the program at once: every window closes without asking, and the event
// loop returns code. Windows that would ask before closing test
// ProgramEnding() and let go.
void EndProgramNow(int code = 0);
bool ProgramEnding();

// A file-dialog filter written as "description|pattern|description|pattern|"
// becomes Qt's form. The descriptions are shown as they are (the patterns
// are hidden with QFileDialog::HideNameFilterDetails); every pattern matches
// upper- and lower-case names alike, so "*.CSV" also offers members.csv.
QStringList QtFileFilters(const QString &pipeFilter);

// The platform's file-open dialog with such a filter; empty text when the
// user cancels.
QString OpenFileDialog(QWidget *owner, const QString &pipeFilter, const QString &initialName);

// True when the path holds ext (".csv") anywhere, upper or lower case.
bool PathHasExtension(const QString &path, const QString &ext);

} // namespace tera
