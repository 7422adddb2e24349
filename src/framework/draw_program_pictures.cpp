// Draws the log level icons of the program (16 x 16 PNG pictures 10003, 10004 and 10005) into a folder.
// Run at build time, so the pictures come from this code alone.
//
//   draw_program_pictures FOLDER

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QString>

#include <cmath>
#include <cstdio>

namespace {

QImage canvas() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// A red octagon with a raised white hand: stop.
QImage drawErrorIcon() {
    QImage image = canvas();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPolygonF octagon;
    for (int corner = 0; corner < 8; ++corner) {
        double angle = (22.5 + 45.0 * corner) * M_PI / 180.0;
        octagon << QPointF(8.0 + 7.4 * std::cos(angle), 8.0 + 7.4 * std::sin(angle));
    }
    painter.setPen(QPen(QColor(122, 14, 10), 1.0));
    painter.setBrush(QColor(214, 40, 30));
    painter.drawPolygon(octagon);

    // The hand sits on whole pixels so its four fingers stay apart at this size.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRect(5, 8, 7, 5);  // palm
    painter.drawRect(6, 13, 5, 1); // heel of the hand
    const int fingerTop[] = {4, 3, 3, 4};
    for (int finger = 0; finger < 4; ++finger) {
        painter.drawRect(5 + 2 * finger, fingerTop[finger], 1, 8 - fingerTop[finger]);
    }
    painter.drawRect(3, 9, 2, 1); // thumb
    painter.drawRect(4, 10, 1, 2);
    return image;
}

// A yellow triangle with a black exclamation mark: warning.
QImage drawWarningIcon() {
    QImage image = canvas();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPolygonF triangle;
    triangle << QPointF(8.0, 1.0) << QPointF(15.2, 14.6) << QPointF(0.8, 14.6);
    painter.setPen(QPen(QColor(128, 96, 0), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(250, 204, 20));
    painter.drawPolygon(triangle);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawRoundedRect(QRectF(7.2, 5.0, 1.6, 5.4), 0.7, 0.7);
    painter.drawEllipse(QPointF(8.0, 12.3), 0.95, 0.95);
    return image;
}

// A blue disc with a white "i": a note.
QImage drawNoteIcon() {
    QImage image = canvas();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(20, 62, 140), 1.0));
    painter.setBrush(QColor(52, 116, 214));
    painter.drawEllipse(QPointF(8.0, 8.0), 7.2, 7.2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(8.0, 4.6), 1.15, 1.15);
    painter.drawRoundedRect(QRectF(7.1, 6.8, 1.8, 5.8), 0.5, 0.5);
    painter.drawRect(QRectF(6.2, 11.4, 3.6, 1.2));
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_program_pictures FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const struct {
        int number;
        QImage image;
    } pictures[] = {{10003, drawErrorIcon()}, {10004, drawWarningIcon()}, {10005, drawNoteIcon()}};
    for (const auto& picture : pictures) {
        QString path = QStringLiteral("%1/%2.png").arg(folder).arg(picture.number);
        if (!picture.image.save(path, "PNG")) {
            std::fprintf(stderr, "draw_program_pictures: cannot write %s\n", path.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
