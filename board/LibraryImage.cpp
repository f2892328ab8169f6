#include "LibraryImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <sstream>
#include <string>

namespace LibraryImage {

namespace {

constexpr std::uint16_t MachineI386 = 0x014c;
constexpr std::uint16_t MachineAmd64 = 0x8664;
// Where the DOS header keeps the PE header's offset.
constexpr std::streamoff PeOffsetField = 0x3c;
// Enough for any header a linker writes: a DLL whose PE header lies further
// in is not one this panel can load.
constexpr qint64 HeadBytes = 64 * 1024;

// Little-endian, as every PE field is.
bool readAt(std::istream& in, std::streamoff offset, unsigned char* out, std::size_t size) {
    in.clear();
    in.seekg(offset);
    return static_cast<bool>(in.read(reinterpret_cast<char*>(out), std::streamsize(size)));
}

} // namespace

Machine ReadMachine(std::istream& in) {
    unsigned char mz[2], offset[4], pe[6];
    if (!readAt(in, 0, mz, sizeof mz) || mz[0] != 'M' || mz[1] != 'Z' ||
        !readAt(in, PeOffsetField, offset, sizeof offset))
        return Machine::Unreadable;
    const std::uint32_t at = std::uint32_t(offset[0]) | std::uint32_t(offset[1]) << 8 |
                             std::uint32_t(offset[2]) << 16 | std::uint32_t(offset[3]) << 24;
    if (!readAt(in, std::streamoff(at), pe, sizeof pe) || pe[0] != 'P' || pe[1] != 'E' ||
        pe[2] != 0 || pe[3] != 0)
        return Machine::Unreadable;
    const std::uint16_t machine = std::uint16_t(pe[4] | pe[5] << 8);
    if (machine == MachineI386)
        return Machine::X86;
    if (machine == MachineAmd64)
        return Machine::X64;
    return Machine::Other;
}

Machine ReadMachine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Machine::Unreadable;
    const QByteArray head = file.read(HeadBytes);
    std::istringstream in(std::string(head.constData(), std::size_t(head.size())));
    return ReadMachine(in);
}

BoardPath ChooseBoardPath(const QString& dir, int processBits) {
    const QString dll = dir + QStringLiteral("/BoardPort.dll");
    if (!QFileInfo::exists(dll))
        return {};
    switch (ReadMachine(dll)) {
    case Machine::X86:
        if (processBits == 32)
            return {{}, QStringLiteral("32-bit BoardPort.dll in the panel")};
        return {{QDir::toNativeSeparators(dir + QStringLiteral("/qv7310-board-bridge.exe"))},
                QStringLiteral("32-bit BoardPort.dll through qv7310-board-bridge.exe")};
    case Machine::X64:
        if (processBits == 64)
            return {{}, QStringLiteral("64-bit BoardPort.dll in the panel")};
        break;
    case Machine::Unreadable:
    case Machine::Other:
        break;
    }
    // Loading it says what is wrong with it.
    return {};
}

} // namespace LibraryImage
