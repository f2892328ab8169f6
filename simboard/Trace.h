// The trace file named by BOARDPORT_TRACE: one line per call to the board,
// every number in decimal.
#ifndef SIMBOARD_TRACE_H
#define SIMBOARD_TRACE_H

namespace simboard {

// "LoadFirmWare <path> = <status>"; a null path is written "(null)".
void traceLoadFirmWare(const char* path, int status);
// "VendorIORequest <request> <value> <index> <arg4> <arg5> <buffer byte> = <status>"
void traceVendorIORequest(int request, int value, int index, int arg4, int arg5, int bufferByte,
                          int status);

} // namespace simboard

#endif
