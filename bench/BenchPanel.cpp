#include "BenchPanel.h"

#include "Controls.h"
#include "DialogSeam.h"
#include "FindControl.h"
#include "PanelApplication.h"
#include "QV7310.h"
#include "USBStuff.h"
#include "frmPartSelect.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace Bench {

namespace {
template <typename Fn> Fn resolve(QLibrary& lib, const char* name) {
    auto fn = reinterpret_cast<Fn>(lib.resolve(name));
    if (!fn)
        qFatal("BoardPort has no %s: %s", name, qPrintable(lib.errorString()));
    return fn;
}
} // namespace

const Board& board() {
    static const Board b = [] {
        static QLibrary lib(QCoreApplication::applicationDirPath() + QStringLiteral("/BoardPort"));
        if (!lib.load())
            qFatal("BoardPort not found: %s", qPrintable(lib.errorString()));
        Board r;
        r.vendorIORequest = resolve<VendorIORequestFn>(lib, "VendorIORequest");
        r.reset = resolve<void (*)()>(lib, "simboard_reset");
        r.callCount = resolve<int (*)()>(lib, "simboard_call_count");
        r.state = resolve<void (*)(SimState*)>(lib, "simboard_get_state");
        return r;
    }();
    return b;
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
    auto window = std::make_unique<QV7310>();
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
    if (USBStuff::lastStatus != 0)
        qFatal("board did not start again: status %d", USBStuff::lastStatus);
}

} // namespace Bench
