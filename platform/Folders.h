// Folders whose place differs between operating systems.
#ifndef PLATFORM_FOLDERS_H
#define PLATFORM_FOLDERS_H

#include <QString>

namespace Platform {

// Where the one-panel lock lives: a folder of the user's own on this machine
// (the runtime folder on POSIX systems, the local application data on
// Windows), else the temporary folder.
QString LockFolder();

} // namespace Platform

#endif
