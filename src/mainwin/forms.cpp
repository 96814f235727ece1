#include "mainwin/forms.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QApplication>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QCoreApplication>
#include <QStyle>
#include <QWidget>

namespace tera {

void EndProgramNow(int code)
{
    QApplication::closeAllWindows();
    QCoreApplication::exit(code);
}

QRect AvailableArea(const QWidget *w)
{
    QScreen *screen = w ? w->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void FitToScreen(QWidget *w, QSize wanted)
{
    const QRect area = AvailableArea(w);
    if (!area.isEmpty())
        wanted = wanted.boundedTo(area.size());
    w->resize(wanted);
}

namespace {
// The window frame round w's client area (nothing until it is shown).
QSize frameExtra(const QWidget *w) { return w->frameGeometry().size() - w->geometry().size(); }

QRect keptOn(QRect r, const QRect &area)
{
    if (r.right() > area.right())
        r.moveRight(area.right());
    if (r.bottom() > area.bottom())
        r.moveBottom(area.bottom());
    if (r.left() < area.left())
        r.moveLeft(area.left());
    if (r.top() < area.top())
        r.moveTop(area.top());
    return r;
}
} // namespace

void PlaceOver(QWidget *w, const QWidget *anchor)
{
    const QRect area = AvailableArea(anchor ? anchor : w);
    if (area.isEmpty())
        return;
    // A window not shown yet has no frame; it will get one like the
    // anchor's.
    const QSize extra = w->isVisible() || !anchor ? frameExtra(w) : frameExtra(anchor);
    w->resize(w->size().boundedTo(area.size() - extra));
    QRect frame(QPoint(0, 0), w->size() + extra);
    frame.moveCenter(anchor ? anchor->frameGeometry().center() : area.center());
    w->move(keptOn(frame, area).topLeft());
}

void MoveAsideFrom(QWidget *w, const QRect &cell)
{
    const QRect frame = w->frameGeometry();
    if (!frame.intersects(cell))
        return;
    const QRect area = AvailableArea(w);
    // Below, above, right, left: the first place wholly on the screen.
    QRect below = frame, above = frame, right = frame, left = frame;
    below.moveTop(cell.bottom() + 1);
    above.moveBottom(cell.top() - 1);
    right.moveLeft(cell.right() + 1);
    left.moveRight(cell.left() - 1);
    for (const QRect &place : {below, above, right, left}) {
        const QRect kept = keptOn(place, area);
        if (area.contains(place) || (area.contains(kept) && !kept.intersects(cell))) {
            w->move(kept.topLeft());
            return;
        }
    }
    // No side takes all of it: the taller free band, and the window shortened
    // to fit (never below its minimum).
    const int roomBelow = area.bottom() - cell.bottom();
    const int roomAbove = cell.top() - area.top();
    const int extra = frameExtra(w).height();
    const int height = std::max(roomBelow, roomAbove) - extra;
    w->resize(w->width(), std::max(height, w->minimumHeight()));
    QRect shortened(frame.topLeft(), w->size() + frameExtra(w));
    if (roomBelow >= roomAbove)
        shortened.moveTop(cell.bottom() + 1);
    else
        shortened.moveBottom(cell.top() - 1);
    w->move(keptOn(shortened, area).topLeft());
}

int ListHeightForLines(const QAbstractItemView *list, int lines)
{
    // A line is the text's height or a small icon's, with the style's
    // padding; a horizontal scroll bar may take the foot of the list.
    const int line = std::max({list->fontMetrics().height(), list->iconSize().height(), 16, list->sizeHintForRow(0)}) + 4;
    return lines * line + 2 * list->frameWidth() + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

bool PathHasExtension(const QString &path, const QString &ext) { return path.contains(ext, Qt::CaseInsensitive); }

} // namespace tera
