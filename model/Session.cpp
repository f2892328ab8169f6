#include "Session.h"

#include "PanelModel.h"
#include "SafeOutputs.h"

Session::Session(PanelModel& model, QObject* parent) : QObject(parent), model_(model) {}

Session::~Session() {
    SafeOutputs::Disarm();
}

void Session::begin() {
    ended_ = false;
    safeStateFailed_ = false;
    model_.begin();
}

void Session::setPart(bool quad) {
    model_.setPart(quad);
}

void Session::open() {
    model_.setResetOnExit(true);
    loadBoard();
    // Told to end while the missing board's box was open.
    if (ended_)
        return;
    SafeOutputs::Arm(model_);
    model_.clearCodes();
}

void Session::loadBoard() {
    model_.loadBoard([this](std::int16_t status) { emit boardMissing(status); });
}

void Session::reload() {
    model_.reload([this](std::int16_t status) { emit boardMissing(status); });
}

bool Session::end() {
    if (ended_)
        return !safeStateFailed_;
    ended_ = true;
    emit ending();
    SafeOutputs::Disarm();
    if (model_.resetOnExit())
        safeStateFailed_ = !model_.safeState();
    // Whatever is still on the stack (a box that was open) sends nothing more.
    model_.end();
    return !safeStateFailed_;
}
