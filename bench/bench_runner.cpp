// Times start-up programs as whole processes, with nothing between them and
// the clock: each run is forked and exec'd here, wall time is taken around
// fork and wait4, CPU time (user + system) and peak RSS come from wait4.
// Runs are interleaved: every round runs each program once, the order turned
// by one place per round, after a few untimed rounds. Prints one line per
// program: the medians over the timed rounds, each with its interquartile
// range, of wall time, CPU time, peak RSS, and the program's own figure from
// main() to the first paint.
//   qv7310-bench-runner ROUNDS WARMUP PROGRAM... [-- ARGUMENT...]
// The arguments after "--" go to every program. A run fails the whole
// benchmark if its program does not end with status 0 or does not print its
// "first-paint-ms" line.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Run {
    double wallMs = 0;
    double cpuMs = 0;
    double rssKb = 0;
    double paintMs = 0; // the program's own figure, main() to first paint
};

double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double ms(const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

// An unlinked temporary file, reused for every run's stdout or stderr.
int scratchFile() {
    char name[] = "/tmp/qv7310-bench-XXXXXX";
    const int fd = mkostemp(name, O_CLOEXEC);
    if (fd < 0) {
        std::perror("mkostemp");
        std::exit(2);
    }
    unlink(name);
    return fd;
}

std::string contents(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n = 0;
    lseek(fd, 0, SEEK_SET);
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

// Files, not pipes, take the program's output: nothing has to be read while
// it runs, and a helper process it leaves behind cannot hold the run open.
Run runOnce(const std::vector<char*>& argv, int out, int err) {
    if (ftruncate(out, 0) != 0 || ftruncate(err, 0) != 0) {
        std::perror("ftruncate");
        std::exit(2);
    }
    lseek(out, 0, SEEK_SET);
    lseek(err, 0, SEEK_SET);
    const double start = nowMs();
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        std::exit(2);
    }
    if (pid == 0) {
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        execv(argv[0], argv.data());
        std::fprintf(stderr, "cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("wait4");
            std::exit(2);
        }
    }
    Run run;
    run.wallMs = nowMs() - start;
    run.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    run.rssKb = static_cast<double>(usage.ru_maxrss); // kilobytes on Linux
    const std::string text = contents(out);
    const std::size_t at = text.find("first-paint-ms ");
    const bool exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!exited || at == std::string::npos) {
        std::fprintf(stderr, "%s failed (%s %d):\n%s%s", argv[0],
                     WIFEXITED(status) ? "status" : "signal",
                     WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status),
                     contents(err).c_str(), text.c_str());
        std::exit(1);
    }
    run.paintMs = std::strtod(text.c_str() + at + 15, nullptr);
    return run;
}

// Median and interquartile range of one figure of the runs.
struct Spread {
    double median;
    double iqr;
};

Spread spread(const std::vector<Run>& runs, double Run::*field) {
    std::vector<double> v;
    for (const Run& r : runs)
        v.push_back(r.*field);
    std::sort(v.begin(), v.end());
    const auto at = [&v](double q) {
        const double pos = q * static_cast<double>(v.size() - 1);
        const auto low = static_cast<std::size_t>(pos);
        const std::size_t high = std::min(low + 1, v.size() - 1);
        return v[low] + (v[high] - v[low]) * (pos - static_cast<double>(low));
    };
    return {at(0.5), at(0.75) - at(0.25)};
}

const char* baseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s ROUNDS WARMUP PROGRAM... [-- ARGUMENT...]\n", argv[0]);
        return 2;
    }
    const int rounds = std::atoi(argv[1]);
    const int warmup = std::atoi(argv[2]);
    std::vector<std::string> programs;
    std::vector<std::string> arguments;
    int i = 3;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        programs.emplace_back(argv[i]);
    for (++i; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    if (rounds < 1 || warmup < 0 || programs.empty()) {
        std::fprintf(stderr, "need at least one round and one program\n");
        return 2;
    }

    std::vector<std::vector<char*>> argvs;
    for (std::string& program : programs) {
        std::vector<char*> v{program.data()};
        for (std::string& a : arguments)
            v.push_back(a.data());
        v.push_back(nullptr);
        argvs.push_back(v);
    }
    const int out = scratchFile();
    const int err = scratchFile();
    const std::size_t n = programs.size();
    std::vector<std::vector<Run>> runs(n);
    for (int round = -warmup; round < rounds; ++round) {
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t who = (k + static_cast<std::size_t>(round + warmup)) % n;
            const Run run = runOnce(argvs[who], out, err);
            if (round >= 0)
                runs[who].push_back(run);
        }
    }

    // Medians, each followed by its interquartile range.
    std::printf("%-26s %6s %9s %7s %9s %7s %11s %7s %9s %7s\n", "program", "rounds", "wall ms",
                "IQR", "CPU ms", "IQR", "peak RSS kB", "IQR", "paint ms", "IQR");
    for (std::size_t k = 0; k < n; ++k) {
        const Spread wall = spread(runs[k], &Run::wallMs);
        const Spread cpu = spread(runs[k], &Run::cpuMs);
        const Spread rss = spread(runs[k], &Run::rssKb);
        const Spread paint = spread(runs[k], &Run::paintMs);
        std::printf("%-26s %6d %9.2f %7.2f %9.2f %7.2f %11.0f %7.0f %9.2f %7.2f\n",
                    baseName(programs[k].c_str()), rounds, wall.median, wall.iqr, cpu.median,
                    cpu.iqr, rss.median, rss.iqr, paint.median, paint.iqr);
    }
    return 0;
}
