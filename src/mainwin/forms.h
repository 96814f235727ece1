#pragma once
#include <QString>
#include <QStringList>

class QAbstractItemView;
class QRect;
class QSize;
class QWidget;

class QFileDialog;

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

// The folder last used for a purpose ("source", "database", "links",
// "grid", "check"), remembered across runs in the user's settings (an INI
// file of the organisation and application "tera-import"; tests move it with
// QSettings::setPath). Empty when none was used yet or it is gone.
QString LastFolder(const QString &purpose);
void RememberFolder(const QString &purpose, const QString &chosenPath);

// Where a file dialog for purpose starts: the initial name when it is a
// path of its own, else the last folder of the purpose (with the initial
// name in it), else the user's documents folder.
QString DialogStart(const QString &purpose, const QString &initialName);

// The platform's file-open dialog with such a filter; empty text when the
// user cancels. With a purpose it opens in that purpose's last folder and
// remembers the folder of the chosen file.
QString OpenFileDialog(QWidget *owner, const QString &pipeFilter, const QString &initialName,
                       const QString &purpose = QString());
// Its two halves: the dialog set up (filters, the folder or file it starts
// at), and the file accepted in it (empty when cancelled), whose folder is
// remembered for the purpose.
void PrepareOpenDialog(QFileDialog &dialog, const QString &pipeFilter, const QString &initialName,
                       const QString &purpose);
QString AcceptedFile(const QFileDialog &dialog, int result, const QString &purpose);

// --- placement
// The available area (without task bars) of the screen that holds w, or of
// the primary screen.
QRect AvailableArea(const QWidget *w);
// Gives w the size wanted, or less where the screen is smaller.
void FitToScreen(QWidget *w, QSize wanted);
// Centres w over anchor (over the screen when there is none), no larger
// than anchor's screen and wholly on it.
void PlaceOver(QWidget *w, const QWidget *anchor);
// Moves the window w off area (global coordinates), to the side with room
// on its screen; shortens it when no side has room for all of it.
void MoveAsideFrom(QWidget *w, const QRect &area);

// The fewest lines a list shows at the window's smallest size, and the
// height that shows that many lines of list.
inline constexpr int kMinListLines = 8;
int ListHeightForLines(const QAbstractItemView *list, int lines);

// True when the path holds ext (".csv") anywhere, upper or lower case.
bool PathHasExtension(const QString &path, const QString &ext);

} // namespace tera
