#include "PanelApplication.h"
#include "QV7310.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    PanelApplication::Init();
    QV7310 window;
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
