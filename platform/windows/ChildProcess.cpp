#include "platform/ChildProcess.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>
#include <windows.h>

namespace Platform {

namespace {

using Clock = std::chrono::steady_clock;
// A result usually comes back within microseconds: it is looked for this
// long without giving up the processor, then while yielding it, and only
// then in sleeps of a millisecond (a wait on the process, which also sees
// the child die).
constexpr std::chrono::microseconds SpinMicros{50};
constexpr std::chrono::milliseconds YieldMs{5};

// The system's reason for the last failed call, in its own words.
std::string lastError() {
    const DWORD code = ::GetLastError();
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string why = length ? QString::fromWCharArray(text, int(length)).trimmed().toStdString()
                             : "error " + std::to_string(code);
    ::LocalFree(text);
    return why;
}

// One argument as the C runtime's command-line parser reads it back.
std::wstring quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    for (auto it = arg.begin();; ++it) {
        std::size_t backslashes = 0;
        for (; it != arg.end() && *it == L'\\'; ++it)
            ++backslashes;
        if (it == arg.end()) {
            out.append(backslashes * 2, L'\\');
            break;
        }
        out.append(*it == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        out.push_back(*it);
    }
    out.push_back(L'"');
    return out;
}

void closeHandle(HANDLE& h) {
    if (h)
        ::CloseHandle(h);
    h = nullptr;
}

} // namespace

struct ChildProcess::Impl {
    HANDLE process = nullptr;
    HANDLE toChild = nullptr;
    HANDLE fromChild = nullptr;

    bool create(const QStringList& command, HANDLE childIn, HANDLE childOut, std::string& why);
    // Bytes waiting in the pipe; -1 when it is broken (the child's end closed).
    long long available();
};

ChildProcess::ChildProcess() : d_(std::make_unique<Impl>()) {}

ChildProcess::~ChildProcess() {
    closePipes();
    closeHandle(d_->process);
}

// The child inherits its two pipe ends and this process's standard error,
// and nothing else (not every handle this process made inheritable).
bool ChildProcess::Impl::create(const QStringList& command, HANDLE childIn, HANDLE childOut,
                                std::string& why) {
    HANDLE error = nullptr;
    const HANDLE ownError = ::GetStdHandle(STD_ERROR_HANDLE);
    if (ownError && ownError != INVALID_HANDLE_VALUE)
        ::DuplicateHandle(::GetCurrentProcess(), ownError, ::GetCurrentProcess(), &error, 0, TRUE,
                          DUPLICATE_SAME_ACCESS);
    HANDLE inherited[3] = {childIn, childOut, error};
    const DWORD count = error ? 3 : 2;
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> storage(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    bool made = ::InitializeProcThreadAttributeList(attributes, 1, 0, &size) &&
                ::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                            inherited, count * sizeof(HANDLE), nullptr, nullptr);
    if (made) {
        STARTUPINFOEXW start = {};
        start.StartupInfo.cb = sizeof start;
        start.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        start.StartupInfo.hStdInput = childIn;
        start.StartupInfo.hStdOutput = childOut;
        start.StartupInfo.hStdError = error;
        start.lpAttributeList = attributes;
        std::wstring line;
        for (const QString& a : command)
            line += (line.empty() ? L"" : L" ") + quoted(a.toStdWString());
        PROCESS_INFORMATION info = {};
        // A console program started by a window gets no console window.
        made = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                EXTENDED_STARTUPINFO_PRESENT | CREATE_NO_WINDOW, nullptr, nullptr,
                                &start.StartupInfo, &info);
        if (made) {
            ::CloseHandle(info.hThread);
            process = info.hProcess;
        }
    }
    if (!made)
        why = lastError();
    if (size)
        ::DeleteProcThreadAttributeList(attributes);
    closeHandle(error);
    return made;
}

bool ChildProcess::start(const QStringList& command, std::string& why) {
    closePipes();
    ended();
    if (command.isEmpty()) {
        why = "no command";
        return false;
    }
    HANDLE childIn = nullptr, childOut = nullptr;
    if (!::CreatePipe(&childIn, &d_->toChild, nullptr, 0) ||
        !::CreatePipe(&d_->fromChild, &childOut, nullptr, 0)) {
        why = lastError();
        closeHandle(childIn);
        closePipes();
        return false;
    }
    ::SetHandleInformation(childIn, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    ::SetHandleInformation(childOut, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    const bool created = d_->create(command, childIn, childOut, why);
    closeHandle(childIn);
    closeHandle(childOut);
    if (!created)
        closePipes();
    return created;
}

bool ChildProcess::write(const unsigned char* data, std::size_t size) {
    while (size > 0) {
        DWORD written = 0;
        if (!d_->toChild || !::WriteFile(d_->toChild, data, DWORD(size), &written, nullptr) ||
            written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

long long ChildProcess::Impl::available() {
    DWORD bytes = 0;
    if (!fromChild || !::PeekNamedPipe(fromChild, nullptr, 0, nullptr, &bytes, nullptr))
        return -1;
    return bytes;
}

ChildProcess::Read ChildProcess::read(unsigned char* out, std::size_t size, int timeoutMs) {
    const Clock::time_point begun = Clock::now();
    while (size > 0) {
        const long long bytes = d_->available();
        if (bytes < 0)
            return Read::Ended;
        if (bytes > 0) {
            DWORD got = 0;
            const DWORD wanted = DWORD(std::min<unsigned long long>(size, bytes));
            if (!::ReadFile(d_->fromChild, out, wanted, &got, nullptr) || got == 0)
                return Read::Ended;
            out += got;
            size -= got;
            continue;
        }
        const auto waited = Clock::now() - begun;
        if (waited < SpinMicros)
            continue;
        if (timeoutMs >= 0 && waited >= std::chrono::milliseconds(timeoutMs))
            return Read::TimedOut;
        // What a child wrote before it died is still read.
        if (d_->process &&
            ::WaitForSingleObject(d_->process, waited < YieldMs ? 0 : 1) == WAIT_OBJECT_0) {
            if (d_->available() == 0)
                return Read::Ended;
        } else if (waited < YieldMs) {
            ::SwitchToThread();
        }
    }
    return Read::Complete;
}

void ChildProcess::closePipes() {
    closeHandle(d_->toChild);
    closeHandle(d_->fromChild);
}

bool ChildProcess::ended() {
    if (!d_->process)
        return true;
    if (::WaitForSingleObject(d_->process, 0) != WAIT_OBJECT_0)
        return false;
    closeHandle(d_->process);
    return true;
}

void ChildProcess::waitForExit(int timeoutMs) {
    if (d_->process)
        ::WaitForSingleObject(d_->process, DWORD(timeoutMs));
    ended();
}

void ChildProcess::kill() {
    if (!d_->process)
        return;
    ::TerminateProcess(d_->process, 1);
    ::WaitForSingleObject(d_->process, INFINITE);
    closeHandle(d_->process);
}

} // namespace Platform
