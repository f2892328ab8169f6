// The console a program was started from. On Windows the panel is a window
// program, which the system starts without a console: from Explorer or the
// Start menu none is wanted, but from a console (cmd, PowerShell) its lines
// and the console's Ctrl+C, Ctrl+Break and close must still reach it.
#ifndef PLATFORM_CONSOLE_H
#define PLATFORM_CONSOLE_H

namespace Platform {

// Called first in main(), before anything is written. On Windows: joins the
// console of the program that started this one, if it has one, and points
// standard output and error at it unless they were redirected (to a file or
// a pipe), which stay as they are. Elsewhere nothing to do.
void UseParentConsole();

} // namespace Platform

#endif
