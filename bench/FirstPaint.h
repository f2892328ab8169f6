// Ends a start-up benchmark run right after its window's first paint: the
// script times the whole process, so the run has to stop there.
#ifndef FIRSTPAINT_H
#define FIRSTPAINT_H

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMetaObject>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>

class QuitOnFirstPaint : public QObject {
public:
    // `sinceMain` was started first thing in main(), for the in-process figure.
    // `painted` runs once the first paint has been drawn and flushed.
    QuitOnFirstPaint(QWidget* window, const QElapsedTimer& sinceMain,
                     std::function<void()> painted = {})
        : window_(window), sinceMain_(sinceMain), onPainted_(std::move(painted)) {
        window_->installEventFilter(this);
    }

    bool painted() const { return painted_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!painted_ && watched == window_ && event->type() == QEvent::Paint) {
            painted_ = true;
            // Queued, so the whole window is drawn and flushed before the loop ends.
            QMetaObject::invokeMethod(
                qApp,
                [this] {
                    if (onPainted_)
                        onPainted_();
                    saveMemoryMap();
                    std::printf("first-paint-ms %.3f window %dx%d\n",
                                static_cast<double>(sinceMain_.nsecsElapsed()) / 1e6,
                                window_->width(), window_->height());
                    QCoreApplication::quit();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
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
    const QElapsedTimer& sinceMain_;
    std::function<void()> onPainted_;
    bool painted_ = false;
};

#endif
