#include "ui/icons/Icons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>
#include <functional>

namespace vantor {

namespace {

// Every picture is drawn on a 24 by 24 canvas and scaled, so each size stays crisp.
using Drawing = std::function<void(QPainter&)>;

const QColor kInk(0x37, 0x47, 0x4f);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kGreen(0x2e, 0x7d, 0x32);
const QColor kOrange(0xe6, 0x5c, 0x00);
const QColor kBlue(0x15, 0x65, 0xc0);
const QColor kPurple(0x6a, 0x1b, 0x9a);
const QColor kRed(0xc6, 0x28, 0x28);
const QColor kFolder(0xf4, 0xb4, 0x00);
const QColor kFolderEdge(0xb2, 0x7b, 0x00);

QIcon render(const Drawing& draw) {
    QIcon icon;
    for (int size : {16, 20, 24, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        draw(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QPen pen(const QColor& c, qreal w = 1.6) {
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void badge(QPainter& p, const QColor& c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(2, 2, 20, 20), 5, 5);
}

// A box outlined in c with one half filled: the side of the comparison that has the object.
void halfBox(QPainter& p, const QColor& c, bool leftHalf) {
    QRectF box(3, 3, 18, 18);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawRoundedRect(box, 4, 4);
    QPainterPath clip;
    clip.addRect(leftHalf ? QRectF(0, 0, 12, 24) : QRectF(12, 0, 12, 24));
    p.save();
    p.setClipPath(clip);
    p.setBrush(c);
    p.drawRoundedRect(box, 4, 4);
    p.restore();
    p.setPen(pen(c, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box, 4, 4);
}

void page(QPainter& p, QRectF r, const QColor& fill = kPaper) {
    qreal fold = r.width() * 0.35;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(pen(kInk, 1.3));
    p.setBrush(fill);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void textLines(QPainter& p, qreal x, qreal y, qreal w, int n, qreal step = 3.2) {
    p.setPen(pen(kInk, 1.2));
    for (int i = 0; i < n; ++i)
        p.drawLine(QPointF(x, y + i * step), QPointF(x + w * (i % 2 ? 0.7 : 1.0), y + i * step));
}

void folder(QPainter& p, bool open) {
    p.setPen(pen(kFolderEdge, 1.2));
    p.setBrush(kFolder.darker(110));
    QPainterPath back;
    back.moveTo(2, 5);
    back.lineTo(9, 5);
    back.lineTo(11, 7.5);
    back.lineTo(21, 7.5);
    back.lineTo(21, 19);
    back.lineTo(2, 19);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(kFolder);
    if (open) {
        QPolygonF front({QPointF(5, 10), QPointF(23, 10), QPointF(20, 19), QPointF(2, 19)});
        p.drawPolygon(front);
    } else {
        p.drawRect(QRectF(2, 9.5, 19, 9.5));
    }
}

void floppy(QPainter& p, QRectF r, const QColor& c = kBlue) {
    p.setPen(pen(c.darker(130), 1.2));
    p.setBrush(c);
    p.drawRoundedRect(r, 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawRect(
        QRectF(r.left() + r.width() * 0.22, r.top() + 1.2, r.width() * 0.56, r.height() * 0.32));
    p.drawRect(QRectF(r.left() + r.width() * 0.18, r.top() + r.height() * 0.58, r.width() * 0.64,
                      r.height() * 0.34));
}

void arrowHead(QPainter& p, QPointF tip, qreal dx, qreal dy, const QColor& c) {
    // dx, dy: the direction the arrow points in, unit length.
    qreal s = 3.6;
    QPointF back(tip.x() - dx * s, tip.y() - dy * s);
    QPointF side(-dy * s * 0.8, dx * s * 0.8);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF({tip, back + side, back - side}));
}

void curvedArrow(QPainter& p, bool clockwise, const QColor& c) {
    p.setPen(pen(c, 2.2));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    if (clockwise) {
        path.moveTo(5, 17);
        path.cubicTo(5, 8, 14, 6, 18, 11);
        p.drawPath(path);
        arrowHead(p, QPointF(19.5, 14), 0.45, 0.9, c);
    } else {
        path.moveTo(19, 17);
        path.cubicTo(19, 8, 10, 6, 6, 11);
        p.drawPath(path);
        arrowHead(p, QPointF(4.5, 14), -0.45, 0.9, c);
    }
}

void cross(QPainter& p, QPointF centre, qreal r, const QColor& c, qreal width = 2.4) {
    p.setPen(pen(c, width));
    p.drawLine(centre + QPointF(-r, -r), centre + QPointF(r, r));
    p.drawLine(centre + QPointF(-r, r), centre + QPointF(r, -r));
}

void magnifier(QPainter& p) {
    p.setPen(pen(kInk, 2));
    p.setBrush(QColor(0xe3, 0xf2, 0xfd));
    p.drawEllipse(QPointF(10, 10), 6, 6);
    p.setPen(pen(kInk, 3));
    p.drawLine(QPointF(14.5, 14.5), QPointF(20, 20));
}

void window(QPainter& p, QRectF r) {
    p.setPen(pen(kInk, 1.2));
    p.setBrush(kPaper);
    p.drawRect(r);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(r.left(), r.top(), r.width(), 2.6));
}

void flag(QPainter& p, const QColor& c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF(
        {QPointF(7, 3), QPointF(17, 3), QPointF(17, 20), QPointF(12, 15.5), QPointF(7, 20)}));
}

void cylinder(QPainter& p, QRectF r, const QColor& c) {
    qreal e = r.height() * 0.22;
    p.setPen(pen(c.darker(140), 1.2));
    p.setBrush(c);
    QPainterPath body;
    body.moveTo(r.left(), r.top() + e / 2);
    body.lineTo(r.left(), r.bottom() - e / 2);
    body.arcTo(QRectF(r.left(), r.bottom() - e, r.width(), e), 180, 180);
    body.lineTo(r.right(), r.top() + e / 2);
    p.drawPath(body);
    p.setBrush(c.lighter(140));
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), e));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(r.left(), r.top() + r.height() * 0.35, r.width(), e), 180 * 16, 180 * 16);
}

void letters(QPainter& p, QRectF r, const QString& text, const QColor& c, int pixelSize) {
    QFont f;
    f.setPixelSize(pixelSize);
    f.setBold(true);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

const QHash<QString, Drawing>& toolDrawings() {
    static const QHash<QString, Drawing> drawings = {
        {"start",
         [](QPainter& p) {
             p.setPen(Qt::NoPen);
             p.setBrush(kGreen);
             p.drawPolygon(QPolygonF({QPointF(7, 4), QPointF(20, 12), QPointF(7, 20)}));
         }},
        {"stop",
         [](QPainter& p) {
             p.setPen(Qt::NoPen);
             p.setBrush(kRed);
             p.drawRoundedRect(QRectF(5, 5, 14, 14), 2, 2);
         }},
        {"view",
         [](QPainter& p) {
             p.setPen(pen(kBlue, 1.4));
             p.setBrush(QColor(0xe3, 0xf2, 0xfd));
             p.drawEllipse(QPointF(12, 12), 9, 9);
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QRectF(8, 3, 8, 18));
             p.drawLine(QPointF(3, 12), QPointF(21, 12));
         }},
        {"new",
         [](QPainter& p) {
             page(p, QRectF(5, 2.5, 14, 19));
             p.setPen(pen(kGreen, 2.2));
             p.drawLine(QPointF(12, 10), QPointF(12, 18));
             p.drawLine(QPointF(8, 14), QPointF(16, 14));
         }},
        {"open", [](QPainter& p) { folder(p, true); }},
        {"close",
         [](QPainter& p) {
             page(p, QRectF(5, 2.5, 14, 19));
             cross(p, QPointF(12, 14), 3.5, kRed);
         }},
        {"save", [](QPainter& p) { floppy(p, QRectF(3.5, 3.5, 17, 17)); }},
        {"saveall",
         [](QPainter& p) {
             floppy(p, QRectF(2, 2, 13, 13), kBlue.lighter(130));
             floppy(p, QRectF(9, 9, 13, 13));
         }},
        {"saveas",
         [](QPainter& p) {
             floppy(p, QRectF(2.5, 3.5, 15, 15));
             p.setPen(pen(kOrange, 2.6));
             p.drawLine(QPointF(13, 20), QPointF(21, 12));
         }},
        {"reload",
         [](QPainter& p) {
             p.setPen(pen(kGreen, 2.4));
             p.setBrush(Qt::NoBrush);
             p.drawArc(QRectF(4.5, 4.5, 15, 15), 60 * 16, 280 * 16);
             arrowHead(p, QPointF(19.5, 5.5), 0.6, -0.8, kGreen);
         }},
        {"print",
         [](QPainter& p) {
             page(p, QRectF(7, 2.5, 10, 8));
             p.setPen(pen(kInk, 1.3));
             p.setBrush(QColor(0xb0, 0xbe, 0xc5));
             p.drawRoundedRect(QRectF(3, 9, 18, 8), 1.5, 1.5);
             page(p, QRectF(7, 14, 10, 7.5));
         }},
        {"undo", [](QPainter& p) { curvedArrow(p, false, kBlue); }},
        {"redo", [](QPainter& p) { curvedArrow(p, true, kBlue); }},
        {"cut",
         [](QPainter& p) {
             p.setPen(pen(kInk, 1.8));
             p.drawLine(QPointF(8, 3), QPointF(15.5, 15));
             p.drawLine(QPointF(16, 3), QPointF(8.5, 15));
             p.setBrush(Qt::NoBrush);
             p.setPen(pen(kRed, 2));
             p.drawEllipse(QPointF(7, 18), 3, 3);
             p.drawEllipse(QPointF(17, 18), 3, 3);
         }},
        {"copy",
         [](QPainter& p) {
             page(p, QRectF(3, 2, 11, 14));
             page(p, QRectF(10, 8, 11, 14));
         }},
        {"paste",
         [](QPainter& p) {
             p.setPen(pen(kFolderEdge, 1.3));
             p.setBrush(QColor(0xd7, 0xa8, 0x6e));
             p.drawRoundedRect(QRectF(3, 4, 14, 17), 1.5, 1.5);
             p.setBrush(QColor(0x9e, 0x9e, 0x9e));
             p.drawRoundedRect(QRectF(7, 2, 6, 4), 1, 1);
             page(p, QRectF(10, 9, 11, 13));
         }},
        {"delete", [](QPainter& p) { cross(p, QPointF(12, 12), 6.5, kRed, 3.2); }},
        {"prop",
         [](QPainter& p) {
             p.setPen(pen(kInk, 3));
             for (int i = 0; i < 8; ++i) {
                 p.save();
                 p.translate(12, 12);
                 p.rotate(i * 45);
                 p.drawLine(QPointF(0, 6.5), QPointF(0, 9.5));
                 p.restore();
             }
             p.setPen(pen(kInk, 1.4));
             p.setBrush(QColor(0xb0, 0xbe, 0xc5));
             p.drawEllipse(QPointF(12, 12), 7, 7);
             p.setBrush(kPaper);
             p.drawEllipse(QPointF(12, 12), 2.8, 2.8);
         }},
        {"find", [](QPainter& p) { magnifier(p); }},
        {"findnext",
         [](QPainter& p) {
             magnifier(p);
             arrowHead(p, QPointF(22, 5), 1, 0, kGreen);
         }},
        {"findprev",
         [](QPainter& p) {
             magnifier(p);
             arrowHead(p, QPointF(2, 20), -1, 0, kGreen);
         }},
        {"tabl",
         [](QPainter& p) {
             textLines(p, 11, 5, 10, 5, 3.5);
             arrowHead(p, QPointF(9, 12), 1, 0, kBlue);
             p.setPen(pen(kBlue, 2));
             p.drawLine(QPointF(2, 12), QPointF(6, 12));
         }},
        {"tabr",
         [](QPainter& p) {
             textLines(p, 11, 5, 10, 5, 3.5);
             arrowHead(p, QPointF(2, 12), -1, 0, kBlue);
             p.setPen(pen(kBlue, 2));
             p.drawLine(QPointF(5, 12), QPointF(9, 12));
         }},
        {"cblock",
         [](QPainter& p) {
             letters(p, QRectF(0, 0, 12, 24), "--", kGreen, 14);
             textLines(p, 12, 6, 9, 4, 4);
         }},
        {"ublock",
         [](QPainter& p) {
             letters(p, QRectF(0, 0, 12, 24), "--", kInk.lighter(200), 14);
             textLines(p, 12, 6, 9, 4, 4);
             cross(p, QPointF(6, 12), 3, kRed, 1.8);
         }},
        {"tbmark", [](QPainter& p) { flag(p, kBlue); }},
        {"nbmark",
         [](QPainter& p) {
             flag(p, kBlue);
             arrowHead(p, QPointF(23, 20), 0, 1, kGreen);
         }},
        {"pbmark",
         [](QPainter& p) {
             flag(p, kBlue);
             arrowHead(p, QPointF(23, 4), 0, -1, kGreen);
         }},
        {"cbmark",
         [](QPainter& p) {
             flag(p, kBlue.lighter(150));
             cross(p, QPointF(17, 17), 3.5, kRed);
         }},
        {"pline",
         [](QPainter& p) {
             textLines(p, 3, 14, 18, 2, 4);
             arrowHead(p, QPointF(12, 2), 0, -1, kBlue);
             p.setPen(pen(kBlue, 2));
             p.drawLine(QPointF(12, 5), QPointF(12, 10));
         }},
        {"nline",
         [](QPainter& p) {
             textLines(p, 3, 6, 18, 2, 4);
             arrowHead(p, QPointF(12, 22), 0, 1, kBlue);
             p.setPen(pen(kBlue, 2));
             p.drawLine(QPointF(12, 14), QPointF(12, 19));
         }},
        {"ctag", [](QPainter& p) { letters(p, QRectF(0, 0, 24, 24), "</>", kPurple, 11); }},
        {"tilehor",
         [](QPainter& p) {
             window(p, QRectF(3, 3, 18, 8));
             window(p, QRectF(3, 13, 18, 8));
         }},
        {"tilever",
         [](QPainter& p) {
             window(p, QRectF(3, 3, 8, 18));
             window(p, QRectF(13, 3, 8, 18));
         }},
        {"cascade",
         [](QPainter& p) {
             window(p, QRectF(2, 2, 13, 11));
             window(p, QRectF(6, 6, 13, 11));
             window(p, QRectF(10, 10, 12, 11));
         }},
        {"help",
         [](QPainter& p) {
             p.setPen(Qt::NoPen);
             p.setBrush(kBlue);
             p.drawEllipse(QPointF(12, 12), 10, 10);
             letters(p, QRectF(0, 0, 24, 24), "?", kPaper, 15);
         }},
    };
    return drawings;
}

QIcon drawDocumentTabIcon(bool changed) {
    return render([changed](QPainter& p) {
        p.setPen(pen(kBlue, 1.2));
        p.setBrush(kPaper);
        p.drawPolygon(QPolygonF({QPointF(5, 2.5), QPointF(15, 2.5), QPointF(19.5, 7),
                                 QPointF(19.5, 21.5), QPointF(5, 21.5)}));
        for (double y : {9.0, 12.5, 16.0})
            p.drawLine(QPointF(8, y), QPointF(16.5, y));
        if (changed) {
            p.setPen(Qt::NoPen);
            p.setBrush(kRed);
            p.drawEllipse(QPointF(17, 18), 4.5, 4.5);
        }
    });
}

QIcon drawTreeIcon(TreeImage image) {
    switch (image) {
    case TreeImage::Equal:
        return render([](QPainter& p) {
            badge(p, kGreen);
            p.setBrush(kPaper);
            p.drawRoundedRect(QRectF(6.5, 7.8, 11, 2.8), 1, 1);
            p.drawRoundedRect(QRectF(6.5, 13.4, 11, 2.8), 1, 1);
        });
    case TreeImage::Different:
        return render([](QPainter& p) {
            badge(p, kOrange);
            p.setBrush(kPaper);
            p.drawRoundedRect(QRectF(6.5, 7.8, 11, 2.8), 1, 1);
            p.drawRoundedRect(QRectF(6.5, 13.4, 11, 2.8), 1, 1);
            p.setPen(pen(kPaper, 2.6));
            p.drawLine(QPointF(15, 4.5), QPointF(9, 19.5));
        });
    case TreeImage::OnlyPrimary:
        return render([](QPainter& p) { halfBox(p, kBlue, true); });
    case TreeImage::OnlySecondary:
        return render([](QPainter& p) { halfBox(p, kPurple, false); });
    case TreeImage::Category:
        return render([](QPainter& p) { folder(p, false); });
    case TreeImage::Root:
        return render([](QPainter& p) { cylinder(p, QRectF(4, 2, 16, 20), kBlue); });
    }
    return {};
}

} // namespace

QIcon TreeIcon(TreeImage image) {
    // Drawn once: the tree asks for the same few pictures thousands of times.
    static const std::array<QIcon, 6> icons = {
        drawTreeIcon(TreeImage::Equal),       drawTreeIcon(TreeImage::Different),
        drawTreeIcon(TreeImage::OnlyPrimary), drawTreeIcon(TreeImage::OnlySecondary),
        drawTreeIcon(TreeImage::Category),    drawTreeIcon(TreeImage::Root)};
    return icons[static_cast<size_t>(image)];
}

QIcon StateIcon(ObjectState state) {
    switch (state) {
    case ObjectState::Equal:
        return TreeIcon(TreeImage::Equal);
    case ObjectState::Different:
        return TreeIcon(TreeImage::Different);
    case ObjectState::OnlyPrimary:
        return TreeIcon(TreeImage::OnlyPrimary);
    case ObjectState::OnlySecondary:
        return TreeIcon(TreeImage::OnlySecondary);
    }
    return {};
}

QIcon ToolIcon(const QString& key) {
    const auto& drawings = toolDrawings();
    auto it = drawings.find(key);
    return it == drawings.end() ? QIcon() : render(*it);
}

QIcon AppIcon() {
    return render([](QPainter& p) {
        cylinder(p, QRectF(1.5, 3, 10, 17), kBlue);
        cylinder(p, QRectF(12.5, 3, 10, 17), kPurple);
        p.setPen(pen(kOrange, 2.2));
        p.drawLine(QPointF(8, 22), QPointF(16, 22));
    });
}

QIcon DocumentTabIcon(bool changed) {
    static const QIcon unchangedIcon = drawDocumentTabIcon(false);
    static const QIcon changedIcon = drawDocumentTabIcon(true);
    return changed ? changedIcon : unchangedIcon;
}

} // namespace vantor
