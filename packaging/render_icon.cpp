// Build-time tool: renders the program icon's SVG source into a square PNG
// for the hicolor theme's fixed-size folders.
// Usage: qv-render-icon INPUT.svg OUTPUT.png SIZE
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    // Text in the SVG needs fonts, and fonts need a GUI application.
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    bool sizeOk = false;
    const int size = args.size() == 4 ? args.at(3).toInt(&sizeOk) : 0;
    if (!sizeOk || size <= 0) {
        std::fprintf(stderr, "usage: qv-render-icon INPUT.svg OUTPUT.png SIZE\n");
        return EXIT_FAILURE;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "qv-render-icon: cannot read %s\n", qPrintable(args.at(1)));
        return EXIT_FAILURE;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    if (!image.convertToFormat(QImage::Format_ARGB32).save(args.at(2), "PNG")) {
        std::fprintf(stderr, "qv-render-icon: cannot write %s\n", qPrintable(args.at(2)));
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
