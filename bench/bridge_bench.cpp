// Round trip of one board request through the board link: the library in
// this process, or the board bridge given as a command; back to back, or
// with a pause before each request, so that both sides have gone to sleep.
// Prints
//   ROUNDTRIP <label> <calls> <median us> <p99 us>
// for scripts/bench.sh.
//   qv7310-bridge-bench LABEL CALLS PAUSE_US [BRIDGE COMMAND]
#include "board/USBStuff.h"

#include <QCoreApplication>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    BoardLink link;
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: %s LABEL CALLS PAUSE_US [BRIDGE COMMAND]\n", argv[0]);
        return 2;
    }
    const int calls = std::max(100, args[2].toInt());
    const auto pause = std::chrono::microseconds(args[3].toInt());
    if (args.size() > 4)
        link.useBridge(QProcess::splitCommand(args[4]));
    if (USBStuff::DownloadFirmware(link) < 0) {
        std::fprintf(stderr, "no board: status %d\n", link.lastStatus());
        return 1;
    }
    USBStuff::PlainRequest(link, USBStuff::BoardRequest::Start);
    std::vector<double> us;
    us.reserve(std::size_t(calls));
    for (int i = 0; i < calls; ++i) {
        if (pause.count() > 0)
            std::this_thread::sleep_for(pause);
        const auto start = std::chrono::steady_clock::now();
        USBStuff::PlainRequest(link, i % 2 ? USBStuff::BoardRequest::LdacHigh
                                           : USBStuff::BoardRequest::LdacLow);
        const auto end = std::chrono::steady_clock::now();
        if (link.lastStatus() < 0) {
            std::fprintf(stderr, "request failed: status %d\n", link.lastStatus());
            return 1;
        }
        us.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(us.begin(), us.end());
    std::printf("ROUNDTRIP %s %d %.2f %.2f\n", qPrintable(args[1]), calls, us[us.size() / 2],
                us[us.size() * 99 / 100]);
    link.close();
    return 0;
}
