// One panel per board: a lock of the user's own on this machine
// (Platform::InstanceLock), held while the panel runs, so a second panel
// cannot drive the board under the first or reset its outputs on exit.
#ifndef PANELLOCK_H
#define PANELLOCK_H

#include "platform/InstanceLock.h"

#include <QString>

class QWidget;

class PanelLock {
public:
    PanelLock();
    // True when no other panel holds the lock. Otherwise says so on standard
    // error, and in a warning box when `showBox` (a panel without a display,
    // or driven remotely, has nobody to dismiss one), and returns false;
    // nothing reaches the board.
    bool acquire(bool showBox = true);
    // Where the lock lives (a file path, or on Windows the mutex's name).
    static QString lockPath();

private:
    Platform::InstanceLock lock_;
};

#endif
