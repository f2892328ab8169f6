// Build-time tool: renders an SVG source of the panel's artwork at the given
// size, so the program shows finished pixels instead of laying out SVG text
// at every start. OUTPUT.png is a PNG (for the icon theme); any other name
// gets a raw picture (resources/RawPicture.h).
// Usage: qv-render-art INPUT.svg OUTPUT WIDTH [HEIGHT]
#include "resources/RawPicture.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>
#include <cstdio>
#include <cstdlib>

namespace {
bool isOpaque(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(row[x]) != 255)
                return false;
    }
    return true;
}
} // namespace

int main(int argc, char* argv[]) {
    // Text in the SVG needs fonts, and fonts need a GUI application.
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    bool widthOk = false;
    bool heightOk = true;
    const int width = args.size() >= 4 ? args.at(3).toInt(&widthOk) : 0;
    const int height = args.size() >= 5 ? args.at(4).toInt(&heightOk) : width;
    if (args.size() > 5 || !widthOk || !heightOk || width <= 0 || height <= 0) {
        std::fprintf(stderr, "usage: qv-render-art INPUT.svg OUTPUT WIDTH [HEIGHT]\n");
        return EXIT_FAILURE;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "qv-render-art: cannot read %s\n", qPrintable(args.at(1)));
        return EXIT_FAILURE;
    }
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    if (!args.at(2).endsWith(QLatin1String(".png"))) {
        QFile out(args.at(2));
        // Opaque premultiplied pixels are already valid RGB32 pixels.
        const bool opaque = isOpaque(image);
        QByteArray header(RawPicture::HeaderSize, '\0');
        qToLittleEndian<quint32>(quint32(width), header.data());
        qToLittleEndian<quint32>(quint32(height), header.data() + 4);
        qToLittleEndian<quint32>(
            quint32(opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied),
            header.data() + 8);
        const QByteArray pixels(reinterpret_cast<const char*>(image.constBits()),
                                qsizetype(image.sizeInBytes()));
        if (!out.open(QIODevice::WriteOnly) ||
            out.write(header + pixels) != RawPicture::HeaderSize + pixels.size()) {
            std::fprintf(stderr, "qv-render-art: cannot write %s\n", qPrintable(args.at(2)));
            return EXIT_FAILURE;
        }
        return EXIT_SUCCESS;
    }
    if (!image.convertToFormat(QImage::Format_ARGB32).save(args.at(2), "PNG")) {
        std::fprintf(stderr, "qv-render-art: cannot write %s\n", qPrintable(args.at(2)));
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
