// Remote control over a real TCP connection to the panel's server, the window
// shown (offscreen): round trips of a query (*IDN?) and of a write with a
// query (DAC1:CODE n;:WORD?) in alternating blocks of one run, how long the window
// takes to paint a remote change, and pipelined throughput. The client runs
// on a thread of its own with plain blocking sockets; the panel and its
// server run on the GUI thread as in the program. Prints "REMOTE" lines that
// scripts/bench.sh reads.
#include "BenchPanel.h"
#include "panel/QV7310.h"
#include "panel/QV7310TestSeam.h"
#include "panel/RepaintPacer.h"
#include "remote/RemoteServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1,
                           static_cast<std::size_t>(p * static_cast<double>(values.size())))];
}

class Connection {
public:
    explicit Connection(quint16 port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            std::perror("connect");
        const int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    ~Connection() { ::close(fd_); }
    void send(const std::string& bytes) {
        for (std::size_t at = 0; at < bytes.size();) {
            const ssize_t n = ::send(fd_, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            at += static_cast<std::size_t>(n);
        }
    }
    // Reads until `lines` line ends have come.
    void readLines(std::size_t lines) {
        char buffer[65536];
        while (lines > 0) {
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            lines -= static_cast<std::size_t>(std::count(buffer, buffer + n, '\n'));
        }
    }

private:
    int fd_ = -1;
};

// Paint times of the serial-word echo, which every write changes.
class PaintWatch : public QObject {
public:
    std::vector<Clock::time_point> paints;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            paints.push_back(Clock::now());
        return false;
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20000;
    const std::unique_ptr<QV7310> window = Bench::startPanel();
    RemoteServer server(Bench::model(), Bench::session());
    // As main() does with remote control on: the window's repaints paced.
    new RepaintPacer(window.get());
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 1;
    PaintWatch watch;
    QLabel* echo = window->findChild<QLabel*>(QStringLiteral("Label1(0)"));
    echo->installEventFilter(&watch);

    std::vector<double> query;
    std::vector<double> write;
    std::vector<Clock::time_point> writes;
    double pipelinedQueries = 0;
    double pipelinedWrites = 0;
    std::thread client([&] {
        Connection c(server.port());
        auto roundTrip = [&c](const std::string& line) {
            const Clock::time_point start = Clock::now();
            c.send(line);
            c.readLines(1);
            return micros(Clock::now() - start);
        };
        // Blocks of each kind in turn: a repaint runs once the panel is idle
        // again, inside the next round trip, so each kind pays for its own.
        constexpr int Block = 50;
        for (int i = -1000; i < rounds; i += Block) {
            for (int k = 0; k < Block; ++k) {
                const double q = roundTrip("*IDN?\n");
                if (i >= 0)
                    query.push_back(q);
            }
            for (int k = 0; k < Block; ++k) {
                const Clock::time_point sent = Clock::now();
                const double w =
                    roundTrip("DAC1:CODE " + std::to_string(1000 + (k & 1)) + ";:WORD?\n");
                if (i < 0)
                    continue;
                write.push_back(w);
                writes.push_back(sent);
            }
        }
        // Pipelined: every line sent at once, the replies read as they come.
        auto pipelined = [&c](const std::string& line, std::size_t count, bool replies) {
            std::string all;
            for (std::size_t i = 0; i < count; ++i)
                all += line;
            const Clock::time_point start = Clock::now();
            std::thread sender([&] { c.send(replies ? all : all + "*OPC?\n"); });
            c.readLines(replies ? count : 1);
            sender.join();
            return static_cast<double>(count) / (micros(Clock::now() - start) * 1e-6);
        };
        pipelinedQueries = pipelined("*OPC?\n", 500000, true);
        pipelinedWrites = pipelined("DAC1:CODE 7\n", 200000, false);
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    QApplication::exec();
    client.join();

    // How long after a write was sent the echo was painted: the first paint
    // at or after it.
    std::vector<double> toPaint;
    for (const Clock::time_point sent : writes) {
        const auto paint = std::lower_bound(watch.paints.begin(), watch.paints.end(), sent);
        if (paint != watch.paints.end())
            toPaint.push_back(micros(*paint - sent) / 1000.0);
    }
    const double queryMedian = percentile(query, 0.5);
    const double writeMedian = percentile(write, 0.5);
    std::printf("REMOTE query-round-trip-us median %.2f p99 %.2f\n", queryMedian,
                percentile(query, 0.99));
    std::printf("REMOTE write-round-trip-us median %.2f p99 %.2f\n", writeMedian,
                percentile(write, 0.99));
    std::printf("REMOTE write-to-query-ratio median %.3f p99 %.3f\n", writeMedian / queryMedian,
                percentile(write, 0.99) / percentile(query, 0.99));
    std::printf(
        "REMOTE write-to-paint-ms median %.2f p99 %.2f max %.2f (%zu paints for %d writes)\n",
        percentile(toPaint, 0.5), percentile(toPaint, 0.99), percentile(toPaint, 1.0),
        watch.paints.size(), rounds);
    std::printf("REMOTE pipelined-queries lines-per-s %.0f\n", pipelinedQueries);
    std::printf("REMOTE pipelined-writes lines-per-s %.0f\n", pipelinedWrites);
    QV7310TestSeam::mnuDontRESET_Click(*window);
    return 0;
}
