#include "Artwork.h"

#include <QImage>
#include <QPainter>

namespace Artwork {

namespace {
// Rendered from the SVG sources at build time, at the sizes shown.
QPixmap picture(const char* name) {
    return QPixmap(QStringLiteral(":/art/%1.png").arg(QLatin1String(name)));
}
} // namespace

QPixmap Logo() {
    return picture("logo");
}
QPixmap Banner() {
    return picture("banner");
}
QPixmap Slogan() {
    return picture("slogan");
}
QPixmap Caution() {
    return picture("caution");
}
QPixmap Cartoon() {
    return picture("credits");
}

QPixmap Lamp() {
    QImage image(14, 14, QImage::Format_RGB32);
    image.fill(QColor(222, 0, 66));
    QPainter painter(&image);
    painter.fillRect(2, 2, 10, 10, QColor(255, 8, 82));
    painter.end();
    return QPixmap::fromImage(image);
}

QIcon WindowIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/art/icon-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace Artwork
