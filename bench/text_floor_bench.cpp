// The text floor for the start-up figures: a plain Qt Widgets program that
// shows a window like the panel's, in the panel's style and in the face its
// font uses here (Liberation Sans, asked for directly): its size, a
// menu bar of two menus, a two-page tab sheet, and on the page in front a
// frame with labels and buttons, a line edit and option buttons. Everything
// is Qt's default otherwise; ends after the first paint.
#include "FirstPaint.h"
#include "Phases.h"

#include <QApplication>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QTabWidget>

namespace {
// The panel's main window with its menu bar, as qv7310-startup-bench reports it.
constexpr int PanelWidth = 687;
constexpr int PanelHeight = 494;

template <typename W> W* place(W* widget, int x, int y, int width, int height) {
    widget->setGeometry(x, y, width, height);
    return widget;
}
} // namespace

int main(int argc, char* argv[]) {
    Phases phases;
    phases.mark("main");
    QApplication app(argc, argv);
    // The panel's style and font size, the font asked for by the name of
    // the installed family, as a plain program asks for it.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(8.25);
    QApplication::setFont(font);
    phases.mark("app");

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("text floor"));
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("File"));
    file->addAction(QStringLiteral("Reload"));
    file->addAction(QStringLiteral("Exit"));
    file->addSeparator();
    file->addAction(QStringLiteral("Reset on exit"))->setCheckable(true);
    window.menuBar()->addMenu(QStringLiteral("About"))->addAction(QStringLiteral("Version"));

    auto* client = new QWidget(&window);
    window.setCentralWidget(client);
    auto* sheet = place(new QTabWidget(client), 24, 84, 639, 365);
    sheet->addTab(new QWidget, QStringLiteral("First Page"));
    auto* page = new QWidget;
    sheet->addTab(page, QStringLiteral("Second Page"));
    sheet->setCurrentIndex(1);

    auto* frame = place(new QGroupBox(QStringLiteral("Frame"), page), 16, 16, 300, 200);
    place(new QLabel(QStringLiteral("First label"), frame), 16, 24, 120, 20);
    place(new QLabel(QStringLiteral("Second label"), frame), 16, 52, 120, 20);
    place(new QPushButton(QStringLiteral("First"), frame), 160, 24, 120, 24);
    place(new QPushButton(QStringLiteral("Second"), frame), 160, 56, 120, 24);
    place(new QRadioButton(QStringLiteral("One option"), frame), 16, 100, 120, 20)
        ->setChecked(true);
    place(new QRadioButton(QStringLiteral("Other option"), frame), 16, 124, 120, 20);
    place(new QLineEdit(QStringLiteral("800"), frame), 160, 100, 120, 22);
    place(new QLabel(QStringLiteral("A label on the page"), page), 340, 24, 200, 20);

    window.setFixedSize(PanelWidth, PanelHeight);
    phases.mark("window");
    QuitOnFirstPaint quit(&window, phases, QuitOnFirstPaint::exitAtPaint(argc, argv));
    window.show();
    const int status = QApplication::exec();
    return quit.painted() ? status : 1;
}
