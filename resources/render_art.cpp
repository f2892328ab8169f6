// Build-time tool: renders an SVG source of the panel's artwork at the given
// size, so the program shows finished pixels instead of laying out SVG text
// at every start. OUTPUT.png is a PNG (for the icon theme); any other name
// gets raw pixels the panel wraps without decoding: width and height as
// 32-bit little-endian numbers, then premultiplied ARGB32 rows.
// Usage: qv-render-art INPUT.svg OUTPUT WIDTH [HEIGHT]
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>
#include <cstdio>
#include <cstdlib>

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
        QByteArray header(8, '\0');
        qToLittleEndian<quint32>(quint32(width), header.data());
        qToLittleEndian<quint32>(quint32(height), header.data() + 4);
        const QByteArray pixels(reinterpret_cast<const char*>(image.constBits()),
                                qsizetype(image.sizeInBytes()));
        if (!out.open(QIODevice::WriteOnly) || out.write(header + pixels) != 8 + pixels.size()) {
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
