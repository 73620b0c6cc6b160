#pragma once

#include "arguments.h"
#include "console.h"

namespace cli {

// The update run of the standard user's own ratings and their storing; the
// exit code.
int pruefen(const Arguments& args, ConsolePresenter& presenter, ConsoleChooser& chooser);

} // namespace cli
