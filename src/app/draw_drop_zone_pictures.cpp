// Draws the pictures of the desktop program into a folder, at build time, so they come from this code alone:
//   1.png  the drop zone (266 x 246): the program's name above an open book, an arrow pointing into it
//   2.png  the same, highlighted, shown while an acceptable drag is over it
//   quillery-48.png, quillery-256.png  the application icon (an open book with the arrow)
//
//   draw_drop_zone_pictures FOLDER
//
// The name is drawn with strokes of our own rather than a font, so the pictures do not depend on the fonts of
// the machine that builds them. The drop zone leaves the band right of x = 176 and above y = 68 free: the
// window draws its version and date there.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <cstdio>

namespace {

const QColor kInk(38, 52, 78);
const QColor kBlue(0, 117, 191);

struct Style {
    QColor background;
    QColor border;
    qreal borderWidth;
    QColor arrow;
    QColor glow;
};

// "Quillery" in round strokes: cap height from y = 22 to the baseline y = 58, x-height from y = 36.
void drawName(QPainter& painter) {
    QPainterPath name;
    name.addEllipse(QRectF(16, 22, 28, 36)); // Q
    name.moveTo(34, 50);
    name.lineTo(47, 63);
    name.moveTo(52, 36); // u
    name.lineTo(52, 49);
    name.quadTo(52, 58, 60, 58);
    name.quadTo(68, 58, 68, 49);
    name.moveTo(68, 36);
    name.lineTo(68, 58);
    name.moveTo(77, 37); // i
    name.lineTo(77, 58);
    name.moveTo(87, 20); // l l
    name.lineTo(87, 58);
    name.moveTo(97, 20);
    name.lineTo(97, 58);
    name.moveTo(106, 47); // e
    name.lineTo(124, 47);
    name.arcTo(QRectF(106, 36, 18, 22), 0, 300);
    name.moveTo(133, 36); // r
    name.lineTo(133, 58);
    name.moveTo(133, 45);
    name.quadTo(136, 36, 146, 37);
    name.moveTo(151, 36); // y
    name.lineTo(160, 58);
    name.moveTo(169, 36);
    name.lineTo(157, 66);
    name.quadTo(154, 73, 147, 71);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kInk, 4.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(name);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInk);
    painter.drawEllipse(QPointF(77, 29), 2.8, 2.8); // the dot of the i
}

// An open book whose spine stands at `centreX`, pages from `top` to `bottom`, each page `half` wide.
void drawBook(QPainter& painter, qreal centreX, qreal top, qreal bottom, qreal half) {
    const qreal sag = (bottom - top) * 0.12;
    for (int side : {-1, 1}) {
        const qreal outer = centreX + side * half;
        QPainterPath page;
        page.moveTo(centreX, top + sag);
        page.cubicTo(centreX + side * half * 0.35, top - sag * 0.6, centreX + side * half * 0.7,
                     top - sag * 0.4, outer, top);
        page.lineTo(outer, bottom - sag);
        page.cubicTo(centreX + side * half * 0.7, bottom - sag * 1.3, centreX + side * half * 0.35,
                     bottom - sag, centreX, bottom);
        page.closeSubpath();
        // The cover shows a little below and outside the pages.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(120, 62, 40));
        painter.drawPath(page.translated(side * 3.0, 4.0));
        painter.setPen(QPen(QColor(110, 100, 86), 1.4));
        painter.setBrush(QColor(255, 253, 246));
        painter.drawPath(page);

        // Lines of text on the page, following its curve.
        painter.setPen(QPen(QColor(170, 176, 188), 1.6, Qt::SolidLine, Qt::RoundCap));
        const int lines = 6;
        for (int line = 0; line < lines; ++line) {
            qreal t = (line + 1.0) / (lines + 1.0);
            qreal y = top + sag + t * (bottom - top - 2 * sag);
            qreal inner = centreX + side * half * 0.14;
            qreal outerText = centreX + side * half * 0.84;
            QPainterPath text;
            text.moveTo(inner, y);
            text.quadTo((inner + outerText) / 2, y - sag * 0.9, outerText, y - sag * 0.7);
            painter.drawPath(text);
        }
    }
    // The fold.
    painter.setPen(QPen(QColor(150, 138, 120), 1.6));
    painter.drawLine(QPointF(centreX, top + sag), QPointF(centreX, bottom));
}

// An arrow pointing down, its tip at `tip`.
void drawArrow(QPainter& painter, QPointF tip, qreal length, qreal width, const QColor& colour) {
    const qreal head = width * 1.1;
    const qreal shaft = width * 0.38;
    QPainterPath arrow;
    arrow.moveTo(tip);
    arrow.lineTo(tip.x() - width, tip.y() - head);
    arrow.lineTo(tip.x() - shaft, tip.y() - head);
    arrow.lineTo(tip.x() - shaft, tip.y() - length);
    arrow.lineTo(tip.x() + shaft, tip.y() - length);
    arrow.lineTo(tip.x() + shaft, tip.y() - head);
    arrow.lineTo(tip.x() + width, tip.y() - head);
    arrow.closeSubpath();
    painter.setPen(QPen(colour.darker(140), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(colour);
    painter.drawPath(arrow);
}

QImage drawDropZone(const Style& style) {
    QImage image(266, 246, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(style.border, style.borderWidth));
    painter.setBrush(style.background);
    const qreal inset = style.borderWidth / 2 + 1;
    painter.drawRoundedRect(QRectF(inset, inset, 266 - 2 * inset, 246 - 2 * inset), 14, 14);

    drawName(painter);
    if (style.glow.alpha() > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(style.glow);
        painter.drawEllipse(QPointF(133, 180), 118, 58);
    }
    drawBook(painter, 133, 150, 230, 98);
    drawArrow(painter, QPointF(133, 176), 98, 17, style.arrow);
    return image;
}

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(226, 238, 250));
    painter.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    drawBook(painter, 128, 110, 222, 108);
    drawArrow(painter, QPointF(128, 150), 130, 30, kBlue);
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_drop_zone_pictures FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const Style normal{QColor(250, 248, 242), QColor(196, 190, 178), 1.5, QColor(96, 120, 156),
                       Qt::transparent};
    const Style highlighted{QColor(226, 240, 253), kBlue, 4.0, kBlue, QColor(0, 117, 191, 46)};
    const struct {
        const char* name;
        QImage image;
    } pictures[] = {{"1.png", drawDropZone(normal)},
                    {"2.png", drawDropZone(highlighted)},
                    {"quillery-48.png", drawIcon(48)},
                    {"quillery-256.png", drawIcon(256)}};
    for (const auto& picture : pictures) {
        QString path = folder + QLatin1Char('/') + QLatin1String(picture.name);
        if (!picture.image.save(path, "PNG")) {
            std::fprintf(stderr, "draw_drop_zone_pictures: cannot write %s\n",
                         path.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
