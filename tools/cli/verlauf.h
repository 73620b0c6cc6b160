#pragma once

#include "arguments.h"
#include "console.h"

namespace cli {

// The member's ratings per month and the twelve-month positive share; the
// exit code.
int verlauf(const Arguments& args);

// The stored ratings that hold every word of the search; the exit code.
int suche(const Arguments& args);

} // namespace cli
