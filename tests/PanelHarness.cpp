#include "PanelHarness.h"

#include "board/BoardLink.h"
#include "model/PanelModel.h"
#include "model/Session.h"
#include "model/SessionObjects.h"
#include "panel/DialogSeam.h"
#include "panel/PanelApplication.h"
#include "panel/QV7310.h"
#include "panel/frmPartSelect.h"
#include "simboard/SimboardClient.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdlib>

namespace Harness {

namespace {
// A modal box that no test answers would hold its suite until the time limit
// and say nothing of why: after a few seconds the run ends, naming the box.
void watchForUnansweredBoxes() {
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [] {
        static QPointer<QWidget> open;
        static QElapsedTimer openFor;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != open) {
            open = modal;
            openFor.start();
            return;
        }
        if (!modal || openFor.elapsed() < 5000)
            return;
        const auto* box = qobject_cast<QMessageBox*>(modal);
        qFatal("a modal %s that nobody answers has been open for 5 s: \"%s\" %s",
               modal->metaObject()->className(), qPrintable(modal->windowTitle()),
               box ? qPrintable(box->text()) : qPrintable(modal->objectName()));
    });
    timer->start(250);
}
} // namespace
Q_COREAPP_STARTUP_FUNCTION(watchForUnansweredBoxes)

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

SimBoard::SimBoard() : fn_(SimboardClient::besideExecutable()) {}

SimBoard& SimBoard::get() {
    static SimBoard board;
    return board;
}

void SimBoard::reset() const {
    fn_.reset();
}
int SimBoard::callCount() const {
    return fn_.callCount();
}

SimCall SimBoard::call(int i) const {
    SimCall c{};
    if (fn_.getCall(i, &c) != 0)
        qFatal("no call %d in the board's log", i);
    return c;
}

std::vector<SimCall> SimBoard::callsSince(int mark) const {
    std::vector<SimCall> calls;
    for (int i = mark; i < callCount(); ++i)
        calls.push_back(call(i));
    return calls;
}

SimState SimBoard::state() const {
    SimState s{};
    fn_.getState(&s);
    return s;
}

void SimBoard::failAfter(int calls, int status) const {
    fn_.failAfter(calls, status);
}
void SimBoard::clearFaults() const {
    fn_.clearFaults();
}
void SimBoard::unplug() const {
    fn_.unplug();
}
void SimBoard::replug() const {
    fn_.replug();
}

QString describe(const SimCall& call) {
    return SimboardClient::describe(call);
}

QStringList describe(const std::vector<SimCall>& calls) {
    QStringList out;
    for (const SimCall& c : calls)
        out << describe(c);
    return out;
}

DialogAnswerer::DialogAnswerer(int button) : partButton(button) {
    DialogSeam::setHandler([this](QDialog& dialog) {
        ShownDialog record;
        record.className = QString::fromLatin1(dialog.metaObject()->className());
        record.title = dialog.windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            record.text = box->text();
            record.icon = box->icon();
        }
        shown.push_back(record);
        if (onShow)
            onShow(dialog);
        if (auto* select = qobject_cast<frmPartSelect*>(&dialog)) {
            if (partButton >= 0)
                select->cmdPartSelect[partButton]->click();
            else
                dialog.reject();
        } else if (qobject_cast<QMessageBox*>(&dialog)) {
            dialog.accept();
        } else {
            dialog.accept();
        }
        return dialog.result();
    });
}

DialogAnswerer::~DialogAnswerer() {
    DialogSeam::setHandler(nullptr);
}

int DialogAnswerer::count(const QString& className) const {
    int n = 0;
    for (const ShownDialog& d : shown)
        n += d.className == className ? 1 : 0;
    return n;
}

PanelFixture::PanelFixture() = default;
PanelFixture::~PanelFixture() {
    stop();
}

void PanelFixture::start(int partButton) {
    stop();
    answers_ = std::make_unique<DialogAnswerer>(partButton);
    window_ = startPanel();
}

void PanelFixture::stop() {
    window_.reset();
    answers_.reset();
}

qint64 bridgeProcess(qint64 parent) {
    const QString self = QString::number(parent ? parent : QCoreApplication::applicationPid());
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (entry.toLongLong() <= 0 || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ...": the name is cut to 15 characters.
        const QString line = QString::fromLocal8Bit(stat.readAll());
        const qsizetype close = line.lastIndexOf(QLatin1Char(')'));
        const QStringList after = line.mid(close + 2).split(QLatin1Char(' '));
        if (line.contains(QLatin1String("(qv7310-board-br)")) && after.size() > 1 &&
            after[0] != QLatin1String("Z") && after[1] == self)
            return entry.toLongLong();
    }
    return 0;
}

QString centringFault(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect screen = window.screen()->geometry();
    const QPoint centred(screen.left() + (screen.width() - frame.width()) / 2,
                         screen.top() + (screen.height() - frame.height()) / 2);
    if (frame == window.geometry())
        return window.objectName() + " shows no frame";
    if (frame.topLeft() != centred)
        return QStringLiteral("%1: frame %2x%3 at %4,%5, centred it would be at %6,%7")
            .arg(window.objectName())
            .arg(frame.width())
            .arg(frame.height())
            .arg(frame.left())
            .arg(frame.top())
            .arg(centred.x())
            .arg(centred.y());
    return QString();
}

std::unique_ptr<QV7310> startPanel(bool keepReset) {
    static bool initialised = false;
    if (!initialised) {
        PanelApplication::Init();
        // Settings of this run only: a person's kept limits never reach a test.
        static QTemporaryDir settings;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        initialised = true;
    }
    Harness::model().clear();
    SimBoard::get().reset();
    auto window = std::make_unique<QV7310>(Harness::session());
    window->Form_Load();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qFatal("panel window was not exposed");
    // Once drawn, the window creates the page behind by itself (looked up
    // without FindControl, which would create it).
    if (!QTest::qWaitFor([&] { return window->findChild<QLineEdit*>("txtInput(0)") != nullptr; }))
        qFatal("the page behind was not created after the first paint");
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        qFatal("panel window did not become active");
    if (!keepReset)
        control<QAction>(*window, "mnuDontRESET")->trigger();
    return window;
}

} // namespace Harness
