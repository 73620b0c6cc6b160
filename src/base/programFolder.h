#pragma once

#include <QString>

namespace base {

// The folder the program runs from (the directory of the running executable,
// without a trailing separator). A headless tool may point it elsewhere.
QString programFolder();
void setProgramFolder(const QString& folder);

// The executable's name without directory and extension ("notenschau").
QString executableName();
void setExecutableName(const QString& name);

// The program folder followed by a relative path, joined with one "/".
QString inProgramFolder(const QString& relative);

} // namespace base
