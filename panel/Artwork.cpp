#include "Artwork.h"

#include "resources/RawPicture.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QResource>
#include <QtEndian>

// The artwork's resources are archived into this static library; naming them
// here keeps the linker from dropping them.
static void registerArtwork() {
    Q_INIT_RESOURCE(art);
    Q_INIT_RESOURCE(art2x);
}

namespace Artwork {

namespace {
// The pixels to show: the 2x set on a screen scaled above 1, else the 1x set,
// so an unscaled start never touches the 2x set.
int scale() {
    static const bool registered = (registerArtwork(), true);
    Q_UNUSED(registered);
    return qGuiApp && qGuiApp->devicePixelRatio() > 1.0 ? 2 : 1;
}

QString resourceName(const char* name, int scale) {
    QString path = QStringLiteral(":/art/") + QLatin1String(name);
    if (scale > 1) {
        const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
        path.insert(dot > 0 ? dot : path.size(), QStringLiteral("@%1x").arg(scale));
    }
    return path;
}

// Rendered from the SVG sources at build time as raw pictures. The 1x set is
// stored uncompressed and wrapped in place, with nothing to decode at start-up.
QPixmap picture(const QString& path, int scale) {
    using RawPicture::HeaderSize;
    const QResource resource(path);
    const bool inPlace = resource.compressionAlgorithm() == QResource::NoCompression;
    const QByteArray bytes =
        inPlace ? QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()),
                                          qsizetype(resource.size()))
                : resource.uncompressedData();
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    if (!data || bytes.size() < HeaderSize)
        return QPixmap();
    const int width = int(qFromLittleEndian<quint32>(data));
    const int height = int(qFromLittleEndian<quint32>(data + 4));
    const auto format = QImage::Format(qFromLittleEndian<quint32>(data + 8));
    if (width <= 0 || height <= 0 || bytes.size() != HeaderSize + qint64(width) * height * 4 ||
        (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied))
        return QPixmap();
    QImage image(data + HeaderSize, width, height, width * 4, format);
    // Decompressed pixels go when `bytes` does: the picture keeps a copy.
    if (!inPlace)
        image = image.copy();
    image.setDevicePixelRatio(scale);
    // The format already tells whether the picture has transparent pixels:
    // no need for the pixmap to look for them.
    return QPixmap::fromImage(image, Qt::NoOpaqueDetection);
}
QPixmap picture(const char* name) {
    const int s = scale();
    return picture(resourceName(name, s), s);
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
    // Seen only by those who find the credits: kept compressed until then.
    const int s = scale();
    QImage image(resourceName("credits.png", s), "PNG");
    image.setDevicePixelRatio(s);
    return QPixmap::fromImage(image);
}

QPixmap Lamp() {
    const int s = scale();
    QImage image(14 * s, 14 * s, QImage::Format_RGB32);
    image.fill(QColor(222, 0, 66));
    QPainter painter(&image);
    painter.fillRect(2 * s, 2 * s, 10 * s, 10 * s, QColor(255, 8, 82));
    painter.end();
    image.setDevicePixelRatio(s);
    return QPixmap::fromImage(image);
}

QIcon WindowIcon() {
    QIcon icon;
    const int s = scale();
    for (int size : {16, 32, 48, 64}) {
        icon.addPixmap(picture(QStringLiteral(":/art/icon-%1").arg(size), 1));
        if (s > 1)
            icon.addPixmap(picture(QStringLiteral(":/art/icon-%1@%2x").arg(size).arg(s), s));
    }
    return icon;
}

} // namespace Artwork
