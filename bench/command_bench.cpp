// Cost of the panel's commands through the real handlers and the simulated
// board, beside the cost of the bare board call they make. QBENCHMARK gives
// wall time per call; cpuTimePerCall gives process CPU time per call over long
// batches, in the "PERCALL" lines scripts/bench.sh reads. Repaints are not
// included: they happen later, in the event loop.
#include "BenchPanel.h"
#include "board/USBStuff.h"
#include "model/PanelModel.h"
#include "panel/FindControl.h"
#include "panel/QV7310.h"
#include "panel/QV7310TestSeam.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <vector>

namespace {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

class CommandBench : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QV7310> window_;
    // Found once, so that the lookups are not timed.
    QAbstractButton* channel2Down_ = nullptr;
    QAbstractButton* channel2Up_ = nullptr;
    QLineEdit* writeBox_ = nullptr;
    bool powerUp_ = false;
    bool otherCode_ = false;

    // Flips channel 2 between powered down (optPD1 2) and up (optPD1 3), so
    // each control-register click has a new state to send and show.
    void toggleChannel2() {
        powerUp_ = !powerUp_;
        (powerUp_ ? channel2Up_ : channel2Down_)->setChecked(true);
    }
    // Alternates the selected box between two codes, so each write has a new
    // word to echo.
    void changeCode() {
        otherCode_ = !otherCode_;
        writeBox_->setText(otherCode_ ? QStringLiteral("601") : QStringLiteral("600"));
    }

    void loadDac() { QV7310TestSeam::cmdWrite_Click(*window_, 1); }
    void loadNewCode() {
        changeCode();
        QV7310TestSeam::cmdWrite_Click(*window_, 1);
    }
    void pulseLdac() { QV7310TestSeam::cmdLDAC_Click(*window_, 0); }
    void controlRegister() {
        toggleChannel2();
        QV7310TestSeam::optPD1_Click(*window_, 3);
    }
    static void bareCall() {
        char buffer = 0;
        Bench::board().vendorIORequest(USBStuff::BoardRequest::SerialWord, Bench::WriteWord, 0, 0,
                                       0, &buffer);
    }

    // Median over `rounds` batches of `calls` calls, each on a fresh board log
    // and after one untimed batch; prints one PERCALL line.
    template <typename Op> void perCall(const char* name, Op op, int calls, int rounds) {
        std::vector<double> cpu;
        std::vector<double> wall;
        for (int r = -1; r < rounds; ++r) {
            Bench::freshBoard(*window_);
            QCoreApplication::processEvents();
            const double cpu0 = cpuSeconds();
            const auto wall0 = std::chrono::steady_clock::now();
            for (int i = 0; i < calls; ++i)
                op();
            const auto wall1 = std::chrono::steady_clock::now();
            const double cpu1 = cpuSeconds();
            QCOMPARE(Bench::link().lastStatus(), std::int16_t(0));
            if (r < 0)
                continue;
            cpu.push_back((cpu1 - cpu0) * 1e6 / calls);
            wall.push_back(std::chrono::duration<double, std::micro>(wall1 - wall0).count() /
                           calls);
        }
        std::printf("PERCALL %-22s cpu_us %8.3f wall_us %8.3f (median of %d x %d calls)\n", name,
                    median(cpu), median(wall), rounds, calls);
        std::fflush(stdout);
    }

private slots:
    void initTestCase() {
        window_ = Bench::startPanel();
        channel2Down_ = FindControl<QAbstractButton>(*window_, QStringLiteral("optPD1(2)"));
        channel2Up_ = FindControl<QAbstractButton>(*window_, QStringLiteral("optPD1(3)"));
        writeBox_ =
            FindControl<QLineEdit>(*window_, QStringLiteral("txtInput(%1)").arg(Bench::WriteRow));
        Bench::freshBoard(*window_);
        // The handlers really reach the board: check once before timing them.
        loadDac();
        SimState s{};
        Bench::board().getState(&s);
        QCOMPARE(s.lastWord, Bench::WriteWord);
        QCOMPARE(Bench::link().lastStatus(), std::int16_t(0));
    }

    // Each measurement starts on an empty board log.
    void init() { Bench::freshBoard(*window_); }

    void loadDacWrite() {
        QBENCHMARK {
            loadDac();
        }
    }
    void loadDacWriteNewCode() {
        QBENCHMARK {
            loadNewCode();
        }
    }
    void codeChangeOnly() {
        QBENCHMARK {
            changeCode();
        }
    }
    void pulseLdacWithRefresh() {
        QBENCHMARK {
            pulseLdac();
        }
    }
    void controlRegisterClick() {
        QBENCHMARK {
            controlRegister();
        }
    }
    void controlRegisterToggleOnly() {
        QBENCHMARK {
            toggleChannel2();
        }
    }
    void bareBoardCall() {
        QBENCHMARK {
            bareCall();
        }
    }
    // What QBENCHMARK itself costs per iteration.
    void emptyIteration() {
        QBENCHMARK {}
    }

    void cpuTimePerCall() {
        constexpr int Calls = 100000;
        constexpr int Rounds = 5;
        perCall(
            "bare-board-call", [] { bareCall(); }, Calls, Rounds);
        perCall(
            "load-dac-write", [this] { loadDac(); }, Calls, Rounds);
        // The history of requests: on (as above, the panel's default), off,
        // and with a journal that writes and flushes a line per request.
        RequestHistory& history = Bench::model().history();
        history.setRecording(false);
        perCall(
            "load-dac-write-history-off", [this] { loadDac(); }, Calls, Rounds);
        history.setRecording(true);
        QTemporaryDir dir;
        QString error;
        QVERIFY2(history.openJournal(dir.filePath("journal.jsonl"), error), qPrintable(error));
        perCall(
            "load-dac-write-journal", [this] { loadDac(); }, Calls / 5, Rounds);
        history.closeJournal();
        perCall(
            "load-dac-write-new-code", [this] { loadNewCode(); }, Calls, Rounds);
        perCall(
            "code-change-only", [this] { changeCode(); }, Calls, Rounds);
        perCall(
            "pulse-ldac", [this] { pulseLdac(); }, Calls, Rounds);
        perCall(
            "control-register", [this] { controlRegister(); }, Calls, Rounds);
        perCall(
            "toggle-only", [this] { toggleChannel2(); }, Calls, Rounds);
    }

    void cleanupTestCase() {
        QV7310TestSeam::mnuDontRESET_Click(*window_);
        window_.reset();
    }
};

int main(int argc, char* argv[]) {
#if defined(__GLIBC__)
    // The simulated board's log grows a vector on every call and is freed at
    // each reset. Keeping freed memory in the heap makes that growth cost the
    // same in every batch, instead of depending on fresh pages from the kernel
    // (glibc's malloc only).
    mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
#endif
    QApplication app(argc, argv);
    CommandBench bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "command_bench.moc"
