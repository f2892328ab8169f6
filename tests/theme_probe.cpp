// Prints the lightness (0 black, 1 white) of the window and text colours that
// the platform theme in force gives Qt, so that a test can tell a dark
// desktop theme really took effect.
#include <QGuiApplication>
#include <QPalette>
#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QPalette palette = QGuiApplication::palette();
    std::printf("window %.2f text %.2f\n", palette.color(QPalette::Window).lightnessF(),
                palette.color(QPalette::WindowText).lightnessF());
    return 0;
}
