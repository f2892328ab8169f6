// Intel HEX check of a firmware image held in memory.
#ifndef SIMBOARD_INTELHEX_H
#define SIMBOARD_INTELHEX_H

#include <cstddef>

namespace simboard {

// 0 for a well-formed image (valid records and checksums, ending in an
// end-of-file record); otherwise a negative reason. Reads only `size` bytes.
int checkIntelHex(const unsigned char* data, std::size_t size);

} // namespace simboard

#endif
