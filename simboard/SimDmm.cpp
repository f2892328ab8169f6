// qv7310-sim-dmm: a simulated bench multimeter for trying and testing a
// linearity run without instruments. It serves SCPI on a TCP port, one client
// at a time, and reads one output of the simulated board from the file the
// board library rewrites after every call (BOARDPORT_OUTPUTS).
#include <arpa/inet.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <random>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

struct Options {
    int port = 5025;
    int channel = 1;
    std::string outputs;
    double noise = 0;      // volts, standard deviation
    double resolution = 0; // volts; 0 leaves the reading unrounded
    int readingMs = 0;
    std::string fault;  // silent, garbage, error, close
    int faultAfter = 0; // readings answered before the fault
};

const char* const Usage =
    "usage: qv7310-sim-dmm [--port P] [--channel N] [--outputs FILE] [--noise VOLTS]\n"
    "       [--resolution VOLTS] [--reading-time MS] [--fault silent|garbage|error|close]\n"
    "       [--fault-after READINGS]\n"
    "Serves SCPI (*IDN?, *CLS, *RST, CONF:VOLT:DC [range], READ?, MEAS:VOLT:DC?,\n"
    "SYST:ERR?) on TCP port P (0: any free port; the port is printed). Readings are\n"
    "the output N of the file the simulated board writes (BOARDPORT_OUTPUTS).\n";

bool parseOptions(int argc, char** argv, Options& o) {
    if (const char* env = std::getenv("BOARDPORT_OUTPUTS"))
        o.outputs = env;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc)
            return false;
        const char* value = argv[++i];
        if (name == "--port")
            o.port = std::atoi(value);
        else if (name == "--channel")
            o.channel = std::atoi(value);
        else if (name == "--outputs")
            o.outputs = value;
        else if (name == "--noise")
            o.noise = std::atof(value);
        else if (name == "--resolution")
            o.resolution = std::atof(value);
        else if (name == "--reading-time")
            o.readingMs = std::atoi(value);
        else if (name == "--fault")
            o.fault = value;
        else if (name == "--fault-after")
            o.faultAfter = std::atoi(value);
        else
            return false;
    }
    return o.channel >= 1 && o.channel <= 4 && !o.outputs.empty();
}

class Meter {
public:
    explicit Meter(const Options& o) : o_(o), random_(7310) {}

    // The reply to one command line; `answer` false for none, `close` to hang up.
    std::string run(const std::string& line, bool& answer, bool& close);

private:
    std::string reading(bool& answer, bool& close);
    double outputVolts(bool& ok) const;
    void error(const std::string& entry) {
        if (errors_.size() < 16)
            errors_.push_back(entry);
    }

    const Options& o_;
    std::mt19937 random_;
    std::deque<std::string> errors_;
    int readings_ = 0;
};

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r'))
        text.pop_back();
    return text;
}

double Meter::outputVolts(bool& ok) const {
    double v[4] = {0, 0, 0, 0};
    FILE* f = std::fopen(o_.outputs.c_str(), "rb");
    ok = f != nullptr && std::fscanf(f, "%lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3]) == 4;
    if (f != nullptr)
        std::fclose(f);
    return v[o_.channel - 1];
}

std::string Meter::reading(bool& answer, bool& close) {
    const bool faulty = readings_++ >= o_.faultAfter;
    if (o_.readingMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(o_.readingMs));
    if (faulty && o_.fault == "silent") {
        answer = false;
        return std::string();
    }
    if (faulty && o_.fault == "close") {
        close = true;
        return std::string();
    }
    if (faulty && o_.fault == "garbage")
        return "#?garbage";
    bool ok = false;
    double volts = outputVolts(ok);
    if (!ok) {
        error("-230,\"Data corrupt or stale\"");
        return "+9.91000000E+37";
    }
    if (o_.noise > 0)
        volts += std::normal_distribution<double>(0.0, o_.noise)(random_);
    if (o_.resolution > 0)
        volts = std::round(volts / o_.resolution) * o_.resolution;
    char text[40];
    std::snprintf(text, sizeof text, "%+.9E", volts);
    return text;
}

std::string Meter::run(const std::string& line, bool& answer, bool& close) {
    const std::string command = upper(line);
    answer = command.find('?') != std::string::npos;
    if (command == "*IDN?")
        return "QV,7310-SIM-DMM,0,1.0";
    if (command == "*CLS" || command == "*RST") {
        errors_.clear();
        return std::string();
    }
    if (command == "SYST:ERR?" || command == "SYSTEM:ERROR?" || command == "SYST:ERR:NEXT?") {
        if (o_.fault == "error")
            return "-221,\"Settings conflict\"";
        if (errors_.empty())
            return "+0,\"No error\"";
        const std::string entry = errors_.front();
        errors_.pop_front();
        return entry;
    }
    if (command.rfind("CONF:VOLT:DC", 0) == 0) {
        const std::string range = command.size() > 12 ? command.substr(12) : std::string();
        const double volts = std::atof(range.c_str());
        if (range.find("AUTO") == std::string::npos && !range.empty() &&
            (volts <= 0 || volts > 1000))
            error("-222,\"Data out of range\"");
        return std::string();
    }
    if (command == "READ?" || command.rfind("MEAS:VOLT:DC?", 0) == 0)
        return reading(answer, close);
    error("-113,\"Undefined header\"");
    return std::string();
}

int listenOn(int port) {
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(server, 4) != 0)
        return -1;
    socklen_t size = sizeof address;
    ::getsockname(server, reinterpret_cast<sockaddr*>(&address), &size);
    std::printf("listening on %d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    return server;
}

void serve(int client, Meter& meter) {
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::recv(client, buffer, sizeof buffer, 0);
        if (count <= 0)
            return;
        pending.append(buffer, static_cast<std::size_t>(count));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            bool answer = false;
            bool close = false;
            const std::string reply = meter.run(line, answer, close);
            if (close)
                return;
            if (answer) {
                const std::string out = reply + "\n";
                if (::send(client, out.data(), out.size(), MSG_NOSIGNAL) < 0)
                    return;
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const int server = listenOn(options.port);
    if (server < 0) {
        std::perror("qv7310-sim-dmm");
        return 1;
    }
    for (;;) {
        const int client = ::accept(server, nullptr, nullptr);
        if (client < 0)
            continue;
        const int on = 1;
        ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        // Each connection starts from a fresh meter, as after power-on.
        Meter meter(options);
        serve(client, meter);
        ::close(client);
    }
}
