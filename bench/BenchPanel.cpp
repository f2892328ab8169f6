#include "BenchPanel.h"

#include "board/BoardLink.h"
#include "model/PanelModel.h"
#include "model/Session.h"
#include "model/SessionObjects.h"
#include "panel/DialogSeam.h"
#include "panel/FindControl.h"
#include "panel/OptionButton.h"
#include "panel/PanelApplication.h"
#include "panel/QV7310.h"
#include "panel/frmPartSelect.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace Bench {

namespace {
SessionObjects& objects() {
    static SessionObjects built;
    return built;
}
} // namespace

BoardLink& link() {
    return objects().link;
}

PanelModel& model() {
    return objects().model;
}

Session& session() {
    return objects().session;
}

const SimboardClient::Functions& board() {
    return SimboardClient::besideExecutable();
}

std::unique_ptr<QV7310> startPanel() {
    PanelApplication::Init();
    const DialogSeam::Handler previous = DialogSeam::setHandler([](QDialog& dialog) {
        if (auto* select = qobject_cast<frmPartSelect*>(&dialog))
            select->cmdPartSelect[1]->click();
        else
            qFatal("unexpected dialog \"%s\": the board is not answering",
                   qPrintable(dialog.windowTitle()));
        return dialog.result();
    });
    auto window = std::make_unique<QV7310>(Bench::session());
    window->Form_Load();
    DialogSeam::setHandler(previous);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qFatal("panel window was not exposed");
    FindControl<QLineEdit>(*window, QStringLiteral("txtInput(%1)").arg(WriteRow))
        ->setText(QStringLiteral("600"));
    FindControl<OptionButton>(*window, QStringLiteral("InputSel(%1)").arg(WriteRow))
        ->setChecked(true);
    QCoreApplication::processEvents();
    return window;
}

void freshBoard(QV7310& window) {
    board().reset();
    window.LoadUSB();
    if (Bench::link().lastStatus() != 0)
        qFatal("board did not start again: status %d", Bench::link().lastStatus());
}

} // namespace Bench
