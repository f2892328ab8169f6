#include "platform/Console.h"

namespace Platform {

// A program inherits its terminal and its standard streams as they are.
void UseParentConsole() {}

} // namespace Platform
