// One panel per board: a lock file in a folder of the user's own, held while
// the panel runs, so a second panel cannot drive the board under the first
// or reset its outputs on exit.
#ifndef PANELLOCK_H
#define PANELLOCK_H

#include <QLockFile>
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
    static QString lockPath();

private:
    QLockFile lock_;
};

#endif
