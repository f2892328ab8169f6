// Reading a firmware image from disk for LoadFirmWare.
#ifndef SIMBOARD_FIRMWAREFILE_H
#define SIMBOARD_FIRMWAREFILE_H

namespace simboard {

// Reads the file at `path` and checks it as Intel HEX: SIM_OK, or
// SIM_FILE_UNREADABLE (missing, unreadable, not a regular file) or
// SIM_MALFORMED_IMAGE (not Intel HEX, or too large for an image).
int readFirmwareFile(const char* path);

} // namespace simboard

#endif
