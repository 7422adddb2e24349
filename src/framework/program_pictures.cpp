#include "framework/program_pictures.h"

#include <QString>

namespace quillery {

QPixmap programPicture(int number) {
    QPixmap picture;
    picture.load(QStringLiteral(":/quillery/pictures/%1.png").arg(number), "PNG");
    return picture;
}

} // namespace quillery
