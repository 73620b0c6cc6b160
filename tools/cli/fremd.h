#pragma once

#include "arguments.h"
#include "console.h"

namespace cli {

// A foreign member's newest ratings of the chosen kinds, loaded and stored in
// place of the member's earlier load; the exit code.
int fremd(const Arguments& args, ConsoleChooser& chooser);

// A foreign member's rating profile, fetched, stored as the member's overview
// and printed; the exit code.
int profil(const Arguments& args, ConsoleChooser& chooser);

} // namespace cli
