#pragma once

#include "arguments.h"
#include "console.h"

namespace cli {

// One page of stored ratings on stdout; the exit code.
int liste(const Arguments& args, ConsoleChooser& chooser);

} // namespace cli
