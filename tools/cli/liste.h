#pragma once

#include "arguments.h"
#include "console.h"

#include <QList>
#include <QStringList>

namespace cli {

// One page of stored ratings on stdout; the exit code.
int liste(const Arguments& args, ConsoleChooser& chooser);

// One field for each format's line (exposed for the formats' own rules).
QString tsvField(const QString& field);
QString csvField(const QString& field);

} // namespace cli
