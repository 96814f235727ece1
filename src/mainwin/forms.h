#pragma once
#include "gridtools/file_dialogs.h"

#include <QString>

class QAbstractItemView;
class QRect;
class QSize;
class QWidget;

namespace tera {

// Ends the program at once: every window closes and the event loop returns
// code. A window that would ask before closing must be told first (the
// windows' endProgram does that).
void EndProgramNow(int code = 0);

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
