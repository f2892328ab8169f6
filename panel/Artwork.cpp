#include "Artwork.h"

#include <QImage>
#include <QPainter>
#include <QResource>
#include <QtEndian>

namespace Artwork {

namespace {
// Rendered from the SVG sources at build time, at the sizes shown, as raw
// premultiplied ARGB32 pixels after an 8-byte width/height header: the
// pictures are wrapped in place, with nothing to decode at start-up.
QPixmap picture(const QString& name) {
    QResource resource(QStringLiteral(":/art/") + name);
    const auto* data = resource.data();
    if (!data || resource.compressionAlgorithm() != QResource::NoCompression || resource.size() < 8)
        return QPixmap();
    const int width = int(qFromLittleEndian<quint32>(data));
    const int height = int(qFromLittleEndian<quint32>(data + 4));
    if (width <= 0 || height <= 0 || resource.size() != 8 + qint64(width) * height * 4)
        return QPixmap();
    const QImage image(data + 8, width, height, width * 4, QImage::Format_ARGB32_Premultiplied);
    return QPixmap::fromImage(image);
}
QPixmap picture(const char* name) {
    return picture(QLatin1String(name));
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
        icon.addPixmap(picture(QStringLiteral("icon-%1").arg(size)));
    return icon;
}

} // namespace Artwork
