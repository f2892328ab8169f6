#include "BoardLink.h"

#include "USBStuff.h"

BoardLink::BoardLink() = default;
BoardLink::~BoardLink() = default;

void BoardLink::useLibrary() {
    backend_.reset();
    bridged_ = false;
}

void BoardLink::useBridge(const QStringList& command) {
    backend_.reset();
    bridgeCommand_ = command;
    bridged_ = true;
}

void BoardLink::setRequestDeadline(double seconds) {
    deadlines_.requestMs = int(seconds * 1000);
    deadlines_.downloadMs = 6 * deadlines_.requestMs;
}

double BoardLink::deadlineSeconds(std::int16_t request) const {
    return (request == DownloadCall ? deadlines_.downloadMs : deadlines_.requestMs) / 1000.0;
}

BoardBackend& BoardLink::backend() {
    if (!backend_) {
        backend_ = bridged_ ? MakeBridgeBackend(bridgeCommand_, deadlines_) : MakeLibraryBackend();
        backend_->setExitChoice(resetOnExit_);
    }
    return *backend_;
}

std::int16_t BoardLink::loadFirmWare(char* path) {
    if (closed_)
        return lastStatus_ = USBStuff::LinkClosedStatus;
    const std::int16_t status = lastStatus_ = backend().loadFirmWare(path);
    emit called(DownloadCall, 0, 0, status);
    emit callReturned(DownloadCall, status);
    return status;
}

std::int16_t BoardLink::vendorIORequest(std::int16_t request, std::int32_t value,
                                        std::int32_t index, std::int16_t arg4, std::int16_t arg5,
                                        char* buffer) {
    if (closed_)
        return lastStatus_ = USBStuff::LinkClosedStatus;
    const std::int16_t status = lastStatus_ =
        backend().vendorIORequest(request, value, index, arg4, arg5, buffer);
    emit called(request, value, index, status);
    emit callReturned(request, status);
    return status;
}

void BoardLink::close() {
    if (closed_)
        return;
    closed_ = true;
    // The bridge has nothing left to guard: the panel's own exit is done.
    // The in-process library stays loaded, as it always has.
    if (bridged_ && backend_) {
        backend_->goodbye();
        backend_.reset();
    }
}

void BoardLink::open() {
    closed_ = false;
}

void BoardLink::setExitChoice(bool resetOnExit) {
    resetOnExit_ = resetOnExit;
    if (backend_)
        backend_->setExitChoice(resetOnExit);
}
