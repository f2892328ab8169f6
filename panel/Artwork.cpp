#include "Artwork.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace Artwork {

namespace {
QPixmap render(const QString& name, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/art/%1.svg").arg(name));
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return QPixmap::fromImage(image);
}
} // namespace

QPixmap Logo() {
    return render(QStringLiteral("logo"), {173, 72});
}
QPixmap Banner() {
    return render(QStringLiteral("banner"), {518, 29});
}
QPixmap Slogan() {
    return render(QStringLiteral("slogan"), {518, 42});
}
QPixmap Caution() {
    return render(QStringLiteral("caution"), {150, 37});
}
QPixmap Cartoon() {
    return render(QStringLiteral("credits"), {320, 200});
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
        icon.addPixmap(render(QStringLiteral("icon"), {size, size}));
    return icon;
}

} // namespace Artwork
