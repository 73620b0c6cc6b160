#pragma once

#include "app/settings.h"

#include <QString>

namespace modini {

using MarktplatzSettings = app::MarktplatzSettings;

// The configuration file: program folder + "/Bin/config.INI".
QString configPath();

// Reads the settings into settings() and the module globals, once at start.
// A Boolean that is not one is run-time error 13, passed to the caller with
// the source "ini::fnGetPfadeFaktorFromINI "; the keys before it are kept.
// The file is never written.
void fnGetPfadeFaktorFromINI();

// The settings as last read; tests may set them directly.
app::Settings& settings();
MarktplatzSettings& marktplatz();

// What to tell the user when the settings name no standard user; empty when
// they do. Nothing is asked of the marketplace without one.
QString missingStandardUser();

} // namespace modini
