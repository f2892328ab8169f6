#include "platform/ChildProcess.h"

#include <atomic>
#include <string>
#include <vector>
#include <windows.h>

namespace Platform {

namespace {

// Tells this process's pipes apart.
std::atomic<unsigned> pipeCount{0};

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

    // Signalled when a read of fromChild completes.
    HANDLE readDone = nullptr;

    bool create(const QStringList& command, HANDLE childIn, HANDLE childOut, std::string& why);
    bool makeOutputPipe(HANDLE& childOut);
    // Reads what has come, at most `size` bytes, waiting at most `timeoutMs`
    // (INFINITE: as long as the child lives); 0 with `result` when none came.
    DWORD readSome(unsigned char* out, DWORD size, DWORD timeoutMs, Read& result);
};

ChildProcess::ChildProcess() : d_(std::make_unique<Impl>()) {
    d_->readDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

ChildProcess::~ChildProcess() {
    closePipes();
    closeHandle(d_->process);
    closeHandle(d_->readDone);
}

// The child's output comes through a pipe of this process's own making, the
// way CreatePipe makes one, but with this end open for overlapped reads: a
// read then waits for the result, the child's end and the deadline at once.
// The child's end is an ordinary pipe handle.
bool ChildProcess::Impl::makeOutputPipe(HANDLE& childOut) {
    const std::wstring name = L"\\\\.\\pipe\\qv7310-child-" +
                              std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(pipeCount++);
    fromChild = ::CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 4096, 4096,
        0, nullptr);
    if (fromChild == INVALID_HANDLE_VALUE) {
        fromChild = nullptr;
        return false;
    }
    childOut = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (childOut == INVALID_HANDLE_VALUE) {
        childOut = nullptr;
        return false;
    }
    return true;
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
    if (!::CreatePipe(&childIn, &d_->toChild, nullptr, 0) || !d_->makeOutputPipe(childOut)) {
        why = lastError();
        closeHandle(childIn);
        closeHandle(childOut);
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

DWORD ChildProcess::Impl::readSome(unsigned char* out, DWORD size, DWORD timeoutMs, Read& result) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = readDone;
    // ReadFile resets the event as it starts: no call of this process's own
    // (under Wine each is a trip to its server).
    DWORD got = 0;
    result = Read::Ended;
    if (!fromChild)
        return 0;
    if (::ReadFile(fromChild, out, size, &got, &overlapped))
        return got;
    if (::GetLastError() != ERROR_IO_PENDING)
        return 0; // the child's end is closed
    // The result, the child's death, or the deadline, whichever comes first.
    const HANDLE events[2] = {readDone, process};
    const DWORD woke = ::WaitForMultipleObjects(process ? 2 : 1, events, FALSE, timeoutMs);
    if (woke != WAIT_OBJECT_0) {
        ::CancelIoEx(fromChild, &overlapped);
        result = woke == WAIT_TIMEOUT ? Read::TimedOut : Read::Ended;
    }
    // What came before the read was given up still counts.
    if (!::GetOverlappedResult(fromChild, &overlapped, &got, TRUE))
        return 0;
    return got;
}

ChildProcess::Read ChildProcess::read(unsigned char* out, std::size_t size, int timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + ULONGLONG(timeoutMs < 0 ? 0 : timeoutMs);
    while (size > 0) {
        DWORD wait = INFINITE;
        if (timeoutMs >= 0) {
            const ULONGLONG now = ::GetTickCount64();
            wait = now >= deadline ? 0 : DWORD(deadline - now);
        }
        Read result = Read::Ended;
        const DWORD got = d_->readSome(out, DWORD(size), wait, result);
        if (got == 0)
            return result;
        out += got;
        size -= got;
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
