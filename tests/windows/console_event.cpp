// Starts a program on a console and, once a given file exists, gives it one
// of the console's ways out, as a person at the console would:
//   qv-console-event.exe ctrl-c|ctrl-break|close GO_FILE PROGRAM [ARGS...]
// ctrl-c comes from GenerateConsoleCtrlEvent; ctrl-break and close as the
// console hands them to a program (see startControlRoutine). Then waits for the program and ends
// with its exit status. The program's standard handles are this program's.
#include <cstdio>
#include <cwchar>
#include <string>
#include <windows.h>

namespace {

constexpr DWORD CloseGraceMs = 5000;

// This program stays to report the program's status, whatever the console
// delivers.
BOOL WINAPI stay(DWORD) {
    return TRUE;
}

std::wstring commandLine(int argc, wchar_t** argv, int first) {
    std::wstring line;
    for (int i = first; i < argc; ++i) {
        if (!line.empty())
            line += L' ';
        line += L'"';
        line += argv[i];
        line += L'"';
    }
    return line;
}

// Windows' console delivers an event by starting the system's control
// routine in each of its programs, with the event: done here by hand where
// the console itself cannot (Wine's gives neither Ctrl+Break nor the close).
bool startControlRoutine(HANDLE process, DWORD event) {
    const HMODULE system = ::GetModuleHandleW(L"kernelbase.dll");
    const FARPROC found = system ? ::GetProcAddress(system, "CtrlRoutine") : nullptr;
    const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(found));
    if (!routine)
        return false;
    const HANDLE thread = ::CreateRemoteThread(
        process, nullptr, 0, routine, reinterpret_cast<void*>(UINT_PTR(event)), 0, nullptr);
    if (thread)
        ::CloseHandle(thread);
    return thread != nullptr;
}

bool deliver(const wchar_t* event, HANDLE process) {
    if (std::wcscmp(event, L"ctrl-c") == 0)
        return ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    if (std::wcscmp(event, L"ctrl-break") == 0)
        return startControlRoutine(process, CTRL_BREAK_EVENT);
    if (!startControlRoutine(process, CTRL_CLOSE_EVENT))
        return false;
    // The console gives a closing program this long, then ends it.
    if (::WaitForSingleObject(process, CloseGraceMs) == WAIT_TIMEOUT) {
        std::fputs("qv-console-event: still running 5 s after the close: ended\n", stderr);
        ::TerminateProcess(process, STATUS_CONTROL_C_EXIT);
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fputs("usage: qv-console-event ctrl-c|ctrl-break|close GO_FILE PROGRAM [ARGS...]\n",
                   stderr);
        return 2;
    }
    // The program's output goes where this program's goes, not to the console.
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    start.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    // A console of its own, with a window that can be closed.
    ::FreeConsole();
    if (!::AllocConsole()) {
        std::fprintf(stderr, "qv-console-event: no console (error %lu)\n", ::GetLastError());
        return 2;
    }
    ::SetConsoleCtrlHandler(stay, TRUE);
    std::wstring line = commandLine(argc, argv, 3);
    PROCESS_INFORMATION child{};
    // Started without this console, as Windows starts a window program from
    // a console (Wine would hand it the console itself): the program must
    // join it on its own for the event to reach it.
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                          nullptr, &start, &child)) {
        std::fprintf(stderr, "qv-console-event: cannot start the program (error %lu)\n",
                     ::GetLastError());
        return 2;
    }
    while (::GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES) {
        if (::WaitForSingleObject(child.hProcess, 50) == WAIT_OBJECT_0)
            break;
    }
    if (::WaitForSingleObject(child.hProcess, 0) == WAIT_TIMEOUT &&
        !deliver(argv[1], child.hProcess))
        std::fprintf(stderr, "qv-console-event: %ls not delivered (error %lu)\n", argv[1],
                     ::GetLastError());
    ::WaitForSingleObject(child.hProcess, INFINITE);
    DWORD status = 0;
    ::GetExitCodeProcess(child.hProcess, &status);
    return static_cast<int>(status);
}
