#pragma once

#include "base/result.h"

#include <QString>

namespace app {

// Sets [Bewerten] Automatisch to 1 or 0; everything else in the file stays.
[[nodiscard]] base::Result<bool> writeRateAutomatically(const QString& configFile, bool on);

} // namespace app
