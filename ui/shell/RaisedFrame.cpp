#include "ui/shell/RaisedFrame.h"

#include <QPainter>

namespace vantor {

RaisedFrame::RaisedFrame(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ctlFrame"));
}

void RaisedFrame::paintEvent(QPaintEvent*) {
    // Painted rather than positioned, so a frame smaller than a pixel simply draws nothing.
    int w = width();
    int h = height();
    if (w < 2 || h < 2)
        return;
    QPainter p(this);
    QColor shadow = palette().color(QPalette::Dark);
    p.setPen(Qt::white);
    p.drawLine(0, 0, 0, h - 1);
    p.drawLine(0, 0, w - 2, 0);
    p.setPen(shadow);
    p.drawLine(w - 1, 0, w - 1, h - 1);
    p.drawLine(0, h - 1, w - 1, h - 1);
}

} // namespace vantor
