#pragma once

#include "app/checkLock.h"

#include <optional>

// A check's turn among the other processes of the program folder.
namespace cli {

// Takes the check lock; with wait, waits while another process checks
// (Ctrl+C ends the wait). nullopt: this process checks now; otherwise the
// exit code, with the reason said on stderr.
[[nodiscard]] std::optional<int> takeCheckLock(app::CheckLock& lock, bool wait);

// Tells the open window of the folder, if there is one, that the store has
// new ratings.
void tellWindowStored();

} // namespace cli
