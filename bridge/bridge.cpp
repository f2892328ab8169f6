// qv7310-board-bridge: loads the BoardPort library in a process of its own
// and serves its two functions to the panel over standard input and output,
// in the frames of BridgeFrames.h. The maker's library is a 32-bit Windows
// DLL, which a 64-bit panel cannot load; this program is built 32-bit for it.
//
// When its input ends without the panel's goodbye (the panel crashed or was
// killed), it puts the outputs into the safe state itself, unless the
// panel's last exit choice was to leave them, and ends.
#include "BoardLibrary.h"
#include "board/BoardBinding.h"
#include "board/BridgeFrames.h"
#include "protocol/SafeSequence.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace BridgeFrames;

void say(const std::string& line) {
    std::fprintf(stderr, "qv7310-board-bridge: %s\n", line.c_str());
    std::fflush(stderr);
}

constexpr std::chrono::microseconds SpinMicros{50};

// ---- the library, bound as the panel binds it; its safe state ----

struct Board {
    BoardLibrary library;
    BoardBinding::Binding binding{library, say};

    std::int16_t download(char* path) { return binding.loadFirmWare(path); }

    std::int16_t request(std::int16_t request, std::int32_t value, std::int32_t index,
                         std::int16_t arg4, std::int16_t arg5, char* buffer) {
        return binding.vendorIORequest(request, value, index, arg4, arg5, buffer);
    }

    // The exit's sequence, as the panel sends it; said on standard error.
    void safeState() {
        const auto failed = Declare::SendSafeSequence([this](const Declare::SafeStep& step) {
            const bool word = step.request == BoardPortAbi::BoardRequest::SerialWord;
            char buffer = 0;
            return request(step.request, word ? Declare::WordValue(step.word) : 0,
                           word ? Declare::WordIndex(step.word) : 0, 0, 0, &buffer);
        });
        say("the panel ended without its goodbye: safe state sent" +
            (failed.empty() ? std::string() : " (" + Declare::FailureList(failed) + ")"));
    }
};

// ---- the frames ----

// Whole frames from standard input; a read fills the buffer with what is
// there, so a frame usually costs one system call.
class Input {
public:
    // Fills `out` with `size` bytes: 1 when done, 0 at the end of input
    // before the first byte, -1 at the end inside them or on an error.
    int take(unsigned char* out, std::size_t size) {
        for (std::size_t done = 0; done < size;) {
            if (begin_ == end_ && !refill())
                return done == 0 ? 0 : -1;
            const std::size_t n = std::min(size - done, end_ - begin_);
            std::memcpy(out + done, buffer_ + begin_, n);
            begin_ += n;
            done += n;
        }
        return 1;
    }

private:
    // Requests often come in bursts (a sweep, a remote client): after an
    // answer the next one is looked for a little while (SpinMicros) before
    // sleeping, which saves the wake-up when the panel runs on the other
    // processor.
    bool refill() {
        const auto spinUntil = std::chrono::steady_clock::now() + SpinMicros;
        for (;;) {
            const long n = BridgeSystem::ReadSome(buffer_, sizeof buffer_);
            if (n > 0) {
                begin_ = 0;
                end_ = static_cast<std::size_t>(n);
                return true;
            }
            if (n == 0)
                return false;
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN)
                return false;
            if (std::chrono::steady_clock::now() >= spinUntil)
                BridgeSystem::WaitForInput();
        }
    }

    unsigned char buffer_[4096] = {};
    std::size_t begin_ = 0, end_ = 0;
};

bool writeAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const long n = BridgeSystem::WriteSome(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

enum class Ending { Goodbye, InputEnded, Malformed, OutputLost };

Ending serve(Board& board, int out, bool& resetOnExit, bool& used) {
    Input in;
    unsigned char frame[LargestFrame];
    for (;;) {
        const int got = in.take(frame, 1);
        if (got == 0)
            return Ending::InputEnded;
        const std::size_t size = SizeOf(static_cast<char>(frame[0]));
        if (got < 0 || size == 0) {
            say("malformed frame: unknown kind " + std::to_string(frame[0]));
            return Ending::Malformed;
        }
        if (in.take(frame + 1, size - 1) != 1) {
            say("malformed frame: input ended inside a frame of kind " +
                std::string(1, static_cast<char>(frame[0])));
            return Ending::Malformed;
        }
        unsigned char result[ResultSize];
        switch (static_cast<char>(frame[0])) {
        case GoodbyeKind:
            return Ending::Goodbye;
        case ExitChoiceKind:
            if (frame[1] > 1) {
                say("malformed frame: exit choice " + std::to_string(frame[1]));
                return Ending::Malformed;
            }
            resetOnExit = frame[1] == 1;
            continue;
        case DownloadKind: {
            if (!DownloadHasTerminator(frame)) {
                say("malformed frame: a path without its terminator");
                return Ending::Malformed;
            }
            used = true;
            const std::int16_t status = board.download(reinterpret_cast<char*>(frame + 1));
            EncodeResult(status, 0, result);
            break;
        }
        default: {
            VendorCall c = DecodeVendor(frame);
            char buffer = static_cast<char>(c.buffer);
            used = true;
            const std::int16_t status =
                board.request(c.request, c.value, c.index, c.arg4, c.arg5, &buffer);
            EncodeResult(status, static_cast<unsigned char>(buffer), result);
            break;
        }
        }
        if (!writeAll(out, result, ResultSize))
            return Ending::OutputLost;
    }
}

} // namespace

int main() {
    const int out = BridgeSystem::ClaimOutput();
    if (out < 0 || !writeAll(out, reinterpret_cast<const unsigned char*>(Hello), HelloSize)) {
        say("cannot write to standard output");
        return 2;
    }
    Board board;
    bool resetOnExit = true; // the panel's default until it says otherwise
    bool used = false;
    const Ending ending = serve(board, out, resetOnExit, used);
    if (ending == Ending::Goodbye)
        return 0;
    // Whatever ended the conversation, the panel is gone or broken: the
    // outputs must not stay where it left them.
    if (resetOnExit && used)
        board.safeState();
    return ending == Ending::Malformed ? 2 : 0;
}
