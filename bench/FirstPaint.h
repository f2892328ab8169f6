// Ends a start-up benchmark run right after its window's first paint: the
// runner times the whole process, so the run has to stop there. With
// --exit-at-paint the process ends with _Exit once the figures are out, so no
// teardown (widgets, font database, plugins) is timed; without it the event
// loop returns and main() tears down as usual, for tools that want that.
#ifndef FIRSTPAINT_H
#define FIRSTPAINT_H

#include "Phases.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>

class QuitOnFirstPaint : public QObject {
public:
    // True when argv asks for the _Exit mode.
    static bool exitAtPaint(int argc, char* argv[]) {
        for (int i = 1; i < argc; ++i)
            if (std::strcmp(argv[i], "--exit-at-paint") == 0)
                return true;
        return false;
    }

    // `normal`, if given, says at the first paint whether the run was the
    // normal start-up; a run it rejects ends with status 1.
    QuitOnFirstPaint(QWidget* window, Phases& phases, bool exitAtPaint,
                     std::function<bool()> normal = {})
        : window_(window), phases_(phases), exit_(exitAtPaint), normal_(std::move(normal)) {
        window_->installEventFilter(this);
    }

    bool painted() const { return painted_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!painted_ && watched == window_ && event->type() == QEvent::Paint) {
            painted_ = true;
            // Queued, so the whole window is drawn and flushed before the run ends.
            QMetaObject::invokeMethod(
                qApp, [this] { finish(); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void finish() {
        phases_.mark("paint");
        const int status = !normal_ || normal_() ? 0 : 1;
        saveMemoryMap();
        phases_.print();
        std::printf("first-paint-ms %.3f window %dx%d\n", phases_.elapsedMs(), window_->width(),
                    window_->height());
        if (exit_) {
            std::fflush(stdout);
            std::_Exit(status);
        }
        QCoreApplication::exit(status);
    }

    // With QV_BENCH_SMAPS=FILE, the process's memory map at the first paint
    // goes to FILE, to see which mappings the resident pages belong to.
    static void saveMemoryMap() {
        const char* path = std::getenv("QV_BENCH_SMAPS");
        if (!path || !*path)
            return;
        FILE* in = std::fopen("/proc/self/smaps", "r");
        FILE* out = std::fopen(path, "w");
        char buffer[4096];
        std::size_t n = 0;
        while (in && out && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
            std::fwrite(buffer, 1, n, out);
        if (in)
            std::fclose(in);
        if (out)
            std::fclose(out);
    }

    QWidget* window_;
    Phases& phases_;
    bool exit_;
    std::function<bool()> normal_;
    bool painted_ = false;
};

#endif
