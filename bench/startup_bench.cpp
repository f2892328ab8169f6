// The panel's start-up as app/main.cpp runs it, with the part dialog answered
// ("QV7310") instead of waiting for a person; ends after the first paint.
#include "FirstPaint.h"
#include "Phases.h"
#include "board/BoardLink.h"
#include "model/PanelModel.h"
#include "model/Session.h"
#include "panel/DialogSeam.h"
#include "panel/ExitPaths.h"
#include "panel/PanelApplication.h"
#include "panel/QV7310.h"
#include "panel/frmPartSelect.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

int main(int argc, char* argv[]) {
    Phases phases;
    phases.mark("main");
    QApplication app(argc, argv);
    phases.mark("app");
    PanelApplication::Init();
    phases.mark("init");
    bool boardMissing = false;
    DialogSeam::setHandler([&boardMissing](QDialog& dialog) {
        if (auto* select = qobject_cast<frmPartSelect*>(&dialog)) {
            select->cmdPartSelect[1]->click();
        } else {
            // Only "No Evaluation Board Found" can appear: the run would not
            // be the normal start-up, so it fails.
            boardMissing = qobject_cast<QMessageBox*>(&dialog) != nullptr;
            dialog.accept();
        }
        return dialog.result();
    });
    ExitPaths exitPaths;
    BoardLink link;
    PanelModel model(link);
    Session session(model);
    QV7310 window(session);
    phases.mark("window");
    exitPaths.setWindow(&window);
    window.Form_Load();
    phases.mark("load");
    QuitOnFirstPaint quit(&window, phases, QuitOnFirstPaint::exitAtPaint(argc, argv),
                          [&boardMissing] {
                              if (boardMissing)
                                  std::fprintf(stderr, "start-up was not normal: board missing\n");
                              return !boardMissing;
                          });
    window.show();
    const int status = QApplication::exec();
    DialogSeam::setHandler(nullptr);
    if (!quit.painted()) {
        std::fprintf(stderr, "start-up was not normal: no paint\n");
        return 1;
    }
    return status;
}
