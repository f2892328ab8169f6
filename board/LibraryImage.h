// What a Windows library file was built for, read from its PE header, and the
// way to the board that follows from it: the maker's BoardPort.dll is a
// 32-bit DLL, which a 64-bit panel can only reach through the board bridge.
#ifndef LIBRARYIMAGE_H
#define LIBRARYIMAGE_H

#include <QString>
#include <QStringList>
#include <istream>

namespace LibraryImage {

enum class Machine {
    Unreadable, // not a PE file, or cut short
    X86,        // IMAGE_FILE_MACHINE_I386
    X64,        // IMAGE_FILE_MACHINE_AMD64
    Other,      // a PE file for another processor
};

// Reads the machine field of the PE file header: "MZ", the header's offset at
// 0x3C, "PE\0\0" there, then the machine.
Machine ReadMachine(std::istream& in);
// The same for a file; Unreadable when it cannot be opened.
Machine ReadMachine(const QString& path);

struct BoardPath {
    // The bridge to start (program and arguments); empty: in this process.
    QStringList bridgeCommand;
    // How the status line and BOARd:STATus? name the way (empty: nothing).
    QString description;
};

// The way to the BoardPort.dll in `dir` for a process of `processBits` bits:
// a 32-bit DLL from a 64-bit process through qv7310-board-bridge.exe beside
// it; otherwise loaded in this process. No DLL there: in this process, as
// before, with nothing to name.
BoardPath ChooseBoardPath(const QString& dir, int processBits);

} // namespace LibraryImage

#endif
