#include "ui/shell/MdiArrange.h"

#include <QMdiArea>
#include <QMdiSubWindow>

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
