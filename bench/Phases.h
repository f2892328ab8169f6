// Time and resident memory at each step of a start-up benchmark, printed on
// one "phases" line: where the time and memory go, next to the runner's
// whole-process figures.
#ifndef PHASES_H
#define PHASES_H

#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

class Phases {
public:
    // Call first thing in main(): the steps are timed from here.
    Phases() { sinceMain_.start(); }

    // Ends the step called `name` (at most a few, named without spaces).
    void mark(const char* name) {
        const double ms = elapsedMs();
        long anonKb = 0;
        const long rssKb = residentKb(anonKb);
        char item[128];
        std::snprintf(item, sizeof item, " %s %.2fms/%ldkB(anon %ldkB)", name, ms - lastMs_, rssKb,
                      anonKb);
        line_ += item;
        lastMs_ = ms;
    }

    double elapsedMs() const { return static_cast<double>(sinceMain_.nsecsElapsed()) / 1e6; }

    void print() const { std::printf("phases%s\n", line_.c_str()); }

private:
    // VmRSS, and its anonymous part, from /proc/self/status (0 where there is none).
    static long residentKb(long& anonKb) {
        long kb = 0;
        if (FILE* f = std::fopen("/proc/self/status", "r")) {
            char text[256];
            while (std::fgets(text, sizeof text, f)) {
                if (std::strncmp(text, "VmRSS:", 6) == 0)
                    kb = std::strtol(text + 6, nullptr, 10);
                else if (std::strncmp(text, "RssAnon:", 8) == 0)
                    anonKb = std::strtol(text + 8, nullptr, 10);
            }
            std::fclose(f);
        }
        return kb;
    }

    QElapsedTimer sinceMain_;
    double lastMs_ = 0;
    std::string line_;
};

#endif
