#pragma once

#include <QString>

namespace errors {

// What the protocol's SYSTEMINFO lines carry: the kernel's name, release and
// version (from uname) in the places of platform, version and build.
struct SystemInfo {
    QString platform;
    QString version;
    QString build;
    QString servicePack;
};

SystemInfo currentSystemInfo();

// A text up to, not including, its first NUL; a text without NUL yields "".
QString LPSTRToVBString(const QString& text);

} // namespace errors
