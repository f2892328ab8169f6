// The floor under the bridge's round trip on Windows: 8 bytes to a second
// process over an anonymous pipe and 8 bytes back, with plain blocking
// ReadFile and WriteFile on both sides and nothing else. Prints
//   ROUNDTRIP <label> <calls> <median us> <p99 us>
// for scripts/bench.sh.
//   qv7310-pipe-bench LABEL CALLS        (starts itself as the echo side)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <windows.h>

namespace {

bool exactly(HANDLE pipe, char* data, DWORD size, bool write) {
    while (size > 0) {
        DWORD done = 0;
        const BOOL ok = write ? ::WriteFile(pipe, data, size, &done, nullptr)
                              : ::ReadFile(pipe, data, size, &done, nullptr);
        if (!ok || done == 0)
            return false;
        data += done;
        size -= done;
    }
    return true;
}

int echo() {
    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    char frame[8];
    while (exactly(in, frame, sizeof frame, false))
        if (!exactly(out, frame, sizeof frame, true))
            return 1;
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && std::string(argv[1]) == "echo")
        return echo();
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s LABEL CALLS\n", argv[0]);
        return 2;
    }
    const int calls = std::max(100, std::atoi(argv[2]));
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE toChild = nullptr, childIn = nullptr, fromChild = nullptr, childOut = nullptr;
    if (!::CreatePipe(&childIn, &toChild, &inherit, 0) ||
        !::CreatePipe(&fromChild, &childOut, &inherit, 0))
        return 1;
    ::SetHandleInformation(toChild, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(fromChild, HANDLE_FLAG_INHERIT, 0);
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = std::string("\"") + self + "\" echo";
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = childIn;
    start.hStdOutput = childOut;
    start.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &start, &child))
        return 1;
    ::CloseHandle(childIn);
    ::CloseHandle(childOut);
    std::vector<double> us;
    us.reserve(std::size_t(calls));
    char frame[8] = {'p', 'i', 'n', 'g'};
    for (int i = 0; i < calls; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        if (!exactly(toChild, frame, sizeof frame, true) ||
            !exactly(fromChild, frame, sizeof frame, false))
            return 1;
        const auto end = std::chrono::steady_clock::now();
        us.push_back(std::chrono::duration<double, std::micro>(end - begin).count());
    }
    ::CloseHandle(toChild);
    ::WaitForSingleObject(child.hProcess, 5000);
    std::sort(us.begin(), us.end());
    std::printf("ROUNDTRIP %s %d %.2f %.2f\n", argv[1], calls, us[us.size() / 2],
                us[us.size() * 99 / 100]);
    return 0;
}
