#include "ui/shell/MdiArrange.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

namespace vantor {

namespace {

QList<QMdiSubWindow*> visibleWindows(QMdiArea& area, bool minimised) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : area.subWindowList(QMdiArea::CreationOrder))
        if (!w->isHidden() && w->isMinimized() == minimised)
            windows.append(w);
    return windows;
}

// Splits length into n parts that differ by at most one pixel and add up to length.
int part(int length, int n, int i) {
    return length * (i + 1) / n - length * i / n;
}

void tile(QMdiArea& area, bool horizontal) {
    QList<QMdiSubWindow*> windows = visibleWindows(area, false);
    if (windows.isEmpty())
        return;
    QRect space = area.viewport()->rect();
    int n = static_cast<int>(windows.size());
    // Windows too many for one row or column would be squeezed below what they can show: a grid
    // keeps each usable, and cascading when even that would not.
    int needed = 0;
    for (QMdiSubWindow* w : windows)
        needed = std::max(needed, horizontal ? w->minimumSizeHint().height()
                                             : w->minimumSizeHint().width());
    if ((horizontal ? space.height() : space.width()) < needed * n) {
        area.tileSubWindows();
        for (QMdiSubWindow* w : windows)
            if (w->width() < w->minimumSizeHint().width() ||
                w->height() < w->minimumSizeHint().height()) {
                area.cascadeSubWindows();
                break;
            }
        return;
    }
    int offset = 0;
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMaximized())
            w->showNormal();
        if (horizontal) {
            int h = part(space.height(), n, i);
            w->setGeometry(space.left(), space.top() + offset, space.width(), h);
            offset += h;
        } else {
            int wd = part(space.width(), n, i);
            w->setGeometry(space.left() + offset, space.top(), wd, space.height());
            offset += wd;
        }
    }
}

void arrangeIcons(QMdiArea& area) {
    QRect space = area.viewport()->rect();
    int x = space.left();
    int bottom = space.bottom() + 1;
    int rowHeight = 0;
    for (QMdiSubWindow* w : visibleWindows(area, true)) {
        QSize size = w->size();
        if (x > space.left() && x + size.width() > space.right() + 1) {
            x = space.left();
            bottom -= rowHeight;
            rowHeight = 0;
        }
        w->move(x, bottom - size.height());
        x += size.width();
        rowHeight = std::max(rowHeight, size.height());
    }
}

} // namespace

void FollowAreaResize(QMdiArea& area, const QSize& before, const QSize& after) {
    if (!before.isValid() || before.isEmpty())
        return;
    for (QMdiSubWindow* w : visibleWindows(area, false)) {
        if (w->isMaximized())
            continue;
        QRect g = w->geometry();
        // A window that reached an edge of the area keeps reaching it.
        if (g.left() <= 0 && g.right() + 1 >= before.width())
            g.setWidth(std::max(after.width() - g.left(), w->minimumSizeHint().width()));
        if (g.top() <= 0 && g.bottom() + 1 >= before.height())
            g.setHeight(std::max(after.height() - g.top(), w->minimumSizeHint().height()));
        if (g != w->geometry())
            w->setGeometry(g);
    }
}

void ArrangeSubWindows(QMdiArea& area, Arrangement how) {
    switch (how) {
    case Arrangement::Cascade:
        area.cascadeSubWindows();
        break;
    case Arrangement::TileHorizontal:
        tile(area, true);
        break;
    case Arrangement::TileVertical:
        tile(area, false);
        break;
    case Arrangement::ArrangeIcons:
        arrangeIcons(area);
        break;
    }
}

} // namespace vantor
