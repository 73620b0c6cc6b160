#pragma once

#include <QString>

namespace modini {

// The configuration file: program folder + "/Bin/config.INI".
QString configPath();

// Reads the settings into the module globals, once at start. A Boolean that
// is not one is run-time error 13, passed to the caller with the source
// "ini::fnGetPfadeFaktorFromINI ". The file is never written.
void fnGetPfadeFaktorFromINI();

} // namespace modini
