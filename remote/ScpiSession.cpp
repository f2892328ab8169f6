#include "ScpiSession.h"

#include "ScpiErrors.h"

namespace Scpi {

bool ErrorQueue::push(int error, const std::string& detail) {
    ++pushed_;
    if (size() < Capacity) {
        entries_.push_back({error, detail});
        return true;
    }
    entries_.back() = {Error::QueueOverflow, std::string()};
    return false;
}

std::string ErrorQueue::pop() {
    Entry entry{Error::None, std::string()};
    if (!entries_.empty()) {
        entry = std::move(entries_.front());
        entries_.pop_front();
    }
    std::string text = ErrorText(entry.error);
    if (!entry.detail.empty())
        text += ';' + entry.detail;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return std::to_string(entry.error) + ',' + quoted + '"';
}

void Session::error(int number, const std::string& detail) {
    if (!errors.push(number, detail))
        eventStatus |= DeviceError; // -350 is a device-dependent error
    else if (number <= -100 && number > -200)
        eventStatus |= CommandError;
    else if (number <= -200 && number > -300)
        eventStatus |= ExecutionError;
    else if (number <= -300 && number > -400)
        eventStatus |= DeviceError;
    else if (number <= -400 && number > -500)
        eventStatus |= QueryError;
}

void Session::rise(int operation, int questionable) {
    operationEvent |= operation;
    questionableEvent |= questionable;
}

int Session::statusByte() const {
    int status = 0;
    if (errors.size() > 0)
        status |= ErrorQueueBit;
    if (questionableEvent & questionableEnable)
        status |= QuestionableBit;
    if (messageAvailable)
        status |= MessageAvailableBit;
    if (eventStatus & eventEnable)
        status |= EventStatusBit;
    if (operationEvent & operationEnable)
        status |= OperationBit;
    if (status & serviceEnable)
        status |= MasterSummaryBit;
    return status;
}

void Session::clear() {
    errors.clear();
    eventStatus = 0;
    operationEvent = 0;
    questionableEvent = 0;
}

} // namespace Scpi
