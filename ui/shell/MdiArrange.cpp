#include "ui/shell/MdiArrange.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
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
    const QRect space = area.viewport()->rect();
    const int n = static_cast<int>(windows.size());
    const int length = horizontal ? space.height() : space.width();
    int needed = 0;
    for (QMdiSubWindow* w : windows)
        needed = std::max(needed, horizontal ? w->minimumSizeHint().height()
                                             : w->minimumSizeHint().width());
    // Windows too many for the area keep the direction asked for at their minimum size; the
    // area scrolls to the ones beyond its edge rather than squeezing them.
    const bool fits = length >= needed * n;
    int offset = 0;
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMaximized())
            w->showNormal();
        const QSize least = w->minimumSizeHint();
        if (horizontal) {
            const int h = fits ? part(length, n, i) : least.height();
            w->setGeometry(space.left(), space.top() + offset,
                           std::max(space.width(), least.width()), h);
            offset += h;
        } else {
            const int wd = fits ? part(length, n, i) : least.width();
            w->setGeometry(space.left() + offset, space.top(), wd,
                           std::max(space.height(), least.height()));
            offset += wd;
        }
    }
}

// Each window one title bar lower and to the right of the one before, all of the same size:
// as large as the area leaves once the steps are taken, never below a window's minimum.
void cascade(QMdiArea& area) {
    QList<QMdiSubWindow*> windows = visibleWindows(area, false);
    if (windows.isEmpty())
        return;
    const QRect space = area.viewport()->rect();
    const int step = std::max(
        area.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, windows.first()), 16);
    const int n = static_cast<int>(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMaximized())
            w->showNormal();
        const QSize least = w->minimumSizeHint();
        const int width = std::max(space.width() - step * (n - 1), least.width());
        const int height = std::max(space.height() - step * (n - 1), least.height());
        w->setGeometry(space.left() + step * i, space.top() + step * i, width, height);
        w->raise();
    }
    area.setActiveSubWindow(windows.last());
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

void KeepInside(QMdiArea& area, QMdiSubWindow& window) {
    if (window.isMaximized() || window.isMinimized())
        return;
    const QRect space = area.viewport()->rect();
    const QSize least = window.minimumSizeHint();
    QRect g = window.geometry();
    g.setWidth(std::max(std::min(g.width(), space.width()), least.width()));
    g.setHeight(std::max(std::min(g.height(), space.height()), least.height()));
    g.moveLeft(std::max(space.left(), std::min(g.left(), space.right() + 1 - g.width())));
    g.moveTop(std::max(space.top(), std::min(g.top(), space.bottom() + 1 - g.height())));
    if (g != window.geometry())
        window.setGeometry(g);
}

void ArrangeSubWindows(QMdiArea& area, Arrangement how) {
    switch (how) {
    case Arrangement::Cascade:
        cascade(area);
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
